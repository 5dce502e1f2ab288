#include "support/HostProgramParts.h"
#include "app/MainWindow.h"
#include "app/SweeplineApp.h"
#include "state/AppNavigation.h"
#include "state/SharedState.h"
#include "support/ShellHarness.h"
#include "views/applications/AppDetailPanel.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/ApplicationsWorkspace.h"
#include "views/kit/PushButton.h"
#include "views/kit/Tints.h"

#include <QBuffer>
#include <QPainter>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

// A tile with a letter, as an application's own icon file.
QByteArray iconPng(QRgb colour, QChar letter)
{
    QImage img(128, 128, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(QColor(colour));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(8, 8, 112, 112), 26, 26);
    QFont f = p.font();
    f.setPixelSize(64);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(8, 8, 112, 112), Qt::AlignCenter, QString(letter));
    p.end();
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return out;
}

void addApp(MacTree& t, const QString& path, const QString& id, const QString& name, QRgb colour, int files)
{
    BundleRecipe recipe;
    recipe.identifier = id;
    recipe.name = name;
    recipe.version = QStringLiteral("4.2");
    recipe.copyright = QStringLiteral("© Example Software");
    recipe.files = files;
    recipe.fileSize = 250'000;
    recipe.extra.insert(QStringLiteral("CFBundleIconFile"), QStringLiteral("AppIcon.png"));
    recipe.extra.insert(QStringLiteral("CFBundleDocumentTypes"),
                        QVariantList{QVariantMap{{QStringLiteral("CFBundleTypeExtensions"),
                                                  QStringList{QStringLiteral("md"), QStringLiteral("txt")}}}});
    t.makeApp(path, recipe);
    t.write(path + QStringLiteral("/Contents/Resources/AppIcon.png"), iconPng(colour, name.front()));
}

} // namespace

// The Applications tab in the main window with an application selected, in
// each theme.
TEST(Screenshots, ApplicationsTabInEveryTheme)
{
    FakePlatform fake;
    HostProgramParts parts{fake};
    MacTree& t = fake.tree();
    addApp(t, "/Applications/Notes.app", "com.example.notes", "Notes", 0xfff5a623, 12);
    addApp(t, "/Applications/Slack.app", "com.tinyspeck.slackmacgap", "Slack", 0xff4a154b, 30);
    addApp(t, "/Applications/Figma.app", "com.figma.Desktop", "Figma", 0xfff24e1e, 20);
    addApp(t, "/Applications/Adobe/Photoshop.app", "com.adobe.Photoshop", "Photoshop", 0xff31a8ff, 40);
    addApp(t, "/Applications/Adobe/Illustrator.app", "com.adobe.illustrator", "Illustrator", 0xffff9a00, 35);
    addApp(t, "/Applications/Rectangle.app", "com.knollsoft.Rectangle", "Rectangle", 0xff6e6e73, 4);
    t.writeSized(t.library() + "/Caches/com.example.notes/Cache.db", 2'400'000);
    t.writeSized(t.library() + "/Preferences/com.example.notes.plist", 4'000);
    t.writeSized(t.library() + "/Application Support/Notes/store.db", 800'000);
    fake.metadata.lastUsed.insert("/Applications/Notes.app", QDateTime(QDate(2026, 11, 28), QTime(9, 0)));
    fake.metadata.lastUsed.insert("/Applications/Slack.app", QDateTime(QDate(2026, 12, 1), QTime(9, 0)));

    auto app = std::make_unique<SweeplineApp>(fake.platform(), parts.parts());
    app->setPrompter(std::make_unique<FakePrompter>());
    app->start();
    MainWindow* window = app->mainWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    app->state().navigation().setTab(SidebarTab::applications);
    drainScans(&app->scanner(), &app->cleaner());
    auto* tab = window->findChild<ApplicationsWorkspace*>();
    ASSERT_NE(tab, nullptr);

    // Nothing selected: the empty panel with its drop zone.
    const QString folder = screenshotFolder();
    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::classic}) {
        app->state().theme().apply(a, true);
        ASSERT_TRUE(settleForScreenshot(window));
        const QString name = QStringLiteral("applications-empty-%1.png").arg(rawValue(a));
        ASSERT_TRUE(window->grab().toImage().save(folder + u'/' + name)) << name.toStdString();
    }

    AppInfoPtr notes;
    for (const AppInfoPtr& a : app->scanner().apps())
        if (a->name() == "Notes")
            notes = a;
    ASSERT_NE(notes, nullptr);
    tab->state().selectApp(notes);
    drainScans(&app->scanner(), &app->cleaner());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tab->detailPanel()->documentTypesReady(); }, 10000));
    ASSERT_EQ(tab->detailState(), ApplicationsWorkspace::DetailState::application);

    for (AppAppearance a : allCases<AppAppearance>()) {
        app->state().theme().apply(a, true);
        ASSERT_TRUE(settleForScreenshot(window));
        const QImage img = window->grab().toImage();
        const QString name = QStringLiteral("applications-%1.png").arg(rawValue(a));
        ASSERT_TRUE(img.save(folder + u'/' + name)) << name.toStdString();
        // The enabled Uninstall button is filled with the theme's accent.
        PushButton* button = tab->actionButton();
        const QPoint inside = button->mapTo(window, QPoint(8, button->height() / 2));
        const QColor fill = pixel(img, inside.x(), inside.y());
        const QColor accent = accentTint(a);
        EXPECT_LT(std::abs(fill.red() - accent.red()) + std::abs(fill.green() - accent.green())
                      + std::abs(fill.blue() - accent.blue()),
                  30)
            << rawValue(a).toStdString();
    }
    // An open group with a member selected, in advance mode.
    app->state().theme().apply(AppAppearance::midnight, true);
    AppInfoPtr adobe;
    for (const AppInfoPtr& a : app->scanner().apps())
        if (a->isGroup())
            adobe = a;
    ASSERT_NE(adobe, nullptr);
    tab->state().selectMember(adobe->members().back(), adobe);
    tab->state().setAdvanceMode(true);
    drainScans(&app->scanner(), &app->cleaner());
    ASSERT_TRUE(settleForScreenshot(window));
    ASSERT_TRUE(window->grab().toImage().save(folder + QStringLiteral("/applications-midnight-group.png")));
    tab->state().setAdvanceMode(false);
    std::cout << "screenshots in " << folder.toStdString() << std::endl;
    drainScans(&app->scanner(), &app->cleaner());
}

namespace {

// The screenshot tree: a few applications and what removed ones left behind.
struct RemainsShots {
    FakePlatform fake;
    HostProgramParts parts{fake};
    std::unique_ptr<SweeplineApp> app;
    MainWindow* window = nullptr;
    ApplicationsWorkspace* tab = nullptr;

    RemainsShots()
    {
        MacTree& t = fake.tree();
        addApp(t, "/Applications/Notes.app", "com.example.notes", "Notes", 0xfff5a623, 12);
        addApp(t, "/Applications/Slack.app", "com.tinyspeck.slackmacgap", "Slack", 0xff4a154b, 30);
        const QString lib = t.library();
        t.writeSized(lib + "/Caches/com.example.notes/Cache.db", 2'400'000);
        t.writeSized(lib + "/Caches/com.example.notes/fsCachedData/1", 90'000);
        t.writeSized(lib + "/Preferences/com.example.notes.plist", 4'000);
        t.writeSized(lib + "/Application Support/Notes/store.db", 800'000);
        t.writeSized(lib + "/Containers/com.example.notes/Data/x", 120'000);
        t.writeSized(lib + "/Logs/Notes/notes.log", 30'000);
        t.writeSized(lib + "/Saved Application State/com.example.notes.savedState/window_1.data", 9'000);
        t.writeSized(lib + "/Preferences/com.evernote.Evernote.plist", 6'000);
        t.writeSized(lib + "/Application Support/Evernote/accounts/db", 14'500'000);
        t.writeSized(lib + "/Preferences/com.getdropbox.dropbox.plist", 2'000);
        t.writeSized(lib + "/Application Support/Transmit/Favorites.db", 310'000);
        t.writeSized(lib + "/Preferences/com.panic.Transmit.plist", 3'000);
        t.writeSized(lib + "/Preferences/com.someverylongvendorname.AnApplicationWithAVeryLongNameIndeedThatGoesOnAndOn.plist",
                     1'000);
        t.setModified(lib + "/Preferences/com.evernote.Evernote.plist", QDateTime(QDate(2025, 3, 14), QTime(9, 0)));

        app = std::make_unique<SweeplineApp>(fake.platform(), parts.parts());
        app->setPrompter(std::make_unique<FakePrompter>());
        app->start();
        window = app->mainWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
        app->state().navigation().setTab(SidebarTab::applications);
        drainScans(&app->scanner(), &app->cleaner());
        tab = window->findChild<ApplicationsWorkspace*>();
    }

    ~RemainsShots() { drainScans(&app->scanner(), &app->cleaner()); }

    void shoot(const QString& what)
    {
        for (AppAppearance a : allCases<AppAppearance>()) {
            app->state().theme().apply(a, true);
            ASSERT_TRUE(settleForScreenshot(window));
            const QString name = QStringLiteral("applications-%1-%2.png").arg(what, rawValue(a));
            ASSERT_TRUE(window->grab().toImage().save(screenshotFolder() + u'/' + name)) << name.toStdString();
        }
    }
};

} // namespace

// The remains segment with an entry selected and two ticked, in each theme.
TEST(Screenshots, RemainsSegmentInEveryTheme)
{
    RemainsShots s;
    ASSERT_NE(s.tab, nullptr);
    s.app->state().navigation().setAppsSegment(AppsSegment::remains);
    drainScans(&s.app->scanner(), &s.app->cleaner());
    const QList<RemovableItem> remains = s.app->cleaner().remainingFiles();
    ASSERT_GE(remains.size(), 3);
    s.tab->state().setRemainTicked(remains[0].id, true);
    s.tab->state().setRemainTicked(remains[2].id, true);
    s.tab->state().selectRemain(remains[1].id);
    ASSERT_EQ(s.tab->detailState(), ApplicationsWorkspace::DetailState::remain);
    s.shoot(QStringLiteral("remains"));

    // Nothing left: "No remains found" beside the empty panel.
    s.app->cleaner().setRemainingFiles({});
    s.tab->state().setSelectedRemain(std::nullopt);
    ASSERT_EQ(s.tab->listState(), ApplicationsWorkspace::ListState::noRemains);
    ASSERT_EQ(s.tab->detailState(), ApplicationsWorkspace::DetailState::emptyRemains);
    s.shoot(QStringLiteral("no-remains"));
}

// An application's full service-file tree in advance mode, in each theme.
TEST(Screenshots, AdvancedFileTreeInEveryTheme)
{
    RemainsShots s;
    ASSERT_NE(s.tab, nullptr);
    AppInfoPtr notes;
    for (const AppInfoPtr& a : s.app->scanner().apps())
        if (a->name() == "Notes")
            notes = a;
    ASSERT_NE(notes, nullptr);
    s.tab->state().setAdvanceMode(true);
    s.tab->state().selectApp(notes);
    drainScans(&s.app->scanner(), &s.app->cleaner());
    ASSERT_GE(notes->leftovers().size(), 5);
    notes->leftovers()[1]->setSelected(false, RootSync::Refresh);
    ASSERT_EQ(s.tab->detailPanel()->fileView(), AppDetailPanel::FileView::advanced);
    s.shoot(QStringLiteral("advanced"));
    s.tab->state().setAdvanceMode(false);
}
