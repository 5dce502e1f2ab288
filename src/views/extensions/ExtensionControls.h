#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QStringList>

class QMenu;

// Small controls of the Extensions tab that the kit does not have (yet).
namespace tw::extensions {

// A one-point rule between the parts of a column.
class Divider : public QWidget {
    Q_OBJECT
public:
    explicit Divider(QWidget* parent = nullptr);
    static QColor colour();

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A filled push button with a white title: accentTint, or gray at 0.35
// while disabled. The second press of a double click is not a click, so a
// double click acts once.
class ProminentButton : public QAbstractButton {
    Q_OBJECT
public:
    ProminentButton(const QString& title, qreal points, QFont::Weight weight, QWidget* parent = nullptr);

    QColor fillColour() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    QFont m_font;
};

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
