#include "Printing.h"
#include "engine/updates/StoreLookup.h"
#include "engine/updates/UpdateFeed.h"
#include "engine/updates/Versions.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

using A = UpdateAvailability;

std::optional<QUrl> url(const char* text) { return QUrl(QString::fromUtf8(text)); }

HttpResponse answer(int status, const QByteArray& body) { return {false, status, body, {}}; }

TEST(Versions, PartsKeepDigitGroupsOfTheFirstWordAndCompareByNumber)
{
    const struct {
        const char* text;
        std::vector<qint64> parts;
    } parts[] = {
        {"1.2.3", {1, 2, 3}},     {"1.2b3", {1, 23}},  // letters vanish, digits join
        {"v2.1", {2, 1}},         {"1.0-beta.2", {1, 0, 2}},   {"4_5-6", {4, 5, 6}},
        {"1.4 (build 77)", {1, 4}},                             // cut before the first space
        {" \n 7.0.1 \t", {7, 0, 1}},                            // trimmed first
        {"007.010", {7, 10}},     {"..1..2..", {1, 2}},         // empty pieces dropped
        {"99999999999999999999.3", {3}},                        // beyond 64 bits: dropped
        {"9223372036854775807", {9223372036854775807LL}},       {"beta", {}}, {"", {}},
    };
    for (const auto& row : parts)
        EXPECT_EQ(versions::versionParts(QString::fromUtf8(row.text)), row.parts) << row.text;

    const struct {
        const char* offered;
        const char* installed;
        bool newer;
    } comparisons[] = {
        {"1.10", "1.9", true},    {"1.9", "1.10", false},   {"2.0", "2", false},  // missing parts count as 0
        {"2", "2.0", false},      {"1.0.1", "1.0", true},   {"1.0", "1.0.1", false},
        {"1.0.0.0", "1", false},  {"3.0", "3.0", false},    {"1.2b3", "1.2.9", true},  // 1.23 against 1.2.9
        {"v2.1", "2.0.9", true},  {"1.4 (build 77)", "1.4", false}, {"1.4 (build 77)", "1.3.9", true},
        {"10.0", "9.99.99", true}, {"2.0", "", true},        {"", "0.0", false},
        {"abc", "xyz", false},    {"99999999999999999999.1", "0.2", true},  // the overflowing part is gone
    };
    for (const auto& row : comparisons)
        EXPECT_EQ(versions::isVersion(QString::fromUtf8(row.offered), QString::fromUtf8(row.installed)), row.newer)
            << row.offered << " vs " << row.installed;
}

TEST(Appcast, ResponseBecomesRowState)
{
    const QByteArray newer = R"(<item><sparkle:shortVersionString>1.4 (build 77)</sparkle:shortVersionString>
        <enclosure url="https://example.com/a.zip"/></item>)";
    auto result = [](const HttpResponse& r, const char* installed) { return appcast::sparkleResult(r, installed); };
    EXPECT_EQ(result(answer(200, newer), "1.3"), A::updateAvailable("1.4", url("https://example.com/a.zip")));
    EXPECT_EQ(result(answer(200, newer), "1.4"), A::upToDate());
    EXPECT_EQ(result(answer(200, "<rss/>"), "1.0"), A::launchToUpdate());
    EXPECT_EQ(result(answer(200, "<sparkle:version> </sparkle:version>"), "1.0"), A::launchToUpdate());
    EXPECT_EQ(result(answer(404, newer), "1.0"), A::failed(kUpdateIssueMessage));
    EXPECT_EQ(result(answer(302, newer), "1.0"), A::failed(kUpdateIssueMessage));
    EXPECT_EQ(result({true, 0, newer, {}}, "1.0"), A::failed(kConnectionProblemMessage));
    // Not UTF-8: read as Latin-1 (0xE9 is "é").
    EXPECT_EQ(result(answer(200, "<sparkle:version>2.0\xE9</sparkle:version>"), "1.0"),
              A::updateAvailable(QStringLiteral("2.0\u00E9"), std::nullopt));
}

TEST(AppStoreLookup, AddressAndAnswer)
{
    const QUrl base(QStringLiteral("http://127.0.0.1:8080/"));
    EXPECT_EQ(appstore::appStoreLookupURL(base, "com.example.App")->toString(QUrl::FullyEncoded),
              "http://127.0.0.1:8080/lookup?bundleId=com.example.App&entity=macSoftware");
    // Delimiters in an identifier stay data.
    EXPECT_EQ(appstore::appStoreLookupURL(base, "a&entity=b c#")->query(QUrl::FullyEncoded),
              "bundleId=a%26entity%3Db%20c%23&entity=macSoftware");
    EXPECT_EQ(appstore::appStoreLookupURL(base, ""), std::nullopt);

    const struct {
        HttpResponse response;
        A expected;
    } rows[] = {
        {answer(200, R"({"resultCount":1,"results":[{"version":"2.0","trackId":497799835}]})"),
         A::appStoreUpdate("2.0", 497799835)},
        {answer(200, R"({"results":[{"version":"2.0","trackId":1.5}]})"), A::appStoreUpdate("2.0", std::nullopt)},
        {answer(200, R"({"results":[{"version":"2.0","trackId":"12"}]})"), A::appStoreUpdate("2.0", std::nullopt)},
        {answer(200, R"({"results":[{"version":" 2.0 "}]})"), A::appStoreUpdate(" 2.0 ", std::nullopt)},
        {answer(200, R"({"results":[{"version":"1.5"}]})"), A::upToDate()},
        {answer(500, R"({"results":[{"version":"1.5"}]})"), A::upToDate()},  // the status is not looked at
        {answer(200, R"({"resultCount":0,"results":[]})"), A::launchToUpdate()},
        {answer(200, R"({"results":[{"version":2}]})"), A::launchToUpdate()},
        {answer(200, R"({"results":[{"version":"3"}, 7]})"), A::launchToUpdate()},
        {answer(200, R"({"results":{"version":"3"}})"), A::launchToUpdate()},
        {answer(200, R"([{"version":"3"}])"), A::launchToUpdate()},
        {answer(200, R"({"results":[{"version":"3")"), A::failed(kConnectionProblemMessage)},
        {answer(500, "<html>Server error</html>"), A::failed(kConnectionProblemMessage)},
        {answer(200, ""), A::failed(kConnectionProblemMessage)},
        {{true, 0, {}, {}}, A::failed(kConnectionProblemMessage)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(appstore::appStoreResult(row.response, "1.5"), row.expected) << row.response.body.constData();
}

TEST(UpdateRows, StatusLabelsAndEquality)
{
    AppUpdateItem row{"/Applications/A.app", "A", "com.a", {}, "1.0", UpdateChannel::sparkle, A::pending()};
    const struct {
        A availability;
        const char* label;
    } labels[] = {
        {A::updateAvailable("2.0", std::nullopt), "Available version 2.0"},
        {A::appStoreUpdate("3.1", 5), "Available version 3.1"},
        {A::failed("Oops"), "Oops"},
        {A::pending(), "Checking\u2026"},
        {A::checking(), "Checking\u2026"},
        {A::upToDate(), "Up to date"},
        {A::launchToUpdate(), "Information not provided by the developer"},
    };
    for (const auto& l : labels) {
        row.availability = l.availability;
        EXPECT_EQ(row.statusLabel(), QString::fromUtf8(l.label));
    }

    EXPECT_NE(A::updateAvailable("2.0", std::nullopt), A::appStoreUpdate("2.0", std::nullopt));
    EXPECT_NE(A::updateAvailable("2.0", url("https://a/x.zip")), A::updateAvailable("2.0", std::nullopt));
    EXPECT_NE(A::appStoreUpdate("2.0", 1), A::appStoreUpdate("2.0", 2));
    EXPECT_NE(A::failed("a"), A::failed("b"));
    EXPECT_EQ(A(), A::pending());
    // Rows compare by path and availability only.
    AppUpdateItem other = row;
    other.name = "Other";
    other.installedVersion = "9";
    EXPECT_EQ(row, other);
    EXPECT_EQ(qHash(row), qHash(other));
    other.availability = A::upToDate();
    EXPECT_NE(row, other);
    EXPECT_EQ(rawValue(UpdateChannel::appStore), "appStore");
}

} // namespace
} // namespace tw
