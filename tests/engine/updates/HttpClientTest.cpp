// The host HTTP client against a local server: statuses, broken transfers,
// aborts and hostile servers.

#include "platform/HostServices.h"
#include "support/LocalHttpServer.h"

#include <QTemporaryFile>
#include <QTest>
#include <gtest/gtest.h>

namespace tw {
namespace {

using namespace std::chrono_literals;


class HttpClientTest : public ::testing::Test {
protected:
    std::unique_ptr<HttpClient> http = host::makeHttpClient();
    test::LocalHttpServer server;

    // Fetches url and waits for the answer; nullopt when none came.
    std::optional<HttpResponse> fetch(const QUrl& url, std::chrono::milliseconds timeout = 3000ms)
    {
        std::optional<HttpResponse> got;
        auto call = http->get(url, timeout, "Probe/2.0", [&](const HttpResponse& r) { got = r; });
        EXPECT_FALSE(got) << "answered before the event loop ran";
        return QTest::qWaitFor([&] { return got.has_value(); }, 10000) ? got : std::nullopt;
    }
};

TEST_F(HttpClientTest, AnswersStatusesAndBodies)
{
    server.route("/ok", {test::Reply::Mode::Answer, 200, "hello", "text/plain", "Set-Cookie: session=1\r\n"});
    server.route("/error", test::Reply::code(500, R"({"results":[]})"));
    // An error status still brings its body.
    for (const auto& [path, status, body] : {std::tuple{"/ok", 200, "hello"}, {"/error", 500, R"({"results":[]})"}}) {
        auto r = fetch(server.url(path));
        ASSERT_TRUE(r) << path;
        EXPECT_FALSE(r->transportError) << path;
        EXPECT_EQ(r->status, status);
        EXPECT_EQ(r->body, body);
    }
    // Our user agent, and the cookie of the first answer is not sent back.
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].headers.value("user-agent"), "Probe/2.0");
    EXPECT_FALSE(server.requests()[1].headers.contains("cookie"));
}

TEST_F(HttpClientTest, BrokenTransfersAreTransportErrors)
{
    server.route("/hang", test::Reply::of(test::Reply::Mode::Hang));
    server.route("/short", {test::Reply::Mode::Truncate, 200, "<rss><item>"});
    server.route("/endless", test::Reply::of(test::Reply::Mode::Endless));
    QTemporaryFile local;
    ASSERT_TRUE(local.open());
    local.write("<sparkle:version>9</sparkle:version>");
    local.flush();

    const struct {
        QUrl url;
        std::chrono::milliseconds timeout;
    } rows[] = {
        {server.url("/hang"), 200ms},  // never answers
        {server.url("/short"), 3000ms},  // closes before the announced length
        {server.url("/endless"), 3000ms},  // more than the client keeps
        {QUrl::fromLocalFile(local.fileName()), 3000ms},  // only the web is fetched
        {QUrl("file://localhost" + local.fileName()), 3000ms},
        {QUrl("ftp://127.0.0.1/feed.xml"), 3000ms},
    };
    for (const auto& row : rows) {
        auto r = fetch(row.url, row.timeout);
        ASSERT_TRUE(r) << row.url.toString().toStdString();
        EXPECT_TRUE(r->transportError) << row.url.toString().toStdString();
        EXPECT_TRUE(r->body.isEmpty()) << row.url.toString().toStdString();
    }
}

TEST_F(HttpClientTest, AbortStopsTheRequestAndItsCallback)
{
    server.route("/hang", test::Reply::of(test::Reply::Mode::Hang));
    bool called = false;
    auto call = http->get(server.url("/hang"), 5000ms, "Probe/2.0", [&](const HttpResponse&) { called = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.inFlight() == 1; }, 10000));
    call->abort();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedUnanswered() == 1; }, 10000));
    auto refused = http->get(QUrl("file:///etc/hostname"), 5000ms, "Probe/2.0", [&](const HttpResponse&) { called = true; });
    refused->abort();
    // Without an abort, a dropped handle still gets its answer; the refusal
    // above was queued first, so it would have come before.
    bool later = false;
    http->get(QUrl("file:///etc/hostname"), 5000ms, "Probe/2.0", [&](const HttpResponse&) { later = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 10000));
    EXPECT_FALSE(called);
}

TEST_F(HttpClientTest, HostileServersGetNoAnswerThrough)
{
    const QByteArray feed = "<rss><item><sparkle:version>2.0</sparkle:version></item></rss>";
    server.route("/gzip", test::Reply::gzipped(test::gzip(feed)));
    server.route("/trickle", {test::Reply::Mode::Trickle, 200, feed, "text/xml", {}, 25});
    server.route("/garbage", test::Reply::gzipped("this was never compressed"));
    server.route("/bomb", test::Reply::gzipped(test::gzip(QByteArray(48 << 20, '\0'))));  // 48 MiB from 48 KB

    auto sound = fetch(server.url("/gzip"));
    ASSERT_TRUE(sound);
    EXPECT_FALSE(sound->transportError);
    EXPECT_EQ(sound->body, feed);

    const struct {
        const char* path;
        std::chrono::milliseconds timeout;
    } rows[] = {
        {"/trickle", 300ms},  // a byte at a time never lets the silence last, the deadline still ends it
        {"/garbage", 5000ms},  // a body that does not decompress is no short answer
        {"/bomb", 5000ms},
    };
    for (const auto& row : rows) {
        auto r = fetch(server.url(row.path), row.timeout);
        ASSERT_TRUE(r) << row.path;
        EXPECT_TRUE(r->transportError) << row.path;
        EXPECT_TRUE(r->body.isEmpty()) << row.path;
    }
}

} // namespace
} // namespace tw
