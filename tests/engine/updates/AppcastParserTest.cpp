#include "FeedSamples.h"
#include "Printing.h"
#include "engine/updates/UpdateFeed.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

#include <random>

namespace tw {
namespace {

std::optional<QUrl> url(const char* text) { return QUrl(QString::fromUtf8(text)); }

TEST(Appcast, ReadsTheFirstItem)
{
    const struct {
        const char* feed;
        std::optional<QString> version;
        std::optional<QUrl> download;
    } rows[] = {
        // The display version wins over the build version, and is trimmed.
        {R"(<rss><channel><item><sparkle:version>412</sparkle:version>
            <sparkle:shortVersionString>
              2.4.1 </sparkle:shortVersionString>
            <enclosure url=" https://example.com/App-2.4.1.zip " length="1"/></item></channel></rss>)",
         QStringLiteral("2.4.1"), url("https://example.com/App-2.4.1.zip")},
        // Only the attribute form of the build version.
        {R"(<item><enclosure sparkle:version="2.3" url="https://example.com/a.dmg"/></item>)",
         QStringLiteral("2.3"), url("https://example.com/a.dmg")},
        // Several items: only the first counts, even when a later one is newer.
        {R"(<item><sparkle:shortVersionString>1.1</sparkle:shortVersionString></item>
            <item><sparkle:shortVersionString>9.0</sparkle:shortVersionString></item>)",
         QStringLiteral("1.1"), std::nullopt},
        // Only the second item has a display version and an enclosure: neither is taken.
        {R"(<item><sparkle:version>100</sparkle:version></item>
            <item><sparkle:shortVersionString>9.0</sparkle:shortVersionString><enclosure url="https://x.org/9.zip"/></item>)",
         QStringLiteral("100"), std::nullopt},
        // No item tags: the whole document is searched; tags in any case.
        {R"(<SPARKLE:SHORTVERSIONSTRING>5.0</SPARKLE:SHORTVERSIONSTRING><a url="https://x.org/get/App.tar.gz?s=1">)",
         QStringLiteral("5.0"), url("https://x.org/get/App.tar.gz?s=1")},
        // An item that is never closed: the whole document.
        {R"(<sparkle:version>7</sparkle:version><item>)", QStringLiteral("7"), std::nullopt},
        // A download address that is no URL.
        {R"(<item><sparkle:version>3</sparkle:version><enclosure url="http://exa mple.com/a.zip"/></item>)",
         QStringLiteral("3"), std::nullopt},
        {"not a feed at all", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& row : rows) {
        const AppcastInfo info = appcast::parseSparkleAppcast(QString::fromUtf8(row.feed));
        EXPECT_EQ(info.version, row.version) << row.feed;
        EXPECT_EQ(info.downloadURL, row.download) << row.feed;
    }
}

TEST(Appcast, ReadsFeedsAsTheyArePublished)
{
    const struct {
        const char* feed;
        std::optional<QString> version;
        std::optional<QUrl> download;
    } rows[] = {
        // The display version only on the enclosure, the build number beside it.
        {R"(<rss><channel><item><title>Version 2.18.1</title><pubDate>Tue, 15 Oct 2024 09:00:00 +0000</pubDate>
            <enclosure url="https://cdn.example.com/App-2.18.1.dmg" sparkle:version="1728795549"
                       sparkle:shortVersionString="2.18.1" length="50123456" type="application/octet-stream"/>
            </item></channel></rss>)",
         QStringLiteral("2.18.1"), url("https://cdn.example.com/App-2.18.1.dmg")},
        {R"(<item><enclosure sparkle:version = "20260820.1"
               sparkle:shortVersionString = " 4.2 " url = "https://example.com/a.zip"/></item>)",
         QStringLiteral("4.2"), url("https://example.com/a.zip")},
        {R"(<item><enclosure url="https://example.com/b.zip" SPARKLE:version="51" Sparkle:ShortVersionString="1.3"/></item>)",
         QStringLiteral("1.3"), url("https://example.com/b.zip")},
        // The element forms come before the attribute form, wherever each stands.
        {R"(<item><enclosure sparkle:shortVersionString="9.9" url="https://example.com/c.zip"/>
            <sparkle:shortVersionString>3.0</sparkle:shortVersionString></item>)",
         QStringLiteral("3.0"), url("https://example.com/c.zip")},
        // An empty attribute is no value; the build number stands in.
        {R"(<item><enclosure sparkle:shortVersionString="" sparkle:version="77" url="https://example.com/d.zip"/></item>)",
         QStringLiteral("77"), url("https://example.com/d.zip")},
        // A release template in a comment before the real item.
        {R"(<rss><channel><!-- <item><title>Version $VERSION</title>
              <sparkle:shortVersionString>$VERSION</sparkle:shortVersionString>
              <enclosure url="https://example.com/$FILE.zip" sparkle:version="$BUILD"/></item> -->
            <item><sparkle:shortVersionString>5.1</sparkle:shortVersionString>
              <enclosure url="https://example.com/App-5.1.zip" sparkle:version="510"/></item></channel></rss>)",
         QStringLiteral("5.1"), url("https://example.com/App-5.1.zip")},
        // Comments around and inside the values, and an older value commented out.
        {R"(<item><!-- <sparkle:shortVersionString>0.9</sparkle:shortVersionString> -->
            <sparkle:shortVersionString><!-- display -->6.0<!-- x --></sparkle:shortVersionString>
            <!-- <enclosure url="https://example.com/old.zip"/> --><enclosure url="https://example.com/6.0.zip"/></item>)",
         QStringLiteral("6.0"), url("https://example.com/6.0.zip")},
        // "<!--" inside CDATA is text, so it cannot swallow the values up to a later comment.
        {R"(<item><description><![CDATA[<p>HTML comments start with <!-- now</p>]]></description>
            <sparkle:shortVersionString>4.1</sparkle:shortVersionString>
            <enclosure url="https://example.com/4.1.zip"/><!-- signed --></item>)",
         QStringLiteral("4.1"), url("https://example.com/4.1.zip")},
        // Values in CDATA sections read as their text.
        {R"(<item><sparkle:shortVersionString><![CDATA[7.0]]></sparkle:shortVersionString>
            <sparkle:version>700</sparkle:version><enclosure url="https://example.com/7.zip"/></item>)",
         QStringLiteral("7.0"), url("https://example.com/7.zip")},
        // The item tags are found in the text the comments leave, even where they join it.
        {R"(<it<!-- a -->em><sparkle:version>5</sparkle:version></it<!-- b -->em>
            <item><sparkle:shortVersionString>6</sparkle:shortVersionString></item>)",
         QStringLiteral("5"), std::nullopt},
        // A comment that never ends is kept as text.
        {R"(<!-- never closed <item><sparkle:version>3</sparkle:version></item>)", QStringLiteral("3"), std::nullopt},
        // Only comments: nothing is left to read.
        {R"(<!-- <item><sparkle:version>3</sparkle:version></item> -->)", std::nullopt, std::nullopt},
    };
    for (const auto& row : rows) {
        const AppcastInfo info = appcast::parseSparkleAppcast(QString::fromUtf8(row.feed));
        EXPECT_EQ(info.version, row.version) << row.feed;
        EXPECT_EQ(info.downloadURL, row.download) << row.feed;
    }
    // The newest item of a whole published feed.
    const AppcastInfo published = appcast::parseSparkleAppcast(test::publishedFeed(40));
    EXPECT_EQ(published.version, "40.0");
    EXPECT_EQ(published.downloadURL, url("https://example.com/App-40.0.zip"));
}

// The forms as regular expressions over the first item's block, as the
// scanner must read them on any feed without comments.
AppcastInfo byPatterns(const QString& text)
{
    using Patterns = std::vector<QRegularExpression>;
    auto compile = [](std::initializer_list<const char*> patterns) {
        Patterns out;
        for (const char* p : patterns)
            out.emplace_back(QString::fromLatin1(p), QRegularExpression::CaseInsensitiveOption |
                                                         QRegularExpression::UseUnicodePropertiesOption);
        return out;
    };
    static const Patterns version = compile({
        R"re(sparkle:shortVersionString\s*>\s*([^<]+))re",
        R"re(<sparkle:shortVersionString>([^<]+)</sparkle:shortVersionString>)re",
        R"re(sparkle:shortVersionString\s*=\s*"([^"]+)")re",
        R"re(sparkle:version\s*=\s*"([^"]+)")re",
        R"re(<sparkle:version>([^<]+)</sparkle:version>)re",
        R"re(sparkle:version\s*>\s*([^<]+))re",
    });
    static const Patterns download = compile({
        R"re(<enclosure[^>]*url\s*=\s*"([^"]+)")re",
        R"re(url\s*=\s*"([^"]+\.(dmg|zip|pkg|tar\.gz)[^"]*)")re",
    });
    QString block = text;
    const qsizetype open = text.indexOf(QStringLiteral("<item>"), 0, Qt::CaseInsensitive);
    const qsizetype close = open < 0 ? -1 : text.indexOf(QStringLiteral("</item>"), open + 6, Qt::CaseInsensitive);
    if (close >= 0)
        block = text.mid(open, close + 7 - open);
    auto first = [&block](const Patterns& patterns) -> std::optional<QString> {
        for (const QRegularExpression& re : patterns)
            if (const QRegularExpressionMatch m = re.match(block); m.hasMatch() && m.capturedStart(1) >= 0)
                return m.captured(1).trimmed();
        return std::nullopt;
    };
    AppcastInfo info{first(version), std::nullopt};
    if (const std::optional<QString> address = first(download))
        if (const QUrl u(*address, QUrl::StrictMode); u.isValid())
            info.downloadURL = u;
    return info;
}

TEST(Appcast, AgreesWithTheFormsOnRandomFeeds)
{
    // Pieces of the forms, in several letter cases, with Unicode spaces, the
    // letters that fold to k and s, and characters beyond Latin-1.
    const QStringList pieces = {
        "<item>", "</item>", "<ITEM>", "</Item>", "sparkle:shortVersionString", "SPARKLE:SHORTVERSIONSTRING",
        "<sparkle:shortVersionString>", "</sparkle:shortVersionString>", "sparkle:version", "<sparkle:version>",
        "</sparkle:version>", u"\u017Fparkle:ver\u017Fion"_qs, u"<spar\u212Ale:version>"_qs, "<enclosure",
        "<ENCLOSURE ", "url", "URL", "Url", "=", "=", "\"", "\"", ">", ">", "<", "/", " ", " ", "\n", "\t",
        u"\u00A0"_qs, u"\u180E"_qs, u"\u2003"_qs, "1.2", "7", "x", "https://a.b/c", ".dmg", ".ZIP", ".tar.gz",
        ".tar", ".pkg", u"\u00E9"_qs, u"\U0001F600"_qs,
        // Whole pieces of values, so that forms meet often.
        "url=\"", "URL = \"", "<enclosure url=\"", "sparkle:version=\"", "sparkle:shortVersionString = \"",
        "https://a.b/c.zip\"", "a.dmg\"", "\"/>", "7\"", ">3.0<",
    };
    std::mt19937 random(20240611);
    std::uniform_int_distribution<qsizetype> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 40);
    int versions = 0, downloads = 0;
    for (int n = 0; n < 4000; ++n) {
        QString feed;
        for (int k = length(random); k > 0; --k)
            feed += pieces[piece(random)];
        const AppcastInfo expected = byPatterns(feed), got = appcast::parseSparkleAppcast(feed);
        ASSERT_EQ(got.version, expected.version) << feed.toStdString();
        ASSERT_EQ(got.downloadURL, expected.downloadURL) << feed.toStdString();
        versions += expected.version.has_value();
        downloads += expected.downloadURL.has_value();
    }
    // The pieces meet often enough for the comparison to mean something.
    EXPECT_GT(versions, 1500);
    EXPECT_GT(downloads, 150);
}

TEST(Appcast, HostileFeedsReadInOnePass)
{
    // An address that never closes: the version is still read, no download.
    const AppcastInfo open = appcast::parseSparkleAppcast(test::backtrackingFeed());
    EXPECT_EQ(open.version, "2.0");
    EXPECT_EQ(open.downloadURL, std::nullopt);

    // Runs that make backtracking patterns or a naive comment search go over
    // the rest of the feed again at every step; the value follows them.
    QString enclosures, emptyValues, openers;
    while (enclosures.size() < 300'000) {
        enclosures += QStringLiteral("<enclosure url url = ");
        emptyValues += QStringLiteral("<sparkle:version></sparkle:version>");
        openers += QStringLiteral("<!-- <![CDATA[ ");
    }
    for (const QString& run : {enclosures, emptyValues, openers}) {
        const AppcastInfo info = appcast::parseSparkleAppcast(run + "<sparkle:version>8</sparkle:version>");
        EXPECT_EQ(info.version, "8");
        EXPECT_EQ(info.downloadURL, std::nullopt);
    }
}

} // namespace
} // namespace tw
