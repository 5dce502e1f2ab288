#include "engine/inventory/ByteFormat.h"
#include "engine/inventory/Models.h"
#include "support/Printers.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <clocale>

using namespace tw;

namespace {

AppInfoPtr app(const QString& path, std::int64_t size = 1000)
{
    AppFields f;
    f.name = path.section('/', -1);
    f.path = path;
    f.appSize = size;
    return AppInfo::make(f);
}

LeftoverPtr leftover(const AppInfoPtr& owner, const QString& path, std::int64_t size, bool selected = true)
{
    auto l = LeftoverFile::make({path, size, QStringLiteral("Caches")});
    l->setIsSelected(selected);
    l->setOwner(owner);
    return l;
}

} // namespace

TEST(ByteFormat, DecimalUnitsAndRounding)
{
    const std::pair<std::int64_t, const char*> cases[] = {
        {0, "Zero KB"},        {-5, "Zero KB"},          {999, "Zero KB"},       {1000, "1 KB"},
        {1499, "1 KB"},        {1500, "2 KB"},           {999500, "1000 KB"},    {1000000, "1 MB"},
        {1260000, "1.3 MB"},   {5040000, "5 MB"},        {999999999, "1000 MB"}, {1000000000, "1.00 GB"},
        {12345678901, "12.35 GB"}};
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(byteformat::string(bytes), QString::fromUtf8(text)) << bytes;
}

TEST(ByteFormat, IgnoresTheProcessLocale)
{
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    EXPECT_EQ(byteformat::string(1260000), "1.3 MB");
    EXPECT_EQ(byteformat::string(12345678901), "12.35 GB");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(AppInfo, SingleApplicationSelection)
{
    auto a = app("/Applications/A.app", 5000);
    EXPECT_FALSE(a->hasUninstallSelection());
    EXPECT_EQ(a->totalReclaimableSize(), 0);
    a->refreshRootSelectionFromFiles();
    EXPECT_FALSE(a->isSelected());  // follows removeAppBundle when there are no leftovers

    a->applyRootSelection(true);
    EXPECT_TRUE(a->hasUninstallSelection());
    EXPECT_TRUE(a->removeAppBundle());
    EXPECT_EQ(a->totalReclaimableSize(), 5000);

    a->setLeftovers({leftover(a, "/x/1", 100, true), leftover(a, "/x/2", 50, false)});
    EXPECT_EQ(a->totalLeftoverSize(), 150);
    EXPECT_EQ(a->displaySize(), 5150);
    EXPECT_EQ(a->totalReclaimableSize(), 5100);
    a->refreshRootSelectionFromFiles();
    EXPECT_FALSE(a->isSelected());
    a->leftovers()[1]->setSelected(true, RootSync::Refresh);
    EXPECT_TRUE(a->isSelected());
}

TEST(AppInfo, LeftoverSelectionNotifiesItsOwnerOnlyOnChange)
{
    auto a = app("/Applications/A.app");
    auto l = leftover(a, "/x/1", 10, true);
    a->setLeftovers({l});
    QSignalSpy ownerChanged(a.get(), &AppInfo::changed);
    l->setSelected(true, RootSync::Refresh);
    EXPECT_EQ(ownerChanged.count(), 0);
    l->setSelected(false, RootSync::Skip);
    EXPECT_EQ(ownerChanged.count(), 1);
    EXPECT_FALSE(l->isSelected());

    // A leftover that outlived its application has no owner and notifies nobody.
    a.reset();
    l->setSelected(true, RootSync::Refresh);
    EXPECT_TRUE(l->isSelected());
    EXPECT_EQ(l->owner(), nullptr);
}

TEST(AppInfo, GroupFiguresComeFromTheMembers)
{
    auto group = app("/Applications/Vendor", 100);
    auto m1 = app("/Applications/Vendor/A.app", 1000);
    auto m2 = app("/Applications/Vendor/B.app", 2000);
    auto m3 = app("/Applications/Vendor/C.app", 3000);
    group->setMembers({m1, m2, m3});
    EXPECT_EQ(group->memberCountLabel(), "3 Applications");
    EXPECT_EQ(group->displaySize(), 6000);

    m1->applyRootSelection(true);
    m2->applyRootSelection(true);
    group->refreshRootSelectionFromFiles();
    EXPECT_FALSE(group->isSelected());
    EXPECT_TRUE(group->hasUninstallSelection());
    EXPECT_EQ(group->totalReclaimableSize(), 3000);

    group->applyRootSelection(true);
    EXPECT_TRUE(m3->removeAppBundle());
    EXPECT_EQ(group->totalReclaimableSize(), 6000);

    auto big = app("/Applications/Big", 1'000'000);
    big->setMembers({app("/Applications/Big/A.app", 10)});
    EXPECT_EQ(big->displaySize(), 1'000'000);
    EXPECT_EQ(big->memberCountLabel(), "1 Application");
}

TEST(AppInfo, ARecordFromADraftMarksOnlyAUserApplicationsBundle)
{
    auto draft = [](const QString& name, bool system = false) {
        AppDraft d;
        d.fields.name = name;
        d.fields.path = QStringLiteral("/Applications/") + name + QStringLiteral(".app");
        d.fields.appSize = 4000;
        d.fields.isSystemApp = system;
        return d;
    };
    // A user's application: the bundle is marked, as found leftovers are ticked,
    // so an untouched one frees its own size too; its row's own box is not ticked.
    const AppInfoPtr single = AppInfo::fromDraft(draft(QStringLiteral("Notes")));
    EXPECT_TRUE(single->removeAppBundle());
    EXPECT_FALSE(single->isSelected());
    EXPECT_TRUE(single->hasUninstallSelection());
    EXPECT_EQ(single->totalReclaimableSize(), 4000);

    EXPECT_FALSE(AppInfo::fromDraft(draft(QStringLiteral("Chess"), true))->removeAppBundle());

    // A group keeps every flag false; its members are applications of their own.
    AppDraft vendor = draft(QStringLiteral("Vendor"));
    vendor.members = {draft(QStringLiteral("One")), draft(QStringLiteral("Two"), true)};
    const AppInfoPtr group = AppInfo::fromDraft(vendor);
    EXPECT_FALSE(group->removeAppBundle());
    EXPECT_FALSE(group->isSelected());
    EXPECT_TRUE(group->members()[0]->removeAppBundle());
    EXPECT_FALSE(group->members()[1]->removeAppBundle());
    EXPECT_FALSE(group->members()[0]->isSelected());

    // Made from bare fields, a record starts with every flag false.
    EXPECT_FALSE(app("/Applications/Bare.app")->removeAppBundle());
}

TEST(AppInfo, PermissionLabelsCategoriesEqualityAndOfferTotal)
{
    auto a = app("/Applications/A.app");
    EXPECT_EQ(a->memberCountLabel(), "1 Application");
    a->setPrivacyPermissionCount(1);
    EXPECT_EQ(a->memberCountLabel(), "1 Permission");
    a->setPrivacyPermissionCount(4);
    EXPECT_EQ(a->memberCountLabel(), "4 Permissions");

    a->setLeftovers({LeftoverFile::make({"/1", 1, "Caches"}), LeftoverFile::make({"/2", 1, "Logs"}),
                     LeftoverFile::make({"/3", 1, "Caches"})});
    EXPECT_EQ(a->leftoverCategories(), (QStringList{"Caches", "Logs"}));

    auto twin = app("/Applications/A.app");
    EXPECT_NE(a->id(), twin->id());
    EXPECT_TRUE(*a == *twin);
    EXPECT_EQ(qHash(*a), qHash(*twin));

    // An offer's total counts every leftover, selected or not.
    RemainCleanupOffer offer;
    offer.leftovers = {LeftoverFile::make({"/1", 100, "Caches"}), LeftoverFile::make({"/2", 23, "Logs"})};
    offer.leftovers[1]->setIsSelected(false);
    EXPECT_EQ(offer.totalSize(), 123);
}
