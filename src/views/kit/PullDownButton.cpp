#include "views/kit/PullDownButton.h"

#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"

#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>

#include <cmath>

namespace tw {

namespace {

constexpr qreal kChevron = 9;
constexpr qreal kChevronGap = 4;
// A box's up and down chevrons, and how far they and the title stand in.
constexpr qreal kSelector = 12;
constexpr qreal kBoxInset = 8;

} // namespace

PullDownButton::PullDownButton(const QStringList& choices, TextRole role, QWidget* parent)
    : QAbstractButton(parent)
    , m_choices(choices)
    , m_font(typescale::font(role))
    , m_menu(new QMenu(this))
{
    keyfocus::makeStop(this, 6);
    // The current choice is the button's text, for assistive tools.
    setText(choices.value(0));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    for (int i = 0; i < choices.size(); ++i)
        connect(m_menu->addAction(choices[i]), &QAction::triggered, this, [this, i] { emit chosen(i); });
    // Opens below the label, from its leading edge, without holding the event loop.
    connect(this, &QAbstractButton::clicked, this, [this] {
        // A window of its own, the menu may not have followed the button's direction
        // (one made before its button went into a right-to-left window did not).
        m_menu->setLayoutDirection(layoutDirection());
        const int x = isRightToLeft() ? width() - m_menu->sizeHint().width() : 0;
        m_menu->popup(mapToGlobal(QPoint(x, height())));
        // From the keyboard the current choice is marked, for the arrows to go on from.
        if (hasFocus())
            m_menu->setActiveAction(m_menu->actions().value(m_current));
    });
    onThemeChange(this, [this] { update(); });
}

void PullDownButton::setCurrent(int index)
{
    if (index == m_current || index < 0 || index >= m_choices.size())
        return;
    m_current = index;
    setText(m_choices[index]);
    updateGeometry();
    update();
}

void PullDownButton::fillBox(const QSize& box, qreal radius)
{
    m_boxed = true;
    keyfocus::makeStop(this, radius, focusring::Placement::inside);
    setFixedSize(box);
    update();
}

QSize PullDownButton::sizeHint() const
{
    const QFontMetricsF m(m_font);
    qreal widest = 0;
    for (const QString& choice : m_choices)
        widest = std::max(widest, m.horizontalAdvance(choice));
    return {int(std::ceil(widest + kChevronGap + kChevron)) + 4, int(std::ceil(m.height())) + 4};
}

void PullDownButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (isDown())
        p.setOpacity(0.6);
    const QString label = m_choices.value(m_current);
    const Mirror m(*this);
    p.setFont(m_font);
    p.setPen(primaryTextTint());
    if (m_boxed) {
        // As a picker shows its choice: the title leads, the chevrons trail.
        const qreal chevronLeft = width() - kBoxInset - kSelector;
        const QRectF title(kBoxInset, 0, chevronLeft - kChevronGap - kBoxInset, height());
        p.drawText(m(title), m.align(Qt::AlignLeft) | Qt::AlignVCenter, neon::elided(label, m_font, title.width()));
        symbols::paint(p, m(QRectF(chevronLeft, 0, kSelector, height())),
                       Glyph{QStringLiteral("chevron.up.chevron.down"), kSelector, Tint::primary});
        return;
    }
    // Against the trailing edge, so the chevron keeps its place whichever title shows.
    const qreal textWidth = QFontMetricsF(m_font).horizontalAdvance(label);
    const qreal left = width() - 2 - kChevron - kChevronGap - textWidth;
    p.drawText(m(QRectF(left, 0, textWidth + 1, height())), m.align(Qt::AlignLeft) | Qt::AlignVCenter, label);
    symbols::paint(p, m(QRectF(width() - 2 - kChevron, 0, kChevron, height())),
                   Glyph{QStringLiteral("chevron.down"), kChevron, Tint::primary});
}

} // namespace tw
