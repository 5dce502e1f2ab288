// The program starts without libcurl: it is mapped with the first transfer.

#include "support/LocalHttpServer.h"
#include "support/MappedLibraries.h"
#include "support/ProgramHarness.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(HttpOnDemand, TheProgramShowsItsWindowWithoutLibcurlAndMapsItForTheFirstTransfer)
{
    test::Program p;
    p.startShown();
    test::drainEvents();
    EXPECT_FALSE(test::isMapped("libcurl"));

    test::LocalHttpServer server;
    server.route("/feed.xml", test::Reply::ok("<rss/>"));
    std::optional<HttpResponse> got;
    auto call = p.fake.platform().http().get(server.url("/feed.xml"), std::chrono::seconds(10), "Probe/1.0",
                                              [&](const HttpResponse& r) { got = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 30000));
    EXPECT_FALSE(got->transportError) << got->errorText.toStdString();
    EXPECT_EQ(got->body, "<rss/>");
    EXPECT_TRUE(test::isMapped("libcurl"));
}

} // namespace
} // namespace tw
