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
    if (m_binding.set)
        m_binding.set(wanted);
    // The binding may have been replaced meanwhile (a row rebound by the write).
    if (m_binding)
        setChecked(m_binding.get());
}

} // namespace tw
