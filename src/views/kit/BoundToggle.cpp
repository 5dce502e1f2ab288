#include "views/kit/BoundToggle.h"

namespace tw {

BoundToggle::BoundToggle(QWidget* parent)
    : QAbstractButton(parent)
{
    setCheckable(true);
}

void BoundToggle::bind(Binding<bool> binding)
{
    m_binding = std::move(binding);
    refresh();
}

void BoundToggle::refresh()
{
    if (m_binding && m_binding.get() != isChecked())
        setChecked(m_binding.get());
}

void BoundToggle::nextCheckState()
{
    // Only a click comes here (setChecked does not).
    const bool wanted = !isChecked();
    if (!m_binding) {
        setChecked(wanted);
        return;
    }
    // A copy runs: the write may replace the binding (a row rebound by it).
    if (const auto set = m_binding.set)
        set(wanted);
    if (m_binding)
        setChecked(m_binding.get());
}

} // namespace tw
