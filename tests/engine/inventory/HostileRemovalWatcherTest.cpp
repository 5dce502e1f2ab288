// The removal watcher's start-up snapshot over bundles whose Info.plist
// would stop a careless reader: a FIFO, NUL characters, a reference bomb.

#include "engine/inventory/AppRemovalWatcher.h"
#include "engine/inventory/AppScanner.h"
#include "platform/ThreadPool.h"
#include "support/BinaryPlist.h"
#include "support/FakePlatform.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tw;
using tw::test::FakePlatform;

TEST(HostileRemovalWatcher, StartsOverInfoPlistsThatBlockOrBombAndNamesThoseBundlesByTheirFolder)
{
    FakePlatform fake;
    auto& tree = fake.tree();
    tree.makeTrash();
    tree.makeApp("/Applications/Good.app", "com.example.good", "Good");
    tree.mkdir("/Applications/Fifo.app/Contents");
    ASSERT_EQ(::mkfifo(fake.fs().toHost("/Applications/Fifo.app/Contents/Info.plist").constData(), 0600), 0);
    tw::test::BinaryPlist nul;
    const int key = nul.ascii("CFBundleIdentifier"), value = nul.utf16(std::u16string(u"com.\0nul", 8));
    tree.write("/Users/tester/Applications/Nul.app/Contents/Info.plist", nul.finish(nul.dict({key}, {value})));
    tree.write("/Applications/Bomb.app/Contents/Info.plist", tw::test::referenceBomb(40));

    AppScanner scanner(fake.platform());
    RemovalWatcherHost host;
    host.detectionEnabled = [] { return false; };
    host.offerPending = [] { return false; };
    host.publishOffer = [](RemainCleanupOffer) {};
    host.rescanRemains = [](const QSet<QString>&, const QSet<QString>&) {};
    AppRemovalWatcher watcher(fake.platform(), std::move(host),
                              [](const Platform&, const QString&, const QString&, const std::optional<QString>&) {
                                  return std::vector<LeftoverItem>{};
                              });
    QSignalSpy rebuilt(&watcher, &AppRemovalWatcher::snapshotRebuilt);
    watcher.start(&scanner);
    ASSERT_TRUE(rebuilt.wait(10000));  // read on the pool
    EXPECT_TRUE(watcher.isReady());

    using Tracked = AppRemovalWatcher::TrackedApp;
    const auto& known = watcher.knownApps();
    EXPECT_EQ(known.value("/Applications/Good.app"), (Tracked{"/Applications/Good.app", "Good", "com.example.good"}));
    EXPECT_EQ(known.value("/Applications/Fifo.app"), (Tracked{"/Applications/Fifo.app", "Fifo", ""}));
    EXPECT_EQ(known.value("/Applications/Bomb.app"), (Tracked{"/Applications/Bomb.app", "Bomb", ""}));
    EXPECT_EQ(known.value("/Users/tester/Applications/Nul.app"), (Tracked{"/Users/tester/Applications/Nul.app", "Nul", ""}));
    tw::waitForEnginePool();
}
