#pragma once

#include <QAbstractButton>
#include <QStringList>

class QMenu;

// A control of the Extensions tab that the kit does not have (yet).
namespace tw::extensions {

// A borderless pull-down: the current choice's title and a chevron; a click
// opens one entry per choice. chosen(index) follows a choice; the owner sets
// what is shown.
class MenuButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit MenuButton(const QStringList& choices, QWidget* parent = nullptr);

    int current() const { return m_current; }
    void setCurrent(int index);
    QMenu* menu() const { return m_menu; }
    QSize sizeHint() const override;

signals:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_choices;
    int m_current = 0;
    QMenu* m_menu;
};

} // namespace tw::extensions
