#include "platform/MainAppService.h"
#include "platform/ProductArt.h"
#include "support/MacTree.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace tw;
using tw::test::MacTree;
using ItemStatus = MainAppService::ItemStatus;

namespace {

const QString kId = QStringLiteral("com.marrowind.tidewell");

struct AutostartRig {
    MacTree tree;
    std::unique_ptr<MainAppService> service =
        host::makeAutostartService(tree.fs(), {kId, QStringLiteral("Tidewell"), QStringLiteral("/opt/Tidewell/tidewell")},
                                   QString());
    QString entry() const { return tree.home() + QStringLiteral("/.config/autostart/") + kId + QStringLiteral(".desktop"); }
};

} // namespace

TEST(Autostart, FolderLiesInsideAMappedRootElseFollowsXdgConfigHome)
{
    MacTree mapped;
    const FileSystem plain(QStringLiteral("/"), QStringLiteral("/home/ann"));
    struct Case {
        const FileSystem* fs;
        QString xdg;
        QString folder;
    };
    const Case cases[] = {
        // A mapped root never reaches the desktop's own configuration.
        {&mapped.fs(), QStringLiteral("/home/ann/.cfg"), QStringLiteral("/Users/tester/.config/autostart")},
        {&plain, QStringLiteral("/home/ann/.cfg"), QStringLiteral("/home/ann/.cfg/autostart")},
        {&plain, QStringLiteral("/home/ann/.cfg/"), QStringLiteral("/home/ann/.cfg/autostart")},
        {&plain, QStringLiteral("relative/cfg"), QStringLiteral("/home/ann/.config/autostart")},
        {&plain, QString(), QStringLiteral("/home/ann/.config/autostart")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(host::autostartFolder(*c.fs, c.xdg), c.folder) << c.xdg.toStdString();
}

TEST(Autostart, ExecLineQuotesAndEscapesHostilePaths)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("/opt/Tidewell/tidewell"), QStringLiteral(R"("/opt/Tidewell/tidewell")")},
        {QStringLiteral("/opt/My Apps/tidewell"), QStringLiteral(R"("/opt/My Apps/tidewell")")},
        // Quoting puts one backslash before " ` $ and \; the string value then doubles every backslash.
        {QStringLiteral(R"(/tmp/a"b)"), QStringLiteral(R"("/tmp/a\\"b")")},
        {QStringLiteral("/tmp/`id`"), QStringLiteral(R"("/tmp/\\`id\\`")")},
        {QStringLiteral("/tmp/$HOME/x"), QStringLiteral(R"("/tmp/\\$HOME/x")")},
        {QStringLiteral(R"(/tmp/a\b)"), QStringLiteral(R"("/tmp/a\\\\b")")},
        {QStringLiteral("/tmp/100%/%u"), QStringLiteral(R"("/tmp/100%%/%%u")")},
        {QStringLiteral("/tmp/a\nb;rm -rf ~"), QStringLiteral(R"("/tmp/a\nb;rm -rf ~")")},
        {QStringLiteral("/tmp/tab\there"), QStringLiteral(R"("/tmp/tab\there")")},
        {QStringLiteral("/tmp/'single'"), QStringLiteral(R"("/tmp/'single'")")},
    };
    for (const auto& [path, exec] : cases)
        EXPECT_EQ(host::desktopExecValue(path), exec) << path.toStdString();
    // Other control characters cannot be carried at all.
    EXPECT_EQ(host::desktopExecValue(QStringLiteral("/tmp/bell\a")), std::nullopt);
    EXPECT_EQ(host::desktopExecValue(QStringLiteral("/tmp/del\x7f")), std::nullopt);
}

TEST(Autostart, RegisterWritesTheEntryAndStatusFollowsItsKeys)
{
    AutostartRig rig;
    EXPECT_EQ(rig.service->status(), ItemStatus::notRegistered);
    ASSERT_TRUE(rig.service->registerItem().ok());
    const QByteArray text = rig.tree.read(rig.entry());
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nExec=\"/opt/Tidewell/tidewell\"\n")) << text.constData();
    EXPECT_TRUE(text.contains("\nName=Tidewell\n")) << text.constData();
    EXPECT_EQ(rig.service->status(), ItemStatus::enabled);

    const std::pair<QByteArray, ItemStatus> cases[] = {
        {"[Desktop Entry]\nType=Application\nExec=x\n", ItemStatus::enabled},
        {"# mine\n\n[Desktop Entry]\nExec=x\nHidden=true\n", ItemStatus::requiresApproval},
        {"[Desktop Entry]\nExec=x\nX-GNOME-Autostart-enabled=false\n", ItemStatus::requiresApproval},
        {"[Desktop Entry]\nExec=x\nHidden=false\nX-GNOME-Autostart-enabled=true\n", ItemStatus::enabled},
        // Keys of other groups do not count.
        {"[Desktop Entry]\nExec=x\n[Desktop Action quit]\nHidden=true\n", ItemStatus::enabled},
        {"[Other]\nExec=x\n", ItemStatus::notFound},
        {"[Desktop Entry]\nthis line is no key\n", ItemStatus::notFound},
        {"[Desktop Entry\nExec=x\n", ItemStatus::notFound},
        {"", ItemStatus::notFound},
    };
    for (const auto& [contents, status] : cases) {
        rig.tree.write(rig.entry(), contents);
        EXPECT_EQ(rig.service->status(), status) << contents.constData();
    }
    // Registering again writes a fresh entry over the user's hidden one.
    ASSERT_TRUE(rig.service->registerItem().ok());
    EXPECT_EQ(rig.service->status(), ItemStatus::enabled);
}

TEST(Autostart, ARegistrationThatCannotBeWrittenFailsAndLeavesNoEntry)
{
    AutostartRig rig;
    rig.tree.write(rig.tree.home() + QStringLiteral("/.config/autostart"), "a file where the folder goes");
    const Status registered = rig.service->registerItem();
    ASSERT_FALSE(registered.ok());
    EXPECT_TRUE(registered.error().description.contains(QStringLiteral("could not be written")))
        << registered.error().description.toStdString();
    EXPECT_EQ(rig.service->status(), ItemStatus::notRegistered);

    // An executable path the format cannot carry is refused before anything is written.
    MacTree tree;
    auto bad = host::makeAutostartService(tree.fs(), {kId, QStringLiteral("Tidewell"), QStringLiteral("/tmp/x\x01y")}, {});
    EXPECT_FALSE(bad->registerItem().ok());
    EXPECT_EQ(bad->status(), ItemStatus::notRegistered);
}

TEST(Autostart, StaysInItsFolderAndNamesItForTheSettings)
{
    MacTree tree;
    QTemporaryDir desktopConfig;
    // A file name that would leave the folder is replaced; XDG_CONFIG_HOME is ignored under a root.
    auto service = host::makeAutostartService(tree.fs(), {QStringLiteral("../../evil"), {}, QStringLiteral("/bin/true")},
                                              desktopConfig.path());
    ASSERT_TRUE(service->registerItem().ok());
    EXPECT_TRUE(tree.exists(tree.home() + QStringLiteral("/.config/autostart/tidewell.desktop")));
    EXPECT_TRUE(tree.read(tree.home() + QStringLiteral("/.config/autostart/tidewell.desktop")).contains("\nName=tidewell\n"));
    EXPECT_TRUE(QDir(desktopConfig.path()).isEmpty());

    MacTree fresh;
    auto unregistered = host::makeAutostartService(fresh.fs(), {kId, {}, QStringLiteral("/bin/true")}, {});
    const QStringList addresses = unregistered->settingsAddresses();
    ASSERT_EQ(addresses.size(), 1);
    const QUrl url(addresses.first());
    EXPECT_EQ(url.toLocalFile(), fresh.host(fresh.home() + QStringLiteral("/.config/autostart")));
    EXPECT_TRUE(QDir(url.toLocalFile()).exists());

    // Where the folder cannot be made, the nearest folder that exists opens.
    MacTree blocked;
    blocked.write(blocked.home() + QStringLiteral("/.config"), "a file");
    auto stuck = host::makeAutostartService(blocked.fs(), {kId, {}, QStringLiteral("/bin/true")}, {});
    EXPECT_EQ(QUrl(stuck->settingsAddresses().value(0)).toLocalFile(), blocked.host(blocked.home()));
}

TEST(DesktopPicture, ReadsPlasmaAndXfceSettings)
{
    const std::pair<QByteArray, std::optional<QString>> plasma[] = {
        {"[Containments][1][Wallpaper][org.kde.image][General]\nImage=file:///usr/share/wallpapers/Next.png\n",
         QStringLiteral("/usr/share/wallpapers/Next.png")},
        {"[Containments][7][Wallpaper][org.kde.image][General]\nImage=/home/ann/My%20Pics/a.jpg\n",
         QStringLiteral("/home/ann/My%20Pics/a.jpg")},
        {"[Containments][7][Wallpaper][org.kde.image][General]\nImage=file:///home/ann/My%20Pics/a.jpg\n",
         QStringLiteral("/home/ann/My Pics/a.jpg")},
        // Only the image wallpaper's own group counts, and only local files.
        {"[Containments][1][General]\nImage=file:///x.png\n", std::nullopt},
        {"[Containments][1][Wallpaper][org.kde.image][General]\nImage=https://example.com/a.png\n"
         "[Containments][2][Wallpaper][org.kde.image][General]\nImage=file:///second.png\n",
         QStringLiteral("/second.png")},
        {"[Containments][1][Wallpaper][org.kde.image][General]\nImage=relative.png\n", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, path] : plasma)
        EXPECT_EQ(host::plasmaWallpaper(text), path) << text.constData();

    const std::pair<QByteArray, std::optional<QString>> xfce[] = {
        {R"(<?xml version="1.0"?><channel name="xfce4-desktop"><property name="backdrop"><property name="screen0">)"
         R"(<property name="monitor0"><property name="last-image" type="string" value="/usr/share/b&amp;w.jpg"/>)"
         R"(</property></property></property></channel>)",
         QStringLiteral("/usr/share/b&w.jpg")},
        {R"(<channel><property name="last-image" value="not/absolute.png"/></channel>)", std::nullopt},
        {R"(<channel><property name="last-image" value="/a.png")", std::nullopt},  // cut off inside the tag
        {"not xml at all", std::nullopt},
    };
    for (const auto& [text, path] : xfce)
        EXPECT_EQ(host::xfceWallpaper(text), path) << text.constData();

    // Nesting deeper than any settings file is not followed.
    QByteArray deep;
    for (int i = 0; i < 200; ++i)
        deep += "<property name=\"n\">";
    deep += R"(<property name="last-image" value="/deep.png"/>)";
    EXPECT_EQ(host::xfceWallpaper(deep), std::nullopt);
}

TEST(DesktopPicture, SourceReadsTheHomesConfigurationInsideTheRoot)
{
    MacTree tree;
    auto source = host::makeDesktopPictureSource(tree.fs());
    EXPECT_EQ(source->mainScreenPicture(), std::nullopt);
    tree.write(tree.home() + QStringLiteral("/.config/xfce4/xfconf/xfce-perchannel-xml/xfce4-desktop.xml"),
               R"(<channel><property name="last-image" value="/Users/tester/Pictures/x.png"/></channel>)");
    EXPECT_EQ(source->mainScreenPicture(), QStringLiteral("/Users/tester/Pictures/x.png"));
    tree.write(tree.home() + QStringLiteral("/.config/plasma-org.kde.plasma.desktop-appletsrc"),
               "[Containments][3][Wallpaper][org.kde.image][General]\nImage=file:///Users/tester/Pictures/k.png\n");
    EXPECT_EQ(source->mainScreenPicture(), QStringLiteral("/Users/tester/Pictures/k.png"));
}
