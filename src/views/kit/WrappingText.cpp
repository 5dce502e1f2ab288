#include "views/kit/WrappingText.h"

#include "views/kit/NeonShapes.h"

#include <QTextDocument>
#include <QWheelEvent>

#include <cmath>

namespace tw {

WrappingText::WrappingText(Tint tint, const QFont& font, bool selectable, QWidget* parent)
    : QTextEdit(parent)
    , m_tint(tint)
{
    setReadOnly(true);
    setAcceptRichText(false);
    setFrameShape(QFrame::NoFrame);
    setFont(font);
    document()->setDefaultFont(font);
    document()->setDocumentMargin(0);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTextInteractionFlags(selectable ? Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard
                                       : Qt::NoTextInteraction);
    setFocusPolicy(selectable ? Qt::ClickFocus : Qt::NoFocus);
    if (!selectable) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        viewport()->setCursor(Qt::ArrowCursor);
    }
    viewport()->setAutoFillBackground(false);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    restyle();
    onThemeChange(this, [this] { restyle(); });
}

void WrappingText::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    setPlainText(text);
    updateGeometry();
}

int WrappingText::heightForWidth(int width) const
{
    // The document is laid out at this width anyway when the widget gets it.
    QTextDocument* doc = document();
    if (std::abs(doc->textWidth() - width) > 0.5)
        doc->setTextWidth(std::max(1, width));
    return int(std::ceil(doc->size().height()));
}

QSize WrappingText::sizeHint() const
{
    const int width = std::max(this->width(), 120);
    return {width, heightForWidth(width)};
}

QSize WrappingText::minimumSizeHint() const
{
    return {40, QFontMetrics(font()).height()};
}

void WrappingText::resizeEvent(QResizeEvent* event)
{
    QTextEdit::resizeEvent(event);
    if (heightForWidth(width()) != height())
        updateGeometry();
}

void WrappingText::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}

void WrappingText::restyle()
{
    const AppAppearance a = AppTheme::appearance();
    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, tintColour(m_tint, a));
    pal.setColor(QPalette::Highlight, neon::faded(accentTint(a), 0.45));
    pal.setColor(QPalette::HighlightedText, primaryTextTint(a));
    setPalette(pal);
    viewport()->setPalette(pal);
}

} // namespace tw
