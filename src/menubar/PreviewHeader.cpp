#include "menubar/PreviewHeader.h"

#include "app/state/Colour.h"
#include "app/state/Theme.h"
#include "views/kit/NeonPaint.h"
#include "views/kit/Symbols.h"

#include <QFontMetricsF>
#include <QPainter>

namespace tw {

namespace {

constexpr qreal kSide = 12;     // padding left and right
constexpr qreal kTop = 12;
constexpr qreal kBottom = 4;
constexpr qreal kButton = 22;
constexpr qreal kSpacing = 8;

const QFont& titleFont()
{
    static const QFont f = neon::systemFont(14, QFont::Bold);
    return f;
}

const QFont& lineFont()
{
    static const QFont f = neon::systemFont(11, QFont::Normal);
    return f;
}

qreal textBlockHeight()
{
    return QFontMetricsF(titleFont()).height() + 2 + QFontMetricsF(lineFont()).height();
}

// A button that paints nothing: the header draws it.
class HitArea : public QAbstractButton {
public:
    HitArea(const QString& name, QWidget* parent)
        : QAbstractButton(parent)
    {
        setAccessibleName(name);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {}
};

QList<neon::Shadow> shadows(AppAppearance a)
{
    return {{faded(AppTheme::neonGlow(a), 0.55), 14, {0, 6}}, {faded(AppTheme::neonHighlight(a), 0.4), 8, {0, 4}}};
}

} // namespace

PreviewHeader::PreviewHeader(bool pinned, QWidget* parent)
    : QWidget(parent)
    , m_pinned(pinned)
    , m_close(new HitArea(QStringLiteral("Close"), this))
    , m_pin(new HitArea(pinned ? QStringLiteral("Unpin") : QStringLiteral("Keep on top"), this))
    , m_preferences(new HitArea(QStringLiteral("Preferences"), this))
{
    m_pin->setToolTip(m_pin->accessibleName());
    m_preferences->setToolTip(m_preferences->accessibleName());
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PreviewHeader::setInstalledLine(const QString& line)
{
    if (m_line == line)
        return;
    m_line = line;
    update();
    GlowHost::invalidate(this);
}

QString PreviewHeader::pinSymbol() const
{
    return m_pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin");
}

QSize PreviewHeader::sizeHint() const
{
    return {340, int(std::ceil(kTop + std::max(kButton, textBlockHeight()) + kBottom))};
}

void PreviewHeader::resizeEvent(QResizeEvent*)
{
    const qreal middle = kTop + (height() - kTop - kBottom) / 2;
    const int top = int(std::round(middle - kButton / 2));
    const int right = width() - int(kSide);
    m_close->setGeometry(int(kSide), top, int(kButton), int(kButton));
    m_preferences->setGeometry(right - int(kButton), top, int(kButton), int(kButton));
    m_pin->setGeometry(right - 2 * int(kButton) - int(kSpacing), top, int(kButton), int(kButton));
}

QString PreviewHeader::key() const
{
    return QStringLiteral("previewHeader|") + rawValue(AppTheme::appearance()) + (m_pinned ? u'P' : u'-') + m_line;
}

QImage PreviewHeader::body(qreal dpr) const
{
    const AppAppearance a = AppTheme::appearance();
    return neon::cachedImage(key(), size(), dpr, [&](QPainter& p) {
        // The close button: a light circle with the cross.
        const QRectF close(m_close->geometry());
        p.setPen(Qt::NoPen);
        p.setBrush(faded(Qt::white, 0.22));
        p.drawEllipse(close);
        Glyph cross{QStringLiteral("xmark"), 11, Tint::white, 0.95};
        cross.colour = faded(Qt::white, 0.95);
        Symbols::paint(p, close, cross);
        Symbols::paint(p, QRectF(m_pin->geometry()), {pinSymbol(), 12, Tint::white});
        Symbols::paint(p, QRectF(m_preferences->geometry()), {QStringLiteral("gearshape.fill"), 12, Tint::white});

        // The name over the installed line, centred between the buttons.
        const qreal left = close.right() + kSpacing;
        const qreal right = m_pin->geometry().left() - kSpacing;
        const qreal top = kTop + (height() - kTop - kBottom - textBlockHeight()) / 2;
        const qreal titleHeight = QFontMetricsF(titleFont()).height();
        p.setFont(titleFont());
        p.setPen(Qt::white);
        p.drawText(QRectF(left, top, right - left, titleHeight), Qt::AlignCenter, QStringLiteral("Tidewell"));
        p.setFont(lineFont());
        p.setPen(faded(Qt::white, 0.9));
        const QRectF lineBox(left, top + titleHeight + 2, right - left, QFontMetricsF(lineFont()).height());
        p.drawText(lineBox, Qt::AlignCenter, neon::elided(m_line, lineFont(), lineBox.width()));

        // The glow bar along the bottom edge.
        const QRectF bar(10, height() - 2, width() - 20, 2);
        QLinearGradient g(bar.topLeft(), bar.topRight());
        g.setStops({{0, faded(AppTheme::neonHighlight(a), 0.85)}, {0.5, faded(AppTheme::neonGlow(a), 0.45)},
                    {1, Qt::transparent}});
        neon::fillRoundedPath(p, bar, 1, g);
    });
}

void PreviewHeader::paintGlow(QPainter& p)
{
    const qreal dpr = p.device() ? p.device()->devicePixelRatioF() : devicePixelRatioF();
    neon::paintShadows(p, key(), body(dpr), QPointF(0, 0), shadows(AppTheme::appearance()));
}

QMargins PreviewHeader::glowExtent() const
{
    return neon::shadowExtent(shadows(AppAppearance::midnight));
}

void PreviewHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.drawImage(QPointF(0, 0), body(devicePixelRatioF()));
}

void PreviewHeader::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    GlowHost::attach(this);
}

} // namespace tw
