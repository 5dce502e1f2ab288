#include "engine/cleaner/SystemCleaner.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <unistd.h>

using namespace tw;
using tw::test::FakePlatform;

namespace {

const QString kLib = QStringLiteral("/Users/tester/Library");
const QString kTrash = QStringLiteral("/Users/tester/.Trash");

RemovableItem item(const QString& path, bool selected, const QStringList& related = {})
{
    RemovableItem i;
    i.title = path.section(u'/', -1);
    i.path = path;
    i.isSelected = selected;
    i.relatedPaths = related;
    return i;
}

} // namespace

TEST(TrashSelected, OnlySelectedSafePathsMoveAndTheReportSaysWhich)
{
    FakePlatform fp;
    const QString pref = kLib + "/Preferences/com.gone.tool.plist";
    const QString support = kLib + "/Application Support/com.gone.tool";
    const QString logs = kLib + "/Logs/Gone Tool";
    const QString lone = kLib + "/Caches/com.lone.thing";
    const QString skipped = kLib + "/Caches/com.kept.thing";
    for (const QString& p : {pref, support + "/db", logs + "/a.log", lone + "/c", skipped + "/c"})
        fp.tree().write(p, p.toUtf8());
    fp.tree().makeApp("/Applications/Gone.app", "com.gone.tool", "Gone");

    SystemCleaner cleaner(fp.platform());
    const QList<RemovableItem> remains{
        item(pref, true, {pref, support, kLib + "/Caches", logs, "/Applications/Gone.app"}),
        item(lone, true),
        item(skipped, false),
    };
    cleaner.setRemainingFiles(remains);

    const TrashReport r = cleaner.trashSelected(remains);
    EXPECT_EQ(r.moved, (QStringList{pref, support, logs, lone}));
    EXPECT_EQ(r.failed, (QStringList{kLib + "/Caches", "/Applications/Gone.app"}));
    EXPECT_EQ(fp.tree().read(kTrash + "/com.gone.tool.plist"), pref.toUtf8());
    EXPECT_EQ(fp.tree().read(kTrash + "/com.gone.tool/db"), (support + "/db").toUtf8());
    EXPECT_EQ(fp.tree().read(kTrash + "/Gone Tool/a.log"), (logs + "/a.log").toUtf8());
    EXPECT_EQ(fp.tree().read(kTrash + "/com.lone.thing/c"), (lone + "/c").toUtf8());
    EXPECT_TRUE(fp.tree().exists(skipped + "/c"));
    EXPECT_TRUE(fp.tree().exists(kLib + "/Caches"));
    EXPECT_TRUE(fp.tree().exists("/Applications/Gone.app"));
    // The lists are the callers' to change.
    EXPECT_EQ(cleaner.remainingFiles().size(), 3);
    EXPECT_EQ(cleaner.orphanCountForMenuBar(), 0);
}

TEST(TrashSelected, AFailedMoveIsSilentAndTheOthersStillGo)
{
    FakePlatform fp;
    const QString stuck = kLib + "/Caches/com.stuck.one";
    const QString free = kLib + "/Caches/com.free.one";
    fp.tree().write(stuck, "s");
    fp.tree().write(free, "f");
    if (::geteuid() == 0) {
        ASSERT_EQ(::lchown(fp.fs().toHost(stuck).constData(), 4242, 4242), 0);
    }
    fp.trash->fail = [&](const QString& p) -> std::optional<Error> {
        if (p == stuck)
            return Error{kCocoaErrorDomain, 512, QStringLiteral("strange")};
        return std::nullopt;
    };
    SystemCleaner cleaner(fp.platform());
    const TrashReport r = cleaner.trashSelected({item(stuck, true), item(free, true), item(free, true, {free, stuck})});
    EXPECT_EQ(r.moved, QStringList{free});
    EXPECT_EQ(r.failed, QStringList{stuck});
    EXPECT_EQ(fp.trash->calls, (QStringList{stuck, free}));  // each path tried once
    EXPECT_TRUE(fp.admin->calls.empty());

    // Nothing selected: nothing is tried.
    fp.trash->calls.clear();
    const TrashReport none = cleaner.trashSelected({item(stuck, false), item(free, false)});
    EXPECT_TRUE(none.moved.isEmpty() && none.failed.isEmpty());
    EXPECT_TRUE(fp.trash->calls.isEmpty());
}
