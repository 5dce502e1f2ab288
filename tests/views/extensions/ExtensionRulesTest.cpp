#include "Entries.h"

#include <gtest/gtest.h>

using namespace tw::extensionsview;
using Kind = ExtensionCategoryKind;

TEST(ExtensionRules, KindMembership)
{
    const struct {
        QString category;
        std::optional<Kind> kind;  // the one kind it belongs to, or none
    } cases[] = {
        {"Installation Files", Kind::installationFiles},
        {"installation files", std::nullopt},  // exact, case-sensitive
        {"Installation Files ", std::nullopt},
        {"Screen Savers", Kind::screenSavers},
        {"Settings Panes", Kind::settingsPanes},
        {"Internet Plugins", Kind::internetPlugins},
        {"Widgets", Kind::widgets},
        {"Safari Extensions", Kind::browserExtensions},
        {"Google Chrome Extensions", Kind::browserExtensions},
        {"Web Browser Extensions", Kind::browserExtensions},
        {"Netscape EXTENSIONS", Kind::browserExtensions},
        {"Kernel extension", Kind::browserExtensions},
        {"Plugins", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        for (Kind kind : allExtensionCategories())
            EXPECT_EQ(isOfKind(ext("t", c.category), kind), c.kind == kind)
                << c.category.toStdString() << " / " << displayName(kind).toStdString();
    }
}

TEST(ExtensionRules, VisibleEntriesKeepTheEngineOrderAndSearchTitlesAndSubtitles)
{
    const QList<RemovableItem> all{
        ext("Zeta", "Safari Extensions", 0, "tester/Library/Safari"),
        ext("Installer", "Installation Files", 0, "tester/Downloads"),
        ext("Alpha", "Google Chrome Extensions", 0, "Default profile"),
        ext("Grammar Tool", "Firefox Extensions", 0, "profile abc"),
        ext("Caf\u0065\u0301 Helper", "Opera Extensions", 0, "decomposed"),
    };
    const struct {
        QString search;
        QStringList titles;
    } cases[] = {
        {"", {"Zeta", "Alpha", "Grammar Tool", "Caf\u0065\u0301 Helper"}},
        {"a", {"Zeta", "Alpha", "Grammar Tool", "Caf\u0065\u0301 Helper"}},
        {"ALPHA", {"Alpha"}},
        {"profile", {"Alpha", "Grammar Tool"}},  // subtitles only
        {"Library/safari", {"Zeta"}},
        {" ", {"Alpha", "Grammar Tool", "Caf\u0065\u0301 Helper"}},  // blanks are a search, not trimmed
        {"Installer", {}},                                // another kind
        {"caf\u00e9", {"Caf\u0065\u0301 Helper"}},        // composed finds decomposed
        {"nothing", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(titles(visibleEntries(all, Kind::browserExtensions, SearchText(c.search))), c.titles)
            << '"' << c.search.toStdString() << '"';
}

TEST(ExtensionRules, GroupsFollowTheBrowserRankThenNames)
{
    const QList<RemovableItem> visible{
        ext("o", "Opera Extensions"),       ext("u2", "Unlisted Extensions"), ext("c", "Google Chrome Extensions"),
        ext("s", "Safari Extensions"),      ext("w", "web browser extensions"), ext("f", "Firefox Extensions"),
        ext("a", "Arc Extensions"),         ext("u1", "another Extensions"),  ext("e", "Microsoft Edge Extensions"),
        ext("b", "Brave Extensions"),       ext("v", "Vivaldi Extensions"),   ext("s2", "Safari Extensions"),
        ext("l", "safari extensions"),
    };
    EXPECT_EQ(groupNames(groupEntries(visible, true)),
              (QStringList{"Safari Extensions", "Google Chrome Extensions", "Microsoft Edge Extensions",
                           "Brave Extensions", "Arc Extensions", "Firefox Extensions", "Vivaldi Extensions",
                           "Opera Extensions", "another Extensions", "safari extensions", "Unlisted Extensions",
                           "web browser extensions"}));
    EXPECT_EQ(groupEntries(visible, true).first().items.size(), 2);
    EXPECT_TRUE(groupEntries({}, true).isEmpty());
    EXPECT_EQ(groupRank("Safari Extensions"), 0);
    EXPECT_EQ(groupRank("Opera Extensions"), 7);
    EXPECT_EQ(groupRank("Web Browser Extensions"), 500);
}

TEST(ExtensionRules, ItemOrderInsideGroups)
{
    const QList<RemovableItem> visible{
        ext("Bravo", "Safari Extensions", 10),  ext("alpha", "Safari Extensions", 30),
        ext("Same", "Safari Extensions", 20),   ext("same", "Safari Extensions", 20),
        ext("zed", "Brave Extensions", -5),     ext("Able", "Brave Extensions", 0),
        ext("Big", "Brave Extensions", 900),
    };
    // By title: case-insensitive, equal titles keep their order.
    EXPECT_EQ(groupText(groupEntries(visible, true)),
              "Safari Extensions: alpha, Bravo, Same, same | Brave Extensions: Able, Big, zed");
    // By size: largest first, equal sizes keep the engine's order.
    EXPECT_EQ(groupText(groupEntries(visible, false)),
              "Safari Extensions: alpha, Same, same, Bravo | Brave Extensions: Big, Able, zed");
}

TEST(ExtensionRules, SummariesCountEveryEntryButOnlyPositiveSizes)
{
    const QList<RemovableItem> all{
        ext("a", "Screen Savers", 1000), ext("b", "Screen Savers", 0),     ext("c", "Screen Savers", -400),
        ext("d", "Safari Extensions", 7), ext("e", "Arc Extensions", 8),   ext("f", "screen savers", 5000),
        ext("g", "Widgets", std::int64_t(1) << 40),
    };
    EXPECT_EQ(summarize(all, Kind::screenSavers), (KindSummary{3, 1000}));
    EXPECT_EQ(summarize(all, Kind::browserExtensions), (KindSummary{2, 15}));
    EXPECT_EQ(summarize(all, Kind::widgets), (KindSummary{1, std::int64_t(1) << 40}));
    EXPECT_EQ(summarize(all, Kind::installationFiles), (KindSummary{0, 0}));
}

TEST(ExtensionRules, FailureTextKeepsThreeLinesAndCountsTheRest)
{
    const struct {
        QStringList lines;
        QString text;
    } cases[] = {
        {{"A"}, "A"},
        {{"A", "B: denied", "C"}, "A\nB: denied\nC"},
        {{"A", "A", "A", "B"}, "A\nA\nA\n…and 1 more."},
        {{"1", "2", "3", "4", "5"}, "1\n2\n3\n…and 2 more."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(failureText(c.lines), c.text);
}
