// The startup-item and extension loaders over a busy Mac tree, against one
// `du -sk` child process per browser extension folder.

#include "engine/cleaner/Extensions.h"
#include "engine/cleaner/StartupItems.h"
#include "support/FakePlatform.h"

#include <QBuffer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>

#include "BenchSupport.h"
#include <benchmark/benchmark.h>

using namespace tw;

namespace {

constexpr int kAgents = 150;
constexpr int kApps = 120;
constexpr int kExtensionsPerProfile = 20;
constexpr int kProfiles = 3;
constexpr int kBrowsers = 6;
constexpr int kDownloads = 3000;

QStringList& extensionFolders()
{
    static QStringList folders;
    return folders;
}

test::FakePlatform& fixture()
{
    static test::FakePlatform* p = [] {
        auto* fp = new test::FakePlatform;
        auto& t = fp->tree();
        for (int i = 0; i < kAgents; ++i) {
            const QString folder = i % 3 == 0 ? t.home() + "/Library/LaunchAgents"
                : i % 3 == 1                  ? QStringLiteral("/Library/LaunchAgents")
                                              : QStringLiteral("/Library/LaunchDaemons");
            t.writePlist(folder + QStringLiteral("/job%1.plist").arg(i),
                         {{"Label", QStringLiteral("job%1").arg(i)},
                          {"ProgramArguments", QVariantList{QStringLiteral("/Applications/App%1.app/Contents/MacOS/agent").arg(i % kApps)}},
                          {"AssociatedBundleIdentifiers", QStringLiteral("com.vendor.app%1").arg(i)}},
                         i % 2);
        }
        QByteArray png;
        {
            QImage image(128, 128, QImage::Format_ARGB32);
            image.fill(Qt::blue);
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            image.save(&buffer, "PNG");
        }
        for (int i = 0; i < kApps; ++i) {
            const QString app = QStringLiteral("/Applications/App%1.app").arg(i);
            t.makeApp(app, QStringLiteral("com.vendor.app%1").arg(i), QStringLiteral("App %1").arg(i));
            t.makeApp(app + QStringLiteral("/Contents/Library/LoginItems/App%1LoginHelper.app").arg(i),
                      QStringLiteral("com.vendor.app%1.helper").arg(i), QStringLiteral("Helper"));
            t.mkdir(app + QStringLiteral("/Contents/PlugIns/Widget.appex/Contents"));
            t.writePlist(app + QStringLiteral("/Contents/PlugIns/Widget.appex/Contents/Info.plist"),
                         {{"CFBundleName", QStringLiteral("Widget %1").arg(i)},
                          {"NSExtension", QVariantMap{{"NSExtensionPointIdentifier", "com.apple.widgetkit-extension"}}}});
        }
        const char* roots[] = {"Google/Chrome", "Microsoft Edge", "BraveSoftware/Brave-Browser",
                               "Arc/User Data", "Vivaldi", "com.operasoftware.Opera"};
        const char* profiles[] = {"Default", "Profile 1", "Profile 2"};
        for (int b = 0; b < kBrowsers; ++b)
            for (int pr = 0; pr < kProfiles; ++pr)
                for (int e = 0; e < kExtensionsPerProfile; ++e) {
                    const QString ext = t.home() + QStringLiteral("/Library/Application Support/") + QLatin1String(roots[b])
                        + QLatin1Char('/') + QLatin1String(profiles[pr]) + QStringLiteral("/Extensions/ext%1").arg(e);
                    extensionFolders() << t.host(ext);
                    for (const char* version : {"1.0", "2.0"}) {
                        const QString dir = ext + QLatin1Char('/') + QLatin1String(version);
                        t.write(dir + "/manifest.json",
                                QJsonDocument(QJsonObject{{"name", "__MSG_appName__"},
                                                          {"icons", QJsonObject{{"128", "icons/i128.png"}}}})
                                    .toJson());
                        t.write(dir + "/_locales/en/messages.json",
                                QJsonDocument(QJsonObject{{"appName", QJsonObject{{"message", QStringLiteral("Extension %1").arg(e)}}}})
                                    .toJson());
                        t.write(dir + "/icons/i128.png", png);
                        for (int f = 0; f < 30; ++f)
                            t.writeSized(dir + QStringLiteral("/js/f%1.js").arg(f), 2000);
                    }
                }
        for (int i = 0; i < kDownloads; ++i)
            t.writeSized(t.home() + QStringLiteral("/Downloads/file%1.%2").arg(i).arg(i % 10 == 0 ? "dmg" : "zip"), 100);
        for (int i = 0; i < 40; ++i)
            t.writeSized(QStringLiteral("/Library/Screen Savers/Saver%1.saver/Contents/x").arg(i), 1000);
        return fp;
    }();
    return *p;
}

void BM_LoadStartupItems(benchmark::State& state)
{
    auto& p = fixture();
    for (auto _ : state) {
        auto items = tw::startup::loadStartupItems(p);
        benchmark::DoNotOptimize(items);
        if (items.size() != kAgents + kApps)
            state.SkipWithError("wrong item count");
    }
}
BENCHMARK(BM_LoadStartupItems)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadAllExtensions(benchmark::State& state)
{
    auto& p = fixture();
    const qsizetype expected = kDownloads / 10 + kBrowsers * kProfiles * kExtensionsPerProfile + 40 + 80;
    for (auto _ : state) {
        auto items = tw::extensions::loadAllExtensions(p);
        benchmark::DoNotOptimize(items);
        if (items.size() != expected)
            state.SkipWithError("wrong item count");
    }
}
BENCHMARK(BM_LoadAllExtensions)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadBrowserExtensions(benchmark::State& state)
{
    auto& p = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::extensions::loadBrowserExtensions(p));
}
BENCHMARK(BM_LoadBrowserExtensions)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadInstallationFiles(benchmark::State& state)
{
    auto& p = fixture();
    for (auto _ : state)
        benchmark::DoNotOptimize(tw::extensions::loadInstallationFiles(p));
}
BENCHMARK(BM_LoadInstallationFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

// One du per extension folder, as a loader that shells out would size them.
void BM_DuPerExtensionFolder(benchmark::State& state)
{
    fixture();
    for (auto _ : state) {
        for (const QString& folder : extensionFolders())
            tw::bench::runDu({QStringLiteral("-sk"), folder});
    }
}
BENCHMARK(BM_DuPerExtensionFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

TIDEWELL_BENCHMARK_MAIN()
