#pragma once

// Factories of the host implementations, composed by HostPlatform.

#include "platform/FileSystem.h"
#include "platform/Services.h"

#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

namespace tw::host {

std::unique_ptr<Spotlight> makeSpotlight();
std::unique_ptr<MetadataIndex> makeMetadataIndex();
std::unique_ptr<PrivacyStore> makePrivacyStore(const FileSystem& fs);
std::unique_ptr<TrashMover> makeTrashMover(const FileSystem& fs);
std::unique_ptr<AdminRunner> makeAdminRunner(const FileSystem& fs);
std::unique_ptr<RunningApps> makeRunningApps(const FileSystem& fs);
std::unique_ptr<Launchd> makeLaunchd();
std::unique_ptr<LoginItems> makeLoginItems();
std::unique_ptr<Workspace> makeWorkspace(const FileSystem& fs);
// What tests change in the HTTP client; the program uses the defaults.
struct HttpClientOptions {
    QByteArray caCertificates;             // PEM, trusted instead of the system's when given
    std::function<void()> onTransferWork;  // called from every step of a transfer, on its thread
};
std::unique_ptr<HttpClient> makeHttpClient(HttpClientOptions options = {});
std::unique_ptr<Settings> makeSettings();
std::unique_ptr<SystemLocale> makeSystemLocale();
std::unique_ptr<Clock> makeClock();

// What the administrator move runs (after pkexec): a fixed shell text with
// the three host paths as its positional arguments.
QStringList adminMoveArguments(const QString& trash, const QString& source, const QString& destination);

// Whether the desktop has something to open the address with: one of the
// launchers Qt hands addresses to (xdg-open first) or, for an address that is
// not a file, a browser named by $DEFAULT_BROWSER or $BROWSER.
bool hasDesktopLauncher(const QUrl& url);

// Reads the host's font configuration on the engine pool, so that the first
// font the interface asks for finds it loaded. Needs no application object:
// it can run while the application connects to the display.
void prepareFontConfiguration();

// The Trash's own error sentences, shared with the fakes.
Error trashError(int err, const QString& name);

} // namespace tw::host
