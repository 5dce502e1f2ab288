#include "views/applications/ApplicationLists.h"

#include "Records.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::apps;
using namespace tw::test;

namespace {

// Sets the default locale for one test and puts the previous one back.
struct LocaleScope {
    QLocale saved;
    explicit LocaleScope(const char* name) { QLocale::setDefault(QLocale(QString::fromUtf8(name))); }
    ~LocaleScope() { QLocale::setDefault(saved); }
};

// The scanner's order: equal names (case aside), a group, never-used entries.
struct Catalogue {
    AppInfoPtr zoom = makeApp({"zoom.us", "us.zoom.xos", 5'000, utc(1'700'000'000)});
    AppInfoPtr notesUpper = makeApp({"Notes", "com.example.Notes", 2'000, std::nullopt});
    AppInfoPtr idle = makeApp({"IDLE", "org.python.IDLE", 1'000, utc(1'600'000'000)});
    AppInfoPtr launcher = makeApp({"Python Launcher", "org.python.PythonLauncher", 1'500, std::nullopt});
    AppInfoPtr python = makeGroup(QStringLiteral("Python 3.12"), {idle, launcher});
    AppInfoPtr notesLower = makeApp({"notes", "org.other.notes", 2'000, std::nullopt});
    AppInfoPtr alpha = makeApp({"Alpha", "com.example.alpha", 9'000, utc(1'800'000'000)});
    QList<AppInfoPtr> apps{zoom, notesUpper, python, notesLower, alpha};
};

} // namespace

TEST(AppSearch, MatchesNameOrIdentifierOfTheEntryOrAnyMember)
{
    Catalogue c;
    const std::pair<const char*, QStringList> cases[] = {
        {"", {"Alpha", "Notes", "notes", "Python 3.12", "zoom.us"}},
        {"NOTES", {"Notes", "notes"}},
        {"us.zoom", {"zoom.us"}},
        {"PythonLauncher", {"Python 3.12"}},  // a member's identifier brings the group in
        {"idle", {"Python 3.12"}},
        {" ", {"Python 3.12"}},               // used as typed: a search for a space
        {"nothing like it", {}},
    };
    for (const auto& [search, expected] : cases)
        EXPECT_EQ(names(filterApps(c.apps, QString::fromUtf8(search), AppSort::name)), expected) << search;
    // The group is listed whole: its members are not filtered.
    const auto found = filterApps(c.apps, QStringLiteral("idle"), AppSort::name);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found.front()->members().size(), 2u);
}

TEST(AppSearch, OrdersAreStableAndNeverUsedComesLast)
{
    Catalogue c;
    addLeftover(c.notesLower, QStringLiteral("/Users/tester/Library/Caches/org.other.notes"), 4'000);
    // Name: equal names keep the scanner's order.
    EXPECT_EQ(names(filterApps(c.apps, {}, AppSort::name)),
              (QStringList{"Alpha", "Notes", "notes", "Python 3.12", "zoom.us"}));
    // Size: the display size counts leftovers; equal sizes keep the scanner's order.
    c.notesUpper->setAppSize(2'500);
    EXPECT_EQ(names(filterApps(c.apps, {}, AppSort::size)),
              (QStringList{"Alpha", "notes", "zoom.us", "Notes", "Python 3.12"}));
    // Date: newest first; never-used entries last, in the scanner's order.
    EXPECT_EQ(names(filterApps(c.apps, {}, AppSort::date)),
              (QStringList{"Alpha", "zoom.us", "Notes", "Python 3.12", "notes"}));
}

TEST(AppSearch, EqualSizesKeepTheScannersOrderUnderTheSizeSort)
{
    QList<AppInfoPtr> apps;
    for (const char* n : {"d", "b", "c", "a"})
        apps << makeApp({n, n, 7'000});
    EXPECT_EQ(names(filterApps(apps, {}, AppSort::size)), (QStringList{"d", "b", "c", "a"}));
    EXPECT_EQ(names(filterApps(apps, {}, AppSort::date)), (QStringList{"d", "b", "c", "a"}));
}

TEST(RemainsSearch, TitleOnlyAndSizeOrdersForBothSizeAndDate)
{
    auto item = [](const char* title, const char* subtitle, std::int64_t size) {
        RemovableItem r;
        r.title = QString::fromUtf8(title);
        r.subtitle = QString::fromUtf8(subtitle);
        r.path = QStringLiteral("/Users/tester/Library/") + r.title;
        r.size = size;
        return r;
    };
    const QList<RemovableItem> remains{item("evernote", "com.evernote", 10), item("Dropbox", "dropbox sync", 300),
                                       item("Transmit", "panic", 300), item("dropbox helper", "", 50)};
    auto titles = [](const QList<RemovableItem>& l) { return collect(l, &RemovableItem::title); };

    EXPECT_EQ(titles(filterRemains(remains, {}, AppSort::name)),
              (QStringList{"Dropbox", "dropbox helper", "evernote", "Transmit"}));
    EXPECT_EQ(titles(filterRemains(remains, {}, AppSort::size)),
              (QStringList{"Dropbox", "Transmit", "dropbox helper", "evernote"}));
    EXPECT_EQ(filterRemains(remains, {}, AppSort::date), filterRemains(remains, {}, AppSort::size));
    // The subtitle is not searched.
    EXPECT_EQ(titles(filterRemains(remains, QStringLiteral("DROPBOX"), AppSort::name)),
              (QStringList{"Dropbox", "dropbox helper"}));
    EXPECT_TRUE(filterRemains(remains, QStringLiteral("panic"), AppSort::name).isEmpty());
    // The positions point at the same entries of the cleaner's list.
    const QList<int> rows = filterRemainIndices(remains, QStringLiteral("o"), AppSort::size);
    const QList<RemovableItem> shown = filterRemains(remains, QStringLiteral("o"), AppSort::size);
    ASSERT_EQ(rows.size(), shown.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        EXPECT_EQ(remains[rows[i]].id, shown[i].id);
}

TEST(DetailSubject, SingleItselfGroupFirstTickedElseFirstMember)
{
    Catalogue c;
    EXPECT_EQ(detailSubject(nullptr), nullptr);
    EXPECT_EQ(detailSubject(c.zoom), c.zoom);
    EXPECT_EQ(detailSubject(c.idle), c.idle);
    EXPECT_EQ(detailSubject(c.python), c.idle);
    c.launcher->setSelected(true);
    EXPECT_EQ(detailSubject(c.python), c.launcher);
    c.idle->setSelected(true);
    EXPECT_EQ(detailSubject(c.python), c.idle);
}

TEST(DateTexts, LastUsedThresholdAndAbbreviatedStyle)
{
    LocaleScope american("en_US");
    const std::pair<std::optional<QDateTime>, const char*> cases[] = {
        {std::nullopt, "—"},
        {QDateTime(), "—"},
        {utc(0), "—"},
        {utc(kLastUsedThreshold), "—"},
        {utc(kLastUsedThreshold).addMSecs(1), "Nov 9, 2004"},
        {utc(kLastUsedThreshold + 1), "Nov 9, 2004"},
        {QDateTime(QDate(2024, 3, 15), QTime(12, 0)), "Mar 15, 2024"},
    };
    for (const auto& [when, text] : cases)
        EXPECT_EQ(lastUsedLabel(when), QString::fromUtf8(text)) << (when ? when->toString().toStdString() : "none");
}

TEST(DateTexts, AbbreviatedDateFollowsTheLocaleWithoutWeekdayOrTime)
{
    const QDateTime when(QDate(2024, 3, 15), QTime(23, 0));  // a Friday
    for (const char* name : {"en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "ru_RU"}) {
        LocaleScope scope(name);
        const QLocale locale;
        const QString text = abbreviatedDate(when);
        EXPECT_TRUE(text.contains(QStringLiteral("2024"))) << name << ": " << text.toStdString();
        EXPECT_FALSE(text.contains(locale.dayName(5, QLocale::LongFormat))) << name << ": " << text.toStdString();
        const QString longMonth = locale.monthName(3, QLocale::LongFormat);
        if (longMonth != locale.monthName(3, QLocale::ShortFormat)) {
            EXPECT_FALSE(text.contains(longMonth)) << name << ": " << text.toStdString();
        }
        EXPECT_FALSE(text.contains(QStringLiteral("23"))) << name;
    }
}

TEST(FolderText, DropsTheUsersPrefixOnly)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/Users/ann/Applications/Notes.app", "ann/Applications"},
        {"/Users/ann/Library/Caches/com.example", "ann/Library/Caches"},
        {"/Applications/Notes.app", "/Applications"},
        {"/Applications/Notes.app/", "/Applications"},
        {"/Notes.app", "/"},
        {"/UsersX/a/b", "/UsersX/a"},
    };
    for (const auto& [item, folder] : cases)
        EXPECT_EQ(folderText(QString::fromUtf8(item)), QString::fromUtf8(folder)) << item;
}
