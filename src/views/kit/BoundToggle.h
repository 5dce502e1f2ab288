#pragma once

#include "views/kit/Binding.h"

#include <QAbstractButton>

namespace tw {

// A two-state control bound to a value that lives elsewhere. A click by the
// user writes the new value through the binding, once, and the control then
// shows what the value holds (so a model that refuses the change leaves the
// control as it was). refresh() shows a change made elsewhere and writes
// nothing back. Without a binding it keeps its own state, as a checkable
// button does. clicked(bool) follows every user click.
class BoundToggle : public QAbstractButton {
    Q_OBJECT
public:
    // Replaces the binding (a reused row binds its new record) and shows its value.
    void bind(Binding<bool> binding);
    // Shows the bound value when it differs from what is shown.
    void refresh();
    bool isOn() const { return isChecked(); }

protected:
    explicit BoundToggle(QWidget* parent);
    void nextCheckState() override;

private:
    Binding<bool> m_binding;
};

} // namespace tw
