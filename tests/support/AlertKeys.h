#pragma once

#include "views/kit/AlertDialog.h"

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace tw::test {

// Answers each alert that comes up with one key, as a user at the keyboard
// would, once it is on screen with the focus it takes. It notes the titles
// answered and those the key left open; an alert left open is closed as
// Escape would, so that a deaf alert fails a test rather than hangs it.
class AlertKeys : public QObject {
public:
    AlertKeys(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
        : m_key(key)
        , m_modifiers(modifiers)
    {
        qApp->installEventFilter(this);
    }

    QStringList answered;
    QStringList leftOpen;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* alert = qobject_cast<AlertDialog*>(watched);
        if (alert && event->type() == QEvent::Show)
            // Once it runs its own loop.
            QTimer::singleShot(0, this, [this, alert = QPointer<AlertDialog>(alert)] { press(alert); });
        return false;
    }

private:
    void press(AlertDialog* alert)
    {
        if (!alert || !alert->isVisible())
            return;
        QWidget* focus = QApplication::focusWidget();
        QTest::keyClick(focus && alert->isAncestorOf(focus) ? focus : alert, m_key, m_modifiers);
        if (alert->isVisible()) {
            leftOpen << alert->prompt().title;
            alert->reject();
        } else {
            answered << alert->prompt().title;
        }
    }

    Qt::Key m_key;
    Qt::KeyboardModifiers m_modifiers;
};

} // namespace tw::test
