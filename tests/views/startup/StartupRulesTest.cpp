// The Startup tab's rules: search, selection, and the detail's texts.

#include "support/Collect.h"
#include "support/Printers.h"
#include "views/kit/SearchText.h"
#include "views/startup/StartupRules.h"

#include <gtest/gtest.h>

using namespace tw;
using namespace tw::startupview;
using tw::test::collect;

namespace {

RemovableItem entry(const QString& title, const QString& path, const QString& category = "Launch Agent",
                    const QString& parent = {})
{
    RemovableItem i;
    i.title = title;
    i.path = path;
    i.category = category;
    i.parentName = parent;
    return i;
}

QStringList values(const QList<InfoRow>& rows) { return collect(rows, &InfoRow::value); }

} // namespace

TEST(StartupRules, SearchComparesComposedFormsWithoutCase)
{
    const struct {
        QString field, search;
        bool matches;
    } cases[] = {
        {"Dropbox", "", true},
        {"Dropbox", "DROP", true},
        {"Dropbox", "box ", false},
        {"Caf\u00e9 Helper", "CAFE\u0301", true},  // typed decomposed, stored composed
        {"Cafe\u0301", "caf\u00e9", true},
        {"Cafe", "caf\u00e9", false},
        {"", "a", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(searchMatches(c.field, c.search), c.matches) << c.field.toStdString() << " / " << c.search.toStdString();
}

TEST(StartupRules, SelectionPrefersTheShownEntryThenAnyAtThePath)
{
    // Two entries at one path: the search shows only the second.
    const QList<RemovableItem> items{entry("a", "/x.plist"), entry("b", "/y.plist"), entry("c", "/x.plist")};
    EXPECT_EQ(selectedIndex(items, {0, 1, 2}, std::nullopt), -1);
    EXPECT_EQ(selectedIndex(items, {0, 1, 2}, QString("/x.plist")), 0);
    EXPECT_EQ(selectedIndex(items, {1, 2}, QString("/x.plist")), 2);
    EXPECT_EQ(selectedIndex(items, {1}, QString("/x.plist")), 0);  // hidden, still selected
    EXPECT_EQ(selectedIndex(items, {0, 1, 2}, QString("/z.plist")), -1);
    EXPECT_EQ(selectedIndex(items, {0, 1, 2}, QString("/X.plist")), -1);  // paths compare exactly
    EXPECT_EQ(filterIndices(items, "B"), QList<int>{1});
    EXPECT_EQ(filterIndices(items, "agent"), (QList<int>{0, 1, 2}));
}

TEST(StartupRules, ShowApplicationAndPathFollowTheOwner)
{
    RemovableItem owned = entry("sync", "/Users/a/Library/LaunchAgents/sync.plist");
    owned.parentAppPath = "/Applications/Sync.app";
    const struct {
        RemovableItem item;
        bool offers;
        QString path;
    } cases[] = {
        {owned, true, "/Applications/Sync.app"},
        {entry("Notes", "/Applications/Notes.app"), true, "/Applications/Notes.app"},
        {entry("Loud", "/Applications/Loud.APP"), false, "/Applications/Loud.APP"},  // case counts
        {entry("plain", "/Library/LaunchAgents/plain.plist"), false, "/Library/LaunchAgents/plain.plist"},
        {entry("dot", "/Applications/.app"), false, "/Applications/.app"},  // a hidden name, no extension
    };
    for (const auto& c : cases) {
        EXPECT_EQ(offersShowApplication(c.item), c.offers) << c.item.path.toStdString();
        EXPECT_EQ(displayPath(c.item), c.path);
    }
}

TEST(StartupRules, InformationRowsFallBackWhenAValueIsMissing)
{
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    RemovableItem full = entry("Agent", "/Library/LaunchAgents/a.plist", "Launch Agent", "Vendor");
    full.size = 4096;
    full.modifiedDate = QDateTime(QDate(2025, 3, 4), QTime(17, 6), Qt::LocalTime);
    full.parentAppPath = "/Applications/Vendor.app";
    const QList<InfoRow> rows = infoRows(full, us);
    EXPECT_EQ(collect(rows, &InfoRow::label),
              (QStringList{"Parent application", "Agent created", "Agent size", "Path"}));
    EXPECT_EQ(values(rows), (QStringList{"Vendor", "Mar 4, 2025, " + us.toString(QTime(17, 6), QLocale::ShortFormat),
                                         "4 KB", "/Applications/Vendor.app"}));

    RemovableItem bare = entry("Lonely", "/Library/LaunchAgents/l.plist");
    EXPECT_EQ(values(infoRows(bare, us)), (QStringList{"Lonely", "-", "-", "/Library/LaunchAgents/l.plist"}));
    bare.size = -5;
    bare.modifiedDate = QDateTime();  // an invalid date is no date
    EXPECT_EQ(values(infoRows(bare, us)), (QStringList{"Lonely", "-", "-", "/Library/LaunchAgents/l.plist"}));
    bare.size = 999;
    EXPECT_EQ(values(infoRows(bare, us))[2], "Zero KB");
}

TEST(StartupRules, DatesDropTheWeekdayAndShortenTheMonth)
{
    const QDateTime when(QDate(2025, 12, 6), QTime(9, 30), Qt::LocalTime);
    const struct {
        QLocale locale;
        QString date;
    } cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "Dec 6, 2025"},
        {QLocale(QLocale::German, QLocale::Germany), "6. Dez. 2025"},
        {QLocale(QLocale::English, QLocale::UnitedKingdom), "6 Dec 2025"},
    };
    for (const auto& c : cases) {
        const QString text = abbreviatedDateTime(when, c.locale);
        EXPECT_EQ(text, c.date + ", " + c.locale.toString(QTime(9, 30), QLocale::ShortFormat)) << text.toStdString();
    }
}

TEST(StartupRules, ButtonTitles)
{
    EXPECT_EQ(enableButtonTitle(true), "Disable");
    EXPECT_EQ(enableButtonTitle(false), "Enable");
}
