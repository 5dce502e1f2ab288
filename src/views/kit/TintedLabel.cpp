#include "views/kit/TintedLabel.h"

#include "views/kit/Mirror.h"

#include <QEvent>

namespace tw {

TintedLabel::TintedLabel(const QString& text, Tint tint, const QFont& font, QWidget* parent)
    : QLabel(text, parent)
    , m_tint(tint)
{
    // Texts may come from the disk: markup in them is shown, never interpreted.
    setTextFormat(Qt::PlainText);
    setFont(font);
    restyle();
    alignToLeadingSide();
    onThemeChange(this, [this] { restyle(); });
}

void TintedLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        alignToLeadingSide();
}

void TintedLabel::alignToLeadingSide()
{
    // QLabel would align by the text's own direction: an English text at
    // the left of a right-to-left layout.
    const Qt::Alignment a = alignment();
    if (a & (Qt::AlignHCenter | Qt::AlignJustify))
        return;
    setAlignment((a & ~Qt::AlignHorizontal_Mask) | Mirror::leading(*this));
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
