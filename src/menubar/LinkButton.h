#pragma once

#include <QAbstractButton>

namespace tw {

// A button drawn as a link: its title alone, in the accent colour (dimmed
// while pressed), with the pointing hand over it.
class LinkButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit LinkButton(const QString& title, QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tw
