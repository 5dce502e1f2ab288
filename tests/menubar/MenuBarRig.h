#pragma once

#include "state/AppNavigation.h"
#include "state/AppSettings.h"
#include "engine/updates/UpdateChecker.h"
#include "menubar/MenuBarController.h"
#include "monitor/SystemMonitor.h"
#include "support/FakeStatusArea.h"
#include "support/MonitorFakes.h"
#include "support/ProcTree.h"
#include "support/ScanGates.h"
#include "support/ShellHarness.h"
#include "views/kit/KeyFocus.h"

#include <QHash>
#include <QSemaphore>
#include <QTimer>
#include <gtest/gtest.h>

namespace tw::test {

// Answers each address with a canned response on the next turn of the event
// loop; any other address fails as a transport error. Nothing leaves the process.
struct CannedHttp final : HttpClient {
    QHash<QString, HttpResponse> answers;
    QStringList asked;

    struct Call final : HttpCall {
        bool aborted = false;
        void abort() override { aborted = true; }
    };

    std::shared_ptr<HttpCall> get(const QUrl& url, std::chrono::milliseconds, const QByteArray&,
                                  std::function<void(const HttpResponse&)> done) override
    {
        asked << url.toString();
        auto call = std::make_shared<Call>();
        HttpResponse response;
        response.transportError = true;
        response = answers.value(url.toString(), response);
        auto answer = [call, response, done = std::move(done)] {
            if (!call->aborted)
                done(response);
        };
        if (hold)
            held.push_back(std::move(answer));
        else
            QTimer::singleShot(0, std::move(answer));
        return call;
    }

    bool hold = false;  // answers wait for release()
    std::vector<std::function<void()>> held;
    void release()
    {
        hold = false;
        for (const std::function<void()>& answer : std::exchange(held, {}))
            QTimer::singleShot(0, answer);
    }
};

inline HttpResponse answer(const QByteArray& body)
{
    HttpResponse r;
    r.status = 200;
    r.body = body;
    return r;
}

// A record of an application that exists in the fake tree.
inline AppInfoPtr appIn(FakePlatform& fake, const QString& name, const QString& version = QStringLiteral("1.0"),
                        const QVariantMap& info = {}, std::int64_t size = 1'000'000)
{
    BundleRecipe recipe;
    recipe.identifier = QStringLiteral("com.example.") + name.toLower();
    recipe.name = name;
    recipe.version = version;
    recipe.extra = info;
    AppFields f;
    f.name = name;
    f.bundleIdentifier = recipe.identifier;
    f.path = fake.tree().makeApp(QStringLiteral("/Applications/") + name + QStringLiteral(".app"), recipe);
    f.version = version;
    f.appSize = size;
    return AppInfo::make(f);
}

// A record that exists only as a record (sizes, flags, groups).
inline AppInfoPtr record(const QString& name, std::int64_t size, bool system = false)
{
    AppFields f;
    f.name = name;
    f.bundleIdentifier = QStringLiteral("com.example.") + name.toLower();
    f.path = QStringLiteral("/Applications/") + name + QStringLiteral(".app");
    f.appSize = size;
    f.isSystemApp = system;
    return AppInfo::make(f);
}

// Runs what was posted, deferred deletions included.
inline void settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// The menu bar controller over the fake shell: a fake status area, a
// monitor over a fixture /proc, canned update answers, a clock and a quit
// the test holds.
struct MenuBarRig {
    ShellHarness shell;
    FakeStatusArea area;
    ProcTree proc;
    LinuxProcReaders host{proc.root()};
    FakeIdentity identity;
    FakeMonitorClock monitorClock;
    SystemMonitor monitor{{&host, &identity, &monitorClock}};
    CannedHttp http;
    std::unique_ptr<Platform> checkerPlatform = withHttp(shell.fake, http);
    qint64 ms = 10'000;
    // Monotonic time is ms, as the test sets it.
    struct RigClock final : Clock {
        const qint64& ms;
        explicit RigClock(const qint64& ms) : ms(ms) {}
        QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC); }
        std::chrono::nanoseconds monotonic() const override { return std::chrono::milliseconds(ms); }
        void sleep(std::chrono::milliseconds) override {}
    } clock{ms};
    int quits = 0;
    std::unique_ptr<MenuBarController> controller = [this] {
        keyfocus::installStyle();  // as the program's start-up does
        return std::make_unique<MenuBarController>(
            MenuBarController::Services{area, *checkerPlatform, [this]() -> SystemMonitor& { return monitor; },
                                        [this]() -> Prompter& { return shell.prompter; }, [this] { ++quits; },
                                        &clock},
            shell.state->settings(), shell.state->navigation(), shell.state->theme());
    }();

    ~MenuBarRig()
    {
        drainScans(shell.scanner.get(), shell.cleaner.get());
        controller.reset();
        settle();
    }

    AppNavigation& navigation() { return shell.state->navigation(); }
    AppSettings& settings() { return shell.state->settings(); }
    ThemeManager& theme() { return shell.state->theme(); }
    MenuBarController& c() { return *controller; }
    void install()
    {
        controller->install(*shell.scanner, *shell.cleaner);
        settle();
    }
    void click(StatusItem::Click which = StatusItem::Click::primary)
    {
        ASSERT_NE(area.item, nullptr);
        area.item->click(which);
    }

    static std::unique_ptr<Platform> withHttp(FakePlatform& f, HttpClient& http)
    {
        const Platform& p = f.platform();
        Platform::Parts parts;
        parts.fs = &p.fs();
        parts.spotlight = &p.spotlight();
        parts.metadata = &p.metadata();
        parts.privacy = &p.privacy();
        parts.trash = &p.trash();
        parts.admin = &p.admin();
        parts.runningApps = &p.runningApps();
        parts.launchd = &p.launchd();
        parts.loginItems = &p.loginItems();
        parts.workspace = &p.workspace();
        parts.http = &http;
        parts.settings = &p.settings();
        parts.locale = &p.locale();
        parts.clock = &p.clock();
        return std::make_unique<Platform>(parts);
    }
};

} // namespace tw::test
