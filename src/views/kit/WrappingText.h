#pragma once

#include "views/kit/Tints.h"

#include <QTextEdit>

namespace tw {

// Plain text in a tint that wraps at word boundaries and, where a word is
// longer than the line (a path, a reverse-DNS label), anywhere; its height
// follows its width. Selectable texts can be selected and copied as they
// are. Never rich text; no frame, no background, no scroll bars of its own
// (the wheel goes to the enclosing scroll view). Lines stand against the
// leading side of the layout (the right in a right-to-left one), whatever
// the direction the text reads in.
class WrappingText : public QTextEdit {
    Q_OBJECT
public:
    WrappingText(Tint tint, const QFont& font, bool selectable, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    // Changes the text only when it differs.
    void setText(const QString& text);
    // The text is a path, identifier, version or size: it reads as one
    // left-to-right run (text::leftToRight) on one line (text::singleLine),
    // and a selection copies it without the marks that keep it so.
    void setLeftToRight(bool on);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void changeEvent(QEvent* event) override;
    QMimeData* createMimeDataFromSelection() const override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void restyle();
    void alignToLeadingSide();
    void showText();

    Tint m_tint;
    QString m_text;
    bool m_leftToRight = false;
};

} // namespace tw
