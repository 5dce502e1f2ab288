#pragma once

// The program's own login item: the platform service that starts the program
// when the user logs in. The host stands in with an XDG autostart entry.

#include "platform/FileSystem.h"
#include "platform/Result.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace tw {

class MainAppService {
public:
    enum class ItemStatus { notRegistered, enabled, requiresApproval, notFound };

    virtual ~MainAppService() = default;
    // Registers the program as a login item (again, when it already is one).
    virtual Status registerItem() = 0;
    virtual ItemStatus status() = 0;
    // Where the user approves login items, most specific first; the texts
    // need not all be valid addresses.
    virtual QStringList settingsAddresses() = 0;
};

// The status as its name reads: "notRegistered", "enabled", "requiresApproval", "notFound".
QString statusDescription(MainAppService::ItemStatus status);

namespace host {

struct AutostartIdentity {
    QString applicationId;  // the entry's file name without ".desktop"
    QString name;           // shown by the desktop's session settings
    QString executable;     // host path of the program
};

// The autostart folder of the home the program runs on: inside the mapped
// root when there is one, else $XDG_CONFIG_HOME (when absolute) or
// <home>/.config, followed by "/autostart". A logical path of fs.
QString autostartFolder(const FileSystem& fs, const QString& xdgConfigHome);

// The Exec value that runs the executable with no arguments: the path in
// double quotes with the characters the desktop's quoting rules reserve
// escaped, "%" doubled, then escaped once more as a desktop string value.
// None when the path holds a control character other than tab, line feed
// and carriage return, which a desktop entry cannot carry.
std::optional<QString> desktopExecValue(const QString& executable);

// The autostart entry <folder>/<applicationId>.desktop, written atomically.
// It is enabled when it exists, parses, and is neither hidden nor disabled.
// settingsAddresses() makes the folder and names it as a file URL (its
// nearest existing parent when it cannot be made).
std::unique_ptr<MainAppService> makeAutostartService(FileSystem fs, AutostartIdentity identity,
                                                     const QString& xdgConfigHome);

} // namespace host
} // namespace tw
