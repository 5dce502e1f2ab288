#include "menubar/PreviewHeader.h"

#include "state/Colour.h"
#include "state/Theme.h"
#include "views/kit/CardText.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"
#include "views/kit/TypeScale.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tw {

namespace {

constexpr qreal kSide = 12;     // padding left and right
constexpr qreal kTop = 12;
constexpr qreal kBottom = 4;
constexpr qreal kButton = 22;
constexpr qreal kSpacing = 8;

// The name over the installed line, 2 points apart.
constexpr CardText kText{2, false, Qt::AlignHCenter};

QList<CardLine> textLines(const QString& line)
{
    return {{QStringLiteral("Tidewell"), typescale::font(TextRole::alertTitle), Qt::white},
            {line, typescale::font(TextRole::caption), faded(Qt::white, 0.9)}};
}

qreal textBlockHeight()
{
    return kText.height(textLines({}));
}

QList<neon::Shadow> shadows(AppAppearance a)
{
    return {{faded(AppTheme::neonGlow(a), 0.55), 14, {0, 6}}, {faded(AppTheme::neonHighlight(a), 0.4), 8, {0, 4}}};
}

} // namespace

int PreviewHeader::height()
{
    return int(std::ceil(kTop + std::max(kButton, textBlockHeight()) + kBottom));
}

bool PreviewHeader::setInstalledLine(const QString& line)
{
    return std::exchange(m_line, line) != line;
}

QString PreviewHeader::pinSymbol() const
{
    return m_pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin");
}

QString PreviewHeader::help(Button button) const
{
    switch (button) {
    case Button::pin: return m_pinned ? QStringLiteral("Unpin") : QStringLiteral("Keep on top");
    case Button::preferences: return QStringLiteral("Preferences");
    case Button::close: break;
    }
    return {};
}

QRect PreviewHeader::buttonRect(Button button) const
{
    const qreal middle = m_geometry.top() + kTop + (m_geometry.height() - kTop - kBottom) / 2;
    const int top = int(std::round(middle - kButton / 2));
    const int side = int(kButton);
    const int left = m_geometry.left() + int(kSide);
    const int right = m_geometry.left() + m_geometry.width() - int(kSide);
    switch (button) {
    case Button::close: return {left, top, side, side};
    case Button::pin: return {right - 2 * side - int(kSpacing), top, side, side};
    case Button::preferences: return {right - side, top, side, side};
    }
    return {};
}

std::optional<PreviewHeader::Button> PreviewHeader::buttonAt(const QPoint& point) const
{
    for (Button b : {Button::close, Button::pin, Button::preferences})
        if (buttonRect(b).contains(point))
            return b;
    return std::nullopt;
}

QString PreviewHeader::key() const
{
    return QStringLiteral("previewHeader|") + rawValue(AppTheme::appearance()) + (m_pinned ? u'P' : u'-') + m_line;
}

QImage PreviewHeader::body(qreal dpr) const
{
    const AppAppearance a = AppTheme::appearance();
    const QPoint origin = m_geometry.topLeft();
    const int width = m_geometry.width();
    const int height = m_geometry.height();
    return neon::cachedImage(key(), m_geometry.size(), dpr, [&](QPainter& p) {
        p.translate(-origin);
        // The close button: a light circle with the cross.
        const QRectF close(buttonRect(Button::close));
        p.setPen(Qt::NoPen);
        p.setBrush(faded(Qt::white, 0.22));
        p.drawEllipse(close);
        // Symbols a size up: the icon set draws within a margin of its box.
        Glyph cross{QStringLiteral("xmark"), 13, Tint::white};
        cross.colour = faded(Qt::white, 0.95);
        symbols::paint(p, close, cross);
        symbols::paint(p, QRectF(buttonRect(Button::pin)), {pinSymbol(), 14, Tint::white});
        symbols::paint(p, QRectF(buttonRect(Button::preferences)), {QStringLiteral("gearshape.fill"), 14, Tint::white});

        // The name over the installed line, centred between the buttons.
        const qreal left = close.right() + kSpacing;
        const qreal right = buttonRect(Button::pin).left() - kSpacing;
        kText.paint(p, QRectF(left, origin.y() + kTop, right - left, height - kTop - kBottom), textLines(m_line));

        // The glow bar along the bottom edge.
        const QRectF bar(origin.x() + 10, origin.y() + height - 2, width - 20, 2);
        QLinearGradient g(bar.topLeft(), bar.topRight());
        g.setStops({{0, faded(AppTheme::neonHighlight(a), 0.85)}, {0.5, faded(AppTheme::neonGlow(a), 0.45)},
                    {1, Qt::transparent}});
        neon::fillRoundedPath(p, bar, 1, g);
    });
}

void PreviewHeader::paint(QPainter& p, qreal dpr) const
{
    const QImage picture = body(dpr);
    neon::paintShadows(p, key(), picture, m_geometry.topLeft(), shadows(AppTheme::appearance()));
    neon::drawImage(p, m_geometry.topLeft(), picture);
}

} // namespace tw
