#include "views/kit/WrappingText.h"

#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/TextLines.h"

#include <QMimeData>

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
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
    alignToLeadingSide();
    onThemeChange(this, [this] { restyle(); });
}

void WrappingText::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    showText();
}

void WrappingText::setLeftToRight(bool on)
{
    if (on == m_leftToRight)
        return;
    m_leftToRight = on;
    showText();
}

void WrappingText::showText()
{
    setPlainText(m_leftToRight && !m_text.isEmpty() ? text::leftToRight(text::singleLine(m_text)) : m_text);
    updateGeometry();
}

void WrappingText::changeEvent(QEvent* event)
{
    QTextEdit::changeEvent(event);
    if (event->type() == QEvent::LayoutDirectionChange)
        alignToLeadingSide();
}

void WrappingText::alignToLeadingSide()
{
    QTextOption option = document()->defaultTextOption();
    option.setAlignment(Mirror::leading(*this));
    document()->setDefaultTextOption(option);
}

QMimeData* WrappingText::createMimeDataFromSelection() const
{
    auto* data = new QMimeData;
    data->setText(text::withoutIsolates(textCursor().selection().toPlainText()));
    return data;
}

int WrappingText::heightForWidth(int width) const
{
    // Measured at that width, then laid out again at the width it is shown
    // at: a layout asks about widths the widget never gets.
    QTextDocument* doc = document();
    const qreal shown = doc->textWidth();
    const qreal asked = std::max(1, width);
    if (std::abs(shown - asked) <= 0.5)
        return int(std::ceil(doc->size().height()));
    doc->setTextWidth(asked);
    const int height = int(std::ceil(doc->size().height()));
    doc->setTextWidth(shown);
    return height;
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
