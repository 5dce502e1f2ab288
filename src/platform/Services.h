#pragma once

// The platform services the engines reach, each behind a small interface with
// a host implementation (HostPlatform.cpp) and a fake for tests
// (tests/support/FakePlatform.h). Paths are logical (Mac-style) paths; the
// host implementations map them through the FileSystem.

#include "platform/Icon.h"
#include "platform/Result.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tw {

// What a child process left when it exited. A process that cannot be
// started is an unavailable error instead.
struct ProcessOutput {
    int exitCode = -1;
    QByteArray standardOutput;
    QByteArray standardError;
};

// Spotlight's name search ("mdfind -onlyin folder query").
class Spotlight {
public:
    virtual ~Spotlight() = default;
    // The tool's standard output; unavailable when it cannot run.
    virtual Result<QByteArray> find(const QString& folder, const QString& query) = 0;
};

// The metadata index's last-used date of an item.
class MetadataIndex {
public:
    virtual ~MetadataIndex() = default;
    virtual std::optional<QDateTime> lastUsedDate(const QString& path) = 0;
};

// The privacy (TCC) databases, read-only.
class PrivacyStore {
public:
    virtual ~PrivacyStore() = default;
    // The distinct services granted (auth_value > 0) to a client, compared in
    // lower case; an error when the database cannot be opened or queried.
    virtual Result<QStringList> grantedServices(const QString& databasePath, const QString& clientLower) = 0;
};

// The platform's own "move to Trash" as the user. Never overwrites, and
// never follows a link in the item's parent folders or at the Trash's place:
// pass the item with its parents resolved. Out of file descriptors once
// the wait for one has given up, it fails as POSIX EMFILE or ENFILE.
class TrashMover {
public:
    virtual ~TrashMover() = default;
    virtual Status trashItem(const QString& path) = 0;
};

// An administrator-authorised "create the Trash folder, then move source to
// destination without overwriting". The three paths travel as separate
// arguments, never inside command text. Fails as unavailable when no prompt
// can be shown (its description, when it has one, says why), else as a
// script error (code -128 when the user cancelled); a move that fails after
// the prompt names the item as the program does, with the failure's reason.
class AdminRunner {
public:
    virtual ~AdminRunner() = default;
    virtual Status moveIntoTrash(const QString& trashFolder, const QString& source, const QString& destination) = 0;
    // The program is quitting: a prompt still waiting is withdrawn (its move
    // fails as cancelled) and every later move fails as unavailable, so
    // that no background move keeps the program from ending. A move already
    // authorised runs to its end. Any thread.
    virtual void endRequests() {}
};

struct RunningApp {
    qint64 pid = 0;
    QString bundlePath;  // standardized logical path of its bundle; empty when it has none
};

class RunningApps {
public:
    virtual ~RunningApps() = default;
    virtual std::vector<RunningApp> list() = 0;
    virtual void terminate(const RunningApp& app) = 0;  // the polite request
};

// launchctl, and the user whose "gui/<uid>" domain holds the user's jobs.
class Launchd {
public:
    virtual ~Launchd() = default;
    // Unavailable when the tool cannot be started.
    virtual Result<ProcessOutput> launchctl(const QStringList& arguments) = 0;
    virtual unsigned userId() const = 0;
};

// The login items of the "System Events" scripting interface. Names and
// paths travel as data. Each call fails as unavailable when the scripting
// service cannot be reached, else as a script error.
class LoginItems {
public:
    virtual ~LoginItems() = default;
    virtual Result<QString> list() = 0;  // one "name<TAB>path" line per item
    virtual Status add(const QString& path) = 0;
    virtual Status remove(const QString& name, const QString& path) = 0;
};

class Workspace {
public:
    virtual ~Workspace() = default;
    // Handed on to the desktop, which tells the user itself when it fails.
    virtual void open(const QUrl& url) = 0;
    virtual void openPath(const QString& path) = 0;  // opens a file or launches an application
    virtual void reveal(const QString& path) = 0;
    // The application registered for a bundle identifier. Thread-safe.
    virtual std::optional<QString> applicationPath(const QString& bundleId) = 0;
};

struct HttpResponse {
    bool transportError = false;  // no connection, timeout, or an answer that did not arrive whole
    int status = 0;               // the HTTP status, 0 when there is none
    QByteArray body;
    QString errorText;
};

class HttpCall {
public:
    virtual ~HttpCall() = default;
    virtual void abort() = 0;  // done is not called after abort
};

class HttpClient {
public:
    virtual ~HttpClient() = default;
    // A plain GET whose only header of our own is "User-Agent". done runs
    // once, on the calling thread's event loop.
    virtual std::shared_ptr<HttpCall> get(const QUrl& url, std::chrono::milliseconds timeout,
                                          const QByteArray& userAgent,
                                          std::function<void(const HttpResponse&)> done) = 0;
};

// The platform's reading of a stored boolean: numbers are true when non-zero,
// texts when they read "yes", "true" or "1" in any letter case.
bool readStoredBool(const QVariant& v);

// User defaults.
class Settings {
public:
    virtual ~Settings() = default;
    virtual QVariant value(const QString& key) const = 0;  // invalid when absent
    virtual void setValue(const QString& key, const QVariant& value) = 0;

    bool contains(const QString& key) const { return value(key).isValid(); }
    bool boolValue(const QString& key) const { return readStoredBool(value(key)); }
    std::optional<QString> stringValue(const QString& key) const;
};

class SystemLocale {
public:
    virtual ~SystemLocale() = default;
    virtual QStringList preferredLanguages() const = 0;  // BCP 47 tags, most preferred first
};

// The program's one clock: wall time for what is shown and stored, a
// monotonic reading for elapsed times, and a blocking wait.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Since an arbitrary fixed point; never goes back.
    virtual std::chrono::nanoseconds monotonic() const = 0;
    virtual void sleep(std::chrono::milliseconds duration) = 0;  // blocks the calling thread
};

} // namespace tw
