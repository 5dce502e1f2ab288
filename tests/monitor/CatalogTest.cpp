#include "monitor/MacHardwareCatalog.h"
#include "platform/PropertyList.h"
#include "support/Printers.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace tw {
void PrintTo(const MacModelInfo& m, std::ostream* os) { *os << m.displayTitle().toStdString(); }
} // namespace tw

using namespace tw;
namespace catalog = tw::machardwarecatalog;

namespace {

std::optional<double> inches(double v) { return v; }

catalog::DivadaTables tables(catalog::Table numbers, catalog::Table dates) { return {std::move(numbers), std::move(dates)}; }

const catalog::DivadaTables kNoLists;

} // namespace

TEST(Catalog, HoldsEveryRowOnceWithItsFamilyCounts)
{
    const auto& all = catalog::catalog();
    EXPECT_EQ(all.size(), 119);
    std::map<QString, int> families;
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        ++families[it->family];
        EXPECT_TRUE(it.key().contains(u',')) << it.key().toStdString();
    }
    const std::map<QString, int> expected{{"MacBook Pro", 55}, {"iMac", 22}, {"MacBook Air", 18},
                                          {"Mac mini", 9},     {"Mac Studio", 6}, {"Mac Pro", 4},
                                          {"MacBook", 3},      {"iMac Pro", 1},  {"Mac Pro Display XDR", 1}};
    EXPECT_EQ(families, expected);

    const std::pair<const char*, MacModelInfo> rows[] = {
        {"MacBookPro18,3", {"MacBook Pro", 14, 2021}}, {"Mac14,7", {"MacBook Pro", 13, 2022}},
        {"Mac16,13", {"MacBook Air", 15, 2025}},       {"Mac15,14", {"MacBook Air", 15, 2025}},
        {"iMac14,4", {"iMac", 21.5, 2014}},            {"Mac17,5", {"iMac", 24, 2026}},
        {"iMacPro1,1", {"iMac Pro", 27, 2017}},        {"Mac14,12", {"Mac mini", std::nullopt, 2023}},
        {"Mac17,2", {"Mac Studio", std::nullopt, 2025}}, {"ADP3,2", {"Mac Pro Display XDR", std::nullopt, 2020}},
        {"MacBook10,1", {"MacBook", 12, 2017}},        {"Mac17,9", {"MacBook Pro", 16, 2026}},
    };
    for (const auto& [id, info] : rows)
        EXPECT_EQ(catalog::lookup(id), info) << id;
}

TEST(Catalog, LooksUpTrimmedIdentifiersAndThenTheTextBeforeTheComma)
{
    EXPECT_EQ(catalog::lookup(" MacBookPro18,3\n"), catalog::lookup("MacBookPro18,3"));
    EXPECT_EQ(catalog::lookup("MacBookPro18"), std::nullopt);  // no row is keyed without a comma
    EXPECT_EQ(catalog::lookup("   "), std::nullopt);
    EXPECT_EQ(catalog::lookup("macbookpro18,3"), std::nullopt);  // keys are exact

    const catalog::Table t{{"MacBookPro18", "A2442"}, {"Mac14,7", "A2338"}};
    EXPECT_EQ(catalog::divadaValue(t, "MacBookPro18,3"), "A2442");
    EXPECT_EQ(catalog::divadaValue(t, "\tMac14,7 "), "A2338");
    EXPECT_EQ(catalog::divadaValue(t, "Mac14,5"), std::nullopt);
    EXPECT_EQ(catalog::divadaValue(t, ""), std::nullopt);
}

TEST(Catalog, TitlesPrintWholeSizesWithoutDecimalsAndYearsWithoutGrouping)
{
    const std::pair<MacModelInfo, const char*> titles[] = {
        {{"MacBook Pro", 14, 2021}, "MacBook Pro (14-inch, 2021)"},
        {{"iMac", 21.5, 2017}, "iMac (21.5-inch, 2017)"},
        {{"Mac mini", std::nullopt, 2023}, "Mac mini (2023)"},
        {{"Ann’s PC", 13.25, 12024}, "Ann’s PC (13.2-inch, 12024)"},
    };
    for (const auto& [info, title] : titles)
        EXPECT_EQ(info.displayTitle(), title);
}

TEST(Catalog, ModelNumbersGiveScreenSizes)
{
    const std::pair<const char*, std::optional<double>> sizes[] = {
        {"A2442", 14},      {" a2442 ", 14},       {"A1418", 21.5},    {"A3389", 15},
        {"A1534", 12},      {"A2439", 24},         {"A1419", 27},      {"A2681", 13},
        {"A2787", 16},      {"A", std::nullopt},   {"B2442", std::nullopt}, {"A9999", std::nullopt},
        {"", std::nullopt}, {"2442", std::nullopt},
    };
    for (const auto& [number, size] : sizes)
        EXPECT_EQ(catalog::screenInches(number), size) << number;
}

TEST(Catalog, MeasuredDiagonalsSnapToTheNearestMarketingSizeTiesToTheSmaller)
{
    const std::pair<std::optional<double>, std::optional<double>> cases[] = {
        {12.5, 12},          {19.25, 17},        {13.3, 13},           {32, 27},
        {1, 11},             {23.8, 24},         {0, std::nullopt},    {-3, std::nullopt},
        {std::numeric_limits<double>::quiet_NaN(), std::nullopt},      {std::nullopt, std::nullopt},
    };
    for (const auto& [diagonal, size] : cases)
        EXPECT_EQ(catalog::nearestMarketingInches(diagonal), size) << diagonal.value_or(-1);
}

TEST(Catalog, ReleaseDatesAreRestyledAndGiveTheirYear)
{
    EXPECT_EQ(catalog::formatReleaseDateDivadaStyle(" October 26, 2021\n"), "26 October, 2021");
    EXPECT_EQ(catalog::formatReleaseDateDivadaStyle("June 5, 2023"), "5 June, 2023");
    EXPECT_EQ(catalog::formatReleaseDateDivadaStyle(" Late 2021 "), "Late 2021");
    EXPECT_EQ(catalog::formatReleaseDateDivadaStyle("26 October, 2021"), "26 October, 2021");

    EXPECT_EQ(catalog::introYear("October 26, 2021"), 2021);
    EXPECT_EQ(catalog::introYear(" 26 October, 2021 "), 2021);
    EXPECT_EQ(catalog::introYear("2021-10-26"), std::nullopt);
    EXPECT_EQ(catalog::introYear("Late 2021"), std::nullopt);
}

TEST(Catalog, ResolveLetsTheModelNumberOverrideTheCatalogSizeButNeverTheDiagonal)
{
    // A catalog row with a screen: the model number's size wins; a diagonal is ignored.
    const auto numbered = tables({{"MacBookPro18,3", "A2485"}}, {});
    EXPECT_EQ(catalog::resolve("MacBookPro18,3", "x", inches(27), numbered),
              (MacModelInfo{"MacBook Pro", 16, 2021}));
    EXPECT_EQ(catalog::resolve("MacBookPro18,3", "x", inches(27), kNoLists), (MacModelInfo{"MacBook Pro", 14, 2021}));
    // A number outside the table keeps the catalog's size.
    EXPECT_EQ(catalog::resolve("MacBookPro18,3", "x", {}, tables({{"MacBookPro18", "A1234"}}, {})),
              (MacModelInfo{"MacBook Pro", 14, 2021}));

    // No built-in screen: the model number, else the measured display, else none.
    EXPECT_EQ(catalog::resolve("Mac14,3", "x", inches(27.2), kNoLists)->displayTitle(), "Mac mini (27-inch, 2023)");
    EXPECT_EQ(catalog::resolve("Mac14,3", "x", {}, kNoLists)->displayTitle(), "Mac mini (2023)");
    EXPECT_EQ(catalog::resolve("Mac14,3", "x", inches(27), tables({{"Mac14,3", "A2439"}}, {}))->screenInches, 24);

    // The release-date list's year wins over the catalog's, in either form.
    EXPECT_EQ(catalog::resolve("Mac14,3", "x", {}, tables({}, {{"Mac14", "January 17, 2024"}}))->introYear, 2024);
    EXPECT_EQ(catalog::resolve("Mac14,3", "x", {}, tables({}, {{"Mac14,3", "17 January, 2025"}}))->introYear, 2025);
    EXPECT_EQ(catalog::resolve("Mac14,3", "x", {}, tables({}, {{"Mac14,3", "early 2024"}}))->introYear, 2023);
}

TEST(Catalog, ResolveFallsBackToTheFamilyGivenForUnknownModels)
{
    EXPECT_EQ(catalog::resolve("Mac99,1", "Ann’s Mac", {}, kNoLists, 2030), std::nullopt);
    EXPECT_EQ(catalog::resolve("Mac99,1", "Ann’s Mac", inches(13.3), kNoLists, 2030),
              (MacModelInfo{"Ann’s Mac", 13, 2030}));
    EXPECT_EQ(catalog::resolve("Mac99,1", "Ann’s Mac", {}, tables({{"Mac99", "A2442"}}, {{"Mac99,1", "March 3, 2031"}}), 2030),
              (MacModelInfo{"Ann’s Mac", 14, 2031}));
    // Without a year of its own and none given, this year.
    EXPECT_EQ(catalog::resolve("Mac99,1", "Ann’s Mac", inches(24), kNoLists)->introYear, QDate::currentDate().year());
}

TEST(Catalog, ListsKeepStringsAndFirstStringsOfArraysAndNothingElse)
{
    const QByteArray xml = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>MacBookPro18,3</key><string>A2442</string>
  <key> Mac14,7</key><string>A2338</string>
  <key>Mac14,2</key><array><string>A2681</string><string>A9999</string></array>
  <key>Mac14,5</key><array/>
  <key>Mac14,6</key><integer>2485</integer>
  <key>Mac14,9</key><dict><key>a</key><string>b</string></dict>
  <key>Mac14,10</key><array><integer>1</integer></array>
</dict></plist>)";
    const catalog::Table expected{{"MacBookPro18,3", "A2442"}, {" Mac14,7", "A2338"}, {"Mac14,2", "A2681"}};
    EXPECT_EQ(catalog::divadaTableFrom(xml), expected);
    // Lists whose root is no dictionary, or that do not parse, are empty.
    EXPECT_TRUE(catalog::divadaTableFrom("<plist><array><string>A</string></array></plist>").isEmpty());
    EXPECT_TRUE(catalog::divadaTableFrom("<plist><dict><key>A</key>").isEmpty());
    EXPECT_TRUE(catalog::divadaTableFrom("").isEmpty());
}

TEST(Catalog, TheLoaderReadsNamedListsAndTreatsMissingOrMalformedOnesAsEmpty)
{
    QTemporaryDir dir;
    const QString folder = dir.path() + u'/';
    const auto write = [&](const char* name, const QByteArray& data) {
        QFile f(folder + QString::fromLatin1(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
    };
    write("Numbers.plist", "<plist><dict><key>Mac14,7</key><string>A2338</string></dict></plist>");
    write("Broken.plist", "<plist><dict><key>Mac14,7</key>");
    write("Numbers.txt", "<plist><dict><key>x</key><string>y</string></dict></plist>");
    QDir(folder).mkdir(QStringLiteral("Folder.plist"));
    EXPECT_EQ(catalog::loadDivadaPlist("Numbers", folder), (catalog::Table{{"Mac14,7", "A2338"}}));
    EXPECT_TRUE(catalog::loadDivadaPlist("Broken", folder).isEmpty());
    EXPECT_TRUE(catalog::loadDivadaPlist("Missing", folder).isEmpty());
    EXPECT_TRUE(catalog::loadDivadaPlist("Folder", folder).isEmpty());
}

TEST(Catalog, TheShippedListsAreValidDictionaries)
{
    for (const char* name : {"DivadaModelNumbers", "DivadaReleaseDates"}) {
        QFile f(QStringLiteral(":/") + QString::fromLatin1(name) + QStringLiteral(".plist"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << name;
        const QByteArray data = f.readAll();
        const auto root = plist::parse(data);
        ASSERT_TRUE(root) << name;
        EXPECT_EQ(root->typeId(), QMetaType::QVariantMap) << name;
        // Every entry must be usable, so that the whole list loads.
        EXPECT_EQ(catalog::divadaTableFrom(data).size(), root->toMap().size()) << name;
    }
}
