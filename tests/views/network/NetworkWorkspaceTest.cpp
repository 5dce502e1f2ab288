#include "support/ShellHarness.h"
#include "views/kit/FeatureEmptyState.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/PushButton.h"
#include "views/kit/TintedLabel.h"
#include "views/network/NetworkRow.h"
#include "views/network/NetworkState.h"
#include "views/network/NetworkWorkspace.h"

#include <QLineEdit>
#include <QStackedWidget>
#include <gtest/gtest.h>

#include <iostream>

namespace tw::test {
namespace {

// The Network tab in a window over five user applications and two of the system's.
class NetworkWorkspaceTest : public ::testing::Test {
protected:
    ShellHarness shell;
    std::unique_ptr<NetworkWorkspace> ws;

    void SetUp() override
    {
        const QList<std::pair<QString, QRgb>> apps{{"Figma", 0xfff24e1e}, {"Obsidian", 0xff7c3aed},
                                                   {"Rectangle", 0xff6e6e73}, {"Slack", 0xff4a154b},
                                                   {"Visual Studio Code", 0xff0078d4}};
        for (const auto& [name, colour] : apps) {
            const QString path = "/Applications/" + name + ".app";
            shell.fake.tree().makeApp(path, {"com.example." + name.toLower(), name, {}, "1.0", {}, {{"CFBundleIconFile", "AppIcon"}}});
            shell.fake.tree().write(path + "/Contents/Resources/AppIcon.icns", MacTree::iconFile(colour, name.left(1)));
        }
        shell.fake.tree().makeApp("/System/Applications/Mail.app", "com.apple.mail", "Mail");
        shell.fake.tree().makeApp("/Applications/Safari.app", "com.apple.Safari", "Safari");
        shell.scanner->scanInstalledApps();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !shell.scanner->isScanning(); }, 10000));
        ws = std::make_unique<NetworkWorkspace>(shell.env());
        ws->resize(912, 680);
        ws->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(ws.get()));
    }
    void TearDown() override { ws.reset(); }

    QStringList listed() const
    {
        QStringList names;
        for (int row : ws->list()->shownRows())
            names << static_cast<NetworkRow*>(ws->list()->widgetFor(row))->app()->name();
        return names;
    }
    NetworkRow* rowOf(const QString& name) const
    {
        for (int row : ws->list()->shownRows())
            if (auto* r = static_cast<NetworkRow*>(ws->list()->widgetFor(row)); r->app()->name() == name)
                return r;
        return nullptr;
    }
    bool showsPlaceholder() const { return ws->detailPages()->currentIndex() == 0; }
};

TEST_F(NetworkWorkspaceTest, ListsTheUsersApplicationsAndKeepsTheSelectionAcrossASearch)
{
    EXPECT_EQ(listed(), QStringList({"Figma", "Obsidian", "Rectangle", "Slack", "Visual Studio Code"}));
    EXPECT_EQ(ws->searchRow()->field()->placeholderText(), "Search apps");
    EXPECT_FALSE(ws->searchRow()->refreshButton());
    ASSERT_TRUE(showsPlaceholder());
    auto* placeholder = qobject_cast<FeatureEmptyState*>(ws->detailPages()->currentWidget());
    ASSERT_TRUE(placeholder);
    EXPECT_EQ(placeholder->title(), "Network Access");
    EXPECT_EQ(placeholder->systemImage(), "globe");

    QTest::mouseClick(rowOf("Slack"), Qt::LeftButton);
    EXPECT_EQ(ws->state().selected()->name(), "Slack");
    EXPECT_TRUE(rowOf("Slack")->isSelected());
    EXPECT_FALSE(rowOf("Figma")->isSelected());
    EXPECT_FALSE(showsPlaceholder());
    EXPECT_EQ(ws->nameLabel()->text(), "Slack");

    QTest::keyClicks(ws->searchRow()->field(), "CODE");
    EXPECT_EQ(listed(), QStringList{"Visual Studio Code"});
    EXPECT_EQ(ws->nameLabel()->text(), "Slack");  // the detail keeps the hidden selection
    EXPECT_FALSE(rowOf("Visual Studio Code")->isSelected());
    QTest::keyClicks(ws->searchRow()->field(), "x");
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(showsPlaceholder());
    ws->searchRow()->field()->selectAll();
    QTest::keyClick(ws->searchRow()->field(), Qt::Key_Backspace);
    EXPECT_EQ(listed().size(), 5);
    EXPECT_TRUE(rowOf("Slack")->isSelected());
}

TEST_F(NetworkWorkspaceTest, OpenFirewallSettingsAsksTheWorkspaceServiceEachTime)
{
    QTest::mouseClick(rowOf("Figma"), Qt::LeftButton);
    QTest::mouseClick(ws->firewallButton(), Qt::LeftButton);
    QTest::mouseClick(ws->firewallButton(), Qt::LeftButton);
    const QUrl firewall("x-apple.systempreferences:com.apple.preference.security?Firewall");
    EXPECT_EQ(shell.fake.workspace.openedUrls, std::vector<QUrl>({firewall, firewall}));
    EXPECT_EQ(ws->state().selected()->name(), "Figma");
    EXPECT_TRUE(shell.prompter.asked.isEmpty());
}

TEST_F(NetworkWorkspaceTest, ScreenshotsInEveryTheme)
{
    QTest::mouseClick(rowOf("Obsidian"), Qt::LeftButton);
    for (AppAppearance a : allCases<AppAppearance>()) {
        shell.state->theme().apply(a, true);
        ASSERT_TRUE(saveScreenshot(ws.get(), "network-" + rawValue(a) + ".png"));
        const QImage shot = ws->grab().toImage();
        // The name in the detail: dark grey on light in classic, white on dark otherwise.
        EXPECT_EQ(ws->nameLabel()->palette().color(QPalette::WindowText),
                  a == AppAppearance::classic ? QColor::fromRgbF(0.22f, 0.22f, 0.24f) : QColor(Qt::white));
        const QPoint selected = rowOf("Obsidian")->mapTo(ws.get(), QPoint(rowOf("Obsidian")->width() / 2, 3));
        const QPoint plain = rowOf("Slack")->mapTo(ws.get(), QPoint(rowOf("Slack")->width() / 2, 3));
        EXPECT_NE(pixel(shot, selected.x(), selected.y()), pixel(shot, plain.x(), plain.y()));
    }
    shell.state->theme().apply(AppAppearance::indigo, true);
    ws->state().select(nullptr);
    ASSERT_TRUE(saveScreenshot(ws.get(), "network-indigo-placeholder.png"));
    std::cout << "screenshots in " << screenshotFolder().toStdString() << std::endl;
}

} // namespace
} // namespace tw::test
