#pragma once

#include "views/kit/Tints.h"

#include <QTextEdit>

namespace tw {

// Plain text in a tint that wraps at word boundaries and, where a word is
// longer than the line (a path, a reverse-DNS label), anywhere; its height
// follows its width. Selectable texts can be selected and copied as they
// are. Never rich text; no frame, no background, no scroll bars of its own
// (the wheel goes to the enclosing scroll view).
class WrappingText : public QTextEdit {
    Q_OBJECT
public:
    WrappingText(Tint tint, const QFont& font, bool selectable, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    // Changes the text only when it differs.
    void setText(const QString& text);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void restyle();

    Tint m_tint;
    QString m_text;
};

} // namespace tw
