#include "state/AppSettings.h"

#include "state/SharedState.h"

#include <utility>

namespace tw {

// ---- AppSettings -------------------------------------------------------------

AppSettings::AppSettings(Settings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    if (!settings.contains(showMenuBarPreviewKey))
        settings.setValue(showMenuBarPreviewKey, true);
    if (!settings.contains(detectTrashRemovalsKey))
        settings.setValue(detectTrashRemovalsKey, true);
    m_showMenuBarPreview = settings.boolValue(showMenuBarPreviewKey);
    m_detectTrashRemovals = settings.boolValue(detectTrashRemovalsKey);
    if (!settings.contains(runInBackgroundKey))
        settings.setValue(runInBackgroundKey, true);
    m_runInBackground = settings.boolValue(runInBackgroundKey);
}

AppSettings& AppSettings::shared()
{
    return SharedState::instance().settings();
}

void AppSettings::setShowMenuBarPreview(bool on)
{
    m_settings.setValue(showMenuBarPreviewKey, on);
    if (std::exchange(m_showMenuBarPreview, on) != on)
        emit showMenuBarPreviewChanged(on);
}

void AppSettings::setDetectTrashRemovals(bool on)
{
    m_settings.setValue(detectTrashRemovalsKey, on);
    if (std::exchange(m_detectTrashRemovals, on) != on)
        emit detectTrashRemovalsChanged(on);
}

void AppSettings::setRunInBackground(bool on)
{
    m_settings.setValue(runInBackgroundKey, on);
    if (std::exchange(m_runInBackground, on) != on)
        emit runInBackgroundChanged(on);
}

} // namespace tw
