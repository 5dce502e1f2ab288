#pragma once

#include "views/kit/Tints.h"

#include <QAbstractButton>

namespace tw {

// A borderless button whose label is one line of text in a tint, with the
// pointing hand over it (the Updates tab's show-all buttons, the quick
// panes' links to the window): dimmed while pressed or disabled.
class TextButton : public QAbstractButton {
    Q_OBJECT
public:
    TextButton(const QString& title, Tint tint, const QFont& font, QWidget* parent = nullptr);

    // Changes the title only when it differs.
    void setTitle(const QString& title);
    // Sized to the text's whole-pixel line alone, no room around it (a link
    // in a footer line).
    void setCompact(bool compact);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Tint m_tint;
    bool m_compact = false;
};

} // namespace tw
