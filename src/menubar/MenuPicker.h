#pragma once

#include <QAbstractButton>
#include <QStringList>

class QMenu;

namespace tw {

// A pop-up menu picker: a bordered box showing the current choice's title
// and a chevron; a click opens a menu with one checkable
// entry per title. chosen(index) follows a choice, after the picker shows it.
class MenuPicker : public QAbstractButton {
    Q_OBJECT
public:
    explicit MenuPicker(const QStringList& titles, QWidget* parent = nullptr);

    int current() const { return m_current; }
    void setCurrent(int index);
    QString currentTitle() const { return m_titles.value(m_current); }
    QMenu* menu() const { return m_menu; }
    QSize sizeHint() const override;

signals:
    void chosen(int index);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList m_titles;
    int m_current = 0;
    QMenu* m_menu;
};

} // namespace tw
