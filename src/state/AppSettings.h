#pragma once

#include "platform/Services.h"

#include <QObject>

namespace tw {

// The three persisted switches. Each key is written as true when it is absent
// at creation; a key holding anything is read with the platform's boolean
// reading and never rewritten at start.
class AppSettings : public QObject {
    Q_OBJECT
public:
    explicit AppSettings(Settings& settings, QObject* parent = nullptr);
    static AppSettings& shared();

    static inline const QString showMenuBarPreviewKey = QStringLiteral("settings.showMenuBarPreview");
    static inline const QString detectTrashRemovalsKey = QStringLiteral("settings.detectTrashRemovals");
    static inline const QString runInBackgroundKey = QStringLiteral("settings.runInBackground");

    bool showMenuBarPreview() const { return m_showMenuBarPreview; }
    bool detectTrashRemovals() const { return m_detectTrashRemovals; }
    bool runInBackground() const { return m_runInBackground; }

    // Each setter writes its key at once (also for the current value); the
    // signal is sent only when the value changes.
    void setShowMenuBarPreview(bool on);
    void setDetectTrashRemovals(bool on);
    void setRunInBackground(bool on);

signals:
    void showMenuBarPreviewChanged(bool on);
    void detectTrashRemovalsChanged(bool on);
    void runInBackgroundChanged(bool on);

private:
    Settings& m_settings;
    bool m_showMenuBarPreview = true;
    bool m_detectTrashRemovals = true;
    bool m_runInBackground = true;
};

} // namespace tw
