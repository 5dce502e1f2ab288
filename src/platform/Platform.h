#pragma once

#include "platform/FileSystem.h"
#include "platform/Services.h"

#include <memory>
#include <optional>

namespace tw {

class DesktopPictureSource;
class HostHardware;
class MainAppService;
class ProcReaders;
class ProductArt;
class ProfilerRunner;
class StatusArea;

// The one environment object engines get: the file system and every platform
// service. It does not own them.
class Platform {
public:
    struct Parts {
        const FileSystem* fs = nullptr;
        Spotlight* spotlight = nullptr;
        MetadataIndex* metadata = nullptr;
        PrivacyStore* privacy = nullptr;
        TrashMover* trash = nullptr;
        AdminRunner* admin = nullptr;
        RunningApps* runningApps = nullptr;
        Launchd* launchd = nullptr;
        LoginItems* loginItems = nullptr;
        Workspace* workspace = nullptr;
        HttpClient* http = nullptr;
        Settings* settings = nullptr;
        SystemLocale* locale = nullptr;
        Clock* clock = nullptr;
    };

    explicit Platform(const Parts& parts) : m(parts) {}

    const FileSystem& fs() const { return *m.fs; }
    Spotlight& spotlight() const { return *m.spotlight; }
    MetadataIndex& metadata() const { return *m.metadata; }
    PrivacyStore& privacy() const { return *m.privacy; }
    TrashMover& trash() const { return *m.trash; }
    AdminRunner& admin() const { return *m.admin; }
    RunningApps& runningApps() const { return *m.runningApps; }
    Launchd& launchd() const { return *m.launchd; }
    LoginItems& loginItems() const { return *m.loginItems; }
    Workspace& workspace() const { return *m.workspace; }
    HttpClient& http() const { return *m.http; }
    Settings& settings() const { return *m.settings; }
    SystemLocale& locale() const { return *m.locale; }
    Clock& clock() const { return *m.clock; }

private:
    Parts m;
};

// The host's implementations of every service, over the file system given by
// the environment (TIDEWELL_ROOT, TIDEWELL_HOME), and the host's readers the
// system monitor and the status item are built over. HTTP must be created on
// the GUI thread; so must the status area and the autostart entry.
class HostPlatform {
public:
    explicit HostPlatform(FileSystem fs = FileSystem::fromEnvironment());
    ~HostPlatform();
    HostPlatform(const HostPlatform&) = delete;
    HostPlatform& operator=(const HostPlatform&) = delete;

    const Platform& platform() const { return *m_platform; }
    const FileSystem& fs() const { return m_fs; }

    // The machine's /proc and /sys, its hardware registry and profiler. One
    // caller at a time (the monitor's pass).
    ProcReaders& procReaders() const;
    HostHardware& hardware() const;
    ProfilerRunner& profiler() const;
    // The built-in panel's diagonal in inches: a panel stays what it is, so
    // it is read once.
    std::optional<double> builtInDisplayDiagonal() const;
    // The drawn product pictures and the desktop's picture over fs().
    std::shared_ptr<ProductArt> productArt() const;
    std::shared_ptr<DesktopPictureSource> desktopPictures() const;
    // The program's autostart entry in the home of fs(), named as the
    // application is; made on first use.
    MainAppService& autostart();
    // The desktop's status area; made on first use.
    StatusArea& statusArea();

private:
    struct Impl;
    FileSystem m_fs;
    std::unique_ptr<Impl> d;
    std::unique_ptr<Platform> m_platform;
};

} // namespace tw
