#include "support/HostMonitorParts.h"
#include "monitor/SystemMonitorPermissions.h"
#include "support/FakePlatform.h"
#include "support/SystemFakes.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tw;
using ItemStatus = MainAppService::ItemStatus;

namespace {

const QString kLoginItems = test::kLoginItemsAddress;
const QString kPrivacy = test::kPrivacyAddress;

struct Rig {
    test::FakeAppService service;
    test::FakeWorkspace workspace;
    SystemMonitorPermissions permissions{service, workspace};
};

} // namespace

TEST(LoginItemPermission, StartsDisabledAndFollowsTheStatusOnRefresh)
{
    Rig rig;
    EXPECT_FALSE(rig.permissions.isEnabled());
    EXPECT_EQ(rig.permissions.statusText(), QString());
    const std::pair<ItemStatus, const char*> cases[] = {
        {ItemStatus::enabled, "enabled"},
        {ItemStatus::requiresApproval, "requiresApproval"},
        {ItemStatus::notFound, "notFound"},
        {ItemStatus::notRegistered, "notRegistered"},
    };
    for (const auto& [status, text] : cases) {
        rig.service.current = status;
        rig.permissions.refresh();
        EXPECT_EQ(rig.permissions.isEnabled(), status == ItemStatus::enabled) << text;
        EXPECT_EQ(rig.permissions.statusText(), QString::fromLatin1(text));
    }
    EXPECT_EQ(rig.service.registrations, 0);
    EXPECT_TRUE(rig.workspace.openedUrls.empty());
}

TEST(LoginItemPermission, EnableRegistersEachTimeAndRereadsTheState)
{
    Rig rig;
    QSignalSpy changed(&rig.permissions, &SystemMonitorPermissions::changed);
    rig.permissions.enable();
    EXPECT_TRUE(rig.permissions.isEnabled());
    EXPECT_EQ(rig.permissions.statusText(), QStringLiteral("enabled"));
    EXPECT_EQ(changed.count(), 1);
    // Already registered: registered again, still enabled, nothing to publish.
    rig.permissions.enable();
    EXPECT_EQ(rig.service.registrations, 2);
    EXPECT_TRUE(rig.permissions.isEnabled());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(rig.workspace.openedUrls.empty());
}

TEST(LoginItemPermission, AFailedRegistrationKeepsTheStateAndOpensTheSettingsOnce)
{
    Rig rig;
    rig.service.failure = Error{kAppErrorDomain, 1, QStringLiteral("Operation not permitted")};
    rig.permissions.enable();
    EXPECT_FALSE(rig.permissions.isEnabled());
    EXPECT_EQ(rig.permissions.statusText(), QStringLiteral("Operation not permitted"));
    ASSERT_EQ(rig.workspace.openedUrls.size(), 1u);
    EXPECT_EQ(rig.workspace.openedUrls.front(), QUrl(kLoginItems));

    // An enabled state is kept as it was, too.
    rig.service.current = ItemStatus::enabled;
    rig.permissions.refresh();
    rig.permissions.enable();
    EXPECT_TRUE(rig.permissions.isEnabled());
    EXPECT_EQ(rig.workspace.openedUrls.size(), 2u);
}

TEST(LoginItemPermission, SettingsOpenTheFirstAddressThatParses)
{
    struct Case {
        QStringList addresses;
        std::optional<QString> opened;
    };
    const Case cases[] = {
        {{kLoginItems, kPrivacy}, kLoginItems},
        {{QStringLiteral("not an address"), kPrivacy}, kPrivacy},
        {{QStringLiteral("no scheme"), QStringLiteral("::")}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.service.addresses = c.addresses;
        rig.permissions.openLoginItemsSettings();
        if (!c.opened) {
            EXPECT_TRUE(rig.workspace.openedUrls.empty()) << c.addresses.join(' ').toStdString();
            continue;
        }
        ASSERT_EQ(rig.workspace.openedUrls.size(), 1u);
        EXPECT_EQ(rig.workspace.openedUrls.front(), QUrl(*c.opened));
    }
}

TEST(LoginItemPermission, SharedInstanceWritesTheAutostartEntryInsideThePlatformsRoot)
{
    test::FakePlatform fake;
    test::HostMonitorParts parts(fake);
    SystemMonitorPermissions& shared = parts.permissions;
    // The host platform makes its autostart entry once.
    EXPECT_EQ(&parts.host.autostart(), &parts.host.autostart());
    shared.refresh();
    EXPECT_FALSE(shared.isEnabled());
    shared.enable();
    EXPECT_TRUE(shared.isEnabled());
    const auto folder = fake.fs().list(fake.tree().home() + QStringLiteral("/.config/autostart"));
    ASSERT_TRUE(folder);
    ASSERT_EQ(folder->size(), 1u);
    EXPECT_TRUE(folder->front().name.endsWith(QStringLiteral(".desktop")));
    EXPECT_TRUE(fake.workspace.openedUrls.empty());

    // Another platform gets an instance over its own root.
    test::FakePlatform other;
    test::HostMonitorParts otherParts(other);
    SystemMonitorPermissions& next = otherParts.permissions;
    next.refresh();
    EXPECT_FALSE(next.isEnabled());
}
