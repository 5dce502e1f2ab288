#pragma once

#include "views/kit/Tints.h"

#include <QAbstractButton>

namespace tw {

// A borderless button whose label is one line of text in a tint (the
// Updates tab's show-all buttons): dimmed while pressed or disabled.
class TextButton : public QAbstractButton {
    Q_OBJECT
public:
    TextButton(const QString& title, Tint tint, const QFont& font, QWidget* parent = nullptr);

    // Changes the title only when it differs.
    void setTitle(const QString& title);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Tint m_tint;
};

} // namespace tw
