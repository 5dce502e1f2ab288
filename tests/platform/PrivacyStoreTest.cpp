#include "platform/HostServices.h"
#include "support/MacTree.h"

#include <gtest/gtest.h>

using namespace tw;

TEST(PrivacyStore, ReadsGrantsAndSeesADatabaseReplacedMeanwhile)
{
    test::MacTree t;
    const QString db = "/Library/Application Support/com.apple.TCC/TCC.db";
    t.makePrivacyDatabase(db, {{"com.example.app", "kTCCServiceCamera"}, {"COM.EXAMPLE.APP", "kTCCServiceMicrophone"},
                               {"com.example.app", "kTCCServiceCamera"}, {"com.example.app", "kTCCServicePhotos", 0}});
    auto store = host::makePrivacyStore(t.fs());
    auto services = store->grantedServices(db, "com.example.app");
    ASSERT_TRUE(services);
    services->sort();
    EXPECT_EQ(*services, (QStringList{"kTCCServiceCamera", "kTCCServiceMicrophone"}));
    EXPECT_EQ(store->grantedServices(db, "x' OR '1'='1"), std::optional<QStringList>(QStringList{}));

    t.makePrivacyDatabase(db, {{"com.example.app", "kTCCServiceScreenCapture"}});
    EXPECT_EQ(store->grantedServices(db, "com.example.app"), std::optional<QStringList>(QStringList{"kTCCServiceScreenCapture"}));

    t.write(db, "not a database");
    EXPECT_EQ(store->grantedServices(db, "com.example.app"), std::nullopt);
    EXPECT_EQ(store->grantedServices("/missing.db", "com.example.app"), std::nullopt);
}
