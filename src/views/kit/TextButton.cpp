#include "views/kit/TextButton.h"

#include "views/kit/KeyFocus.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw {

TextButton::TextButton(const QString& title, Tint tint, const QFont& font, QWidget* parent)
    : QAbstractButton(parent)
    , m_tint(tint)
{
    setText(title);
    setFont(font);
    setCursor(Qt::PointingHandCursor);
    keyfocus::makeStop(this, 4);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    onThemeChange(this, [this] { update(); });
}

void TextButton::setTitle(const QString& title)
{
    if (title == text())
        return;
    setText(title);
    updateGeometry();
    update();
}

void TextButton::setCompact(bool compact)
{
    m_compact = compact;
    updateGeometry();
}

QSize TextButton::sizeHint() const
{
    if (m_compact) {
        const QFontMetrics m(font());
        return {m.horizontalAdvance(text()) + 2, m.height()};
    }
    const QFontMetricsF m(font());
    return {int(std::ceil(m.horizontalAdvance(text()))) + 2, int(std::ceil(m.height())) + 4};
}

void TextButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (isDown() || !isEnabled())
        p.setOpacity(0.5);
    p.setPen(tintColour(m_tint));
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
}

} // namespace tw
