#include "views/kit/TintedLabel.h"

namespace tw {

TintedLabel::TintedLabel(const QString& text, Tint tint, const QFont& font, QWidget* parent)
    : QLabel(text, parent)
    , m_tint(tint)
{
    // Texts may come from the disk: markup in them is shown, never interpreted.
    setTextFormat(Qt::PlainText);
    setFont(font);
    restyle();
    onThemeChange(this, [this] { restyle(); });
}

void TintedLabel::setTint(Tint tint)
{
    m_tint = tint;
    restyle();
}

void TintedLabel::restyle()
{
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, tintColour(m_tint));
    setPalette(pal);
}

} // namespace tw
