#include "Records.h"
#include "state/L10n.h"
#include "state/LanguageManager.h"
#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "views/applications/ApplicationDrop.h"
#include "views/applications/EmptyUninstallPanel.h"
#include "views/applications/FileOutline.h"
#include "views/applications/LeftoverFileRow.h"
#include "views/applications/RemainCard.h"
#include "views/applications/RemainDetailPanel.h"
#include "views/applications/TornDocumentIcon.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/TextLines.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

TEST(TornDocumentIcon, TheFoldIsCutAtFortyFiveDegreesWhateverTheCanvas)
{
    const TornDocumentIcon::Shape card = TornDocumentIcon::shape({28, 30});
    ASSERT_EQ(card.sheet.size(), 10);
    EXPECT_DOUBLE_EQ(card.sheet[1].x(), 0.62 * 28);
    EXPECT_DOUBLE_EQ(card.sheet[1].y(), 2.4);
    EXPECT_NEAR(card.sheet[2].x() - card.sheet[1].x(), 7.28, 1e-9);
    EXPECT_NEAR(card.sheet[2].y(), 9.68, 1e-9);
    ASSERT_EQ(card.fold.size(), 3);
    EXPECT_NEAR(card.fold[2].y(), 9.68, 1e-9);
    EXPECT_DOUBLE_EQ(card.sheet[9].y(), 0.74 * 30);

    // Wider than tall: the fold follows the width, the torn edge and the lines the height.
    const TornDocumentIcon::Shape wide = TornDocumentIcon::shape({100, 20});
    const QPointF across = wide.sheet[2] - wide.sheet[1];
    EXPECT_DOUBLE_EQ(across.x(), 26);
    EXPECT_DOUBLE_EQ(across.y(), 26);
    EXPECT_DOUBLE_EQ(wide.sheet[6].y(), 0.82 * 20);
    EXPECT_DOUBLE_EQ(wide.lines[2].p2().x(), 55);
    EXPECT_DOUBLE_EQ(wide.lines[1].p1().y(), 0.44 * 20);
}

TEST(TornDocumentIcon, PaintsPaperAndInkAndNothingOnAnEmptyCanvas)
{
    QImage image(28, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        TornDocumentIcon::paint(p, QRectF(0, 0, 0, 0));
        TornDocumentIcon::paint(p, QRectF(5, 5, 0, 20));
    }
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(qAlpha(image.pixel(x, y)), 0) << x << "," << y;

    {
        QPainter p(&image);
        TornDocumentIcon::paint(p, QRectF(0, 0, 28, 30));
    }
    // Inside the sheet, away from the lines: paper; outside it: nothing.
    EXPECT_EQ(image.pixelColor(8, 18).rgb(), TornDocumentIcon::paper().rgb());
    EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
    EXPECT_EQ(qAlpha(image.pixel(27, 1)), 0);
    // The left edge is inked.
    EXPECT_LT(qGray(image.pixel(3, 15)), 200);
}

TEST(FileOutline, SectionsInFirstSeenOrderWithSymbolsAndCounts)
{
    const AppInfoPtr app = makeApp({"Notes", "com.example.notes"});
    EXPECT_EQ(apps::outlineRows(*app).size(), 2u);  // the executables header and the bundle

    const char* files[][2] = {
        {"/L/Caches/a", "Caches"},       {"/L/Containers/b", "Containers"}, {"/L/Group Containers/c", "Group Containers"},
        {"/L/Caches/d", "Caches"},       {"/L/x/e", "caches"},              {"/L/Cookies/f", "Cookies"},
    };
    for (const auto& [path, kind] : files)
        addLeftover(app, path, 10, true, kind);
    const std::vector<apps::OutlineRow> rows = apps::outlineRows(*app);

    using K = apps::OutlineRow::Kind;
    QStringList shape;
    for (const apps::OutlineRow& r : rows) {
        if (r.kind == K::header)
            shape << QStringLiteral("%1 %2 %3").arg(r.title, r.symbol, r.count ? QString::number(*r.count) : "-");
        else if (r.kind == K::bundle)
            shape << QStringLiteral("bundle");
        else
            shape << r.file->path().section(u'/', -1) + u' ' + r.symbol;
    }
    EXPECT_EQ(shape, (QStringList{
                         "Executables hammer.fill -", "bundle",
                         "Caches internaldrive.fill 2", "a internaldrive.fill", "d internaldrive.fill",
                         "Containers shippingbox.fill 1", "b shippingbox.fill",
                         "Group Containers shippingbox.fill 1", "c shippingbox.fill",
                         "caches doc.fill 1", "e doc.fill",
                         "Cookies doc.fill 1", "f doc.fill",
                     }));
}

TEST(FileOutline, CategorySymbolsAreExact)
{
    const std::pair<const char*, const char*> table[] = {
        {"Caches", "internaldrive.fill"},
        {"Containers", "shippingbox.fill"},
        {"Group Containers", "shippingbox.fill"},
        {"Preferences", "gearshape.fill"},
        {"Logs", "doc.text.fill"},
        {"Launch Agents", "bolt.horizontal.circle.fill"},
        {"Launch Daemons", "bolt.horizontal.circle.fill"},
        {"Application Support", "folder.fill"},
        {"Saved State", "doc.fill"},
        {"caches", "doc.fill"},
        {"Caches ", "doc.fill"},
        {"", "doc.fill"},
    };
    for (const auto& [label, symbol] : table)
        EXPECT_EQ(apps::categorySymbol(QString::fromUtf8(label)), QString::fromUtf8(symbol)) << label;
}

TEST(LeftoverFileRow, TheBoxTellsTheOwnerOnlyOfChangesAndBringsItsTickInLine)
{
    const AppInfoPtr app = makeApp({"Notes", "com.example.notes"});
    const LeftoverPtr a = addLeftover(app, "/Users/tester/Library/Caches/com.example.notes", 10);
    const LeftoverPtr b = addLeftover(app, "/Users/tester/Library/Logs/Notes", 20, false);
    app->setRemoveAppBundle(true);
    app->refreshRootSelectionFromFiles();
    ASSERT_FALSE(app->isSelected());

    LeftoverFileRow row;
    row.resize(500, 44);
    row.bind(b, apps::categorySymbol("Logs"));
    row.show();
    EXPECT_EQ(row.name(), "Notes");
    EXPECT_EQ(row.folder(), "tester/Library/Logs");

    QSignalSpy ownerChanges(app.get(), &AppInfo::changed);
    Binding<bool> box = LeftoverFileRow::selectionBinding(a);
    box.set(true);  // already ticked: nothing is written
    EXPECT_EQ(ownerChanges.count(), 0);

    // Ticking the last unticked file ticks the application; unticking it clears it.
    QTest::mouseClick(row.checkbox(), Qt::LeftButton, {}, row.checkbox()->rect().center());
    EXPECT_TRUE(b->isSelected());
    EXPECT_TRUE(app->isSelected());
    EXPECT_GE(ownerChanges.count(), 1);
    box.set(false);
    EXPECT_FALSE(app->isSelected());
    // A change made elsewhere reaches the box without a click.
    b->setSelected(false, RootSync::Refresh);
    EXPECT_FALSE(row.checkbox()->isChecked());
    app->applyRootSelection(true);
    EXPECT_TRUE(row.checkbox()->isChecked());
}

TEST(RemainCard, DateSizeAndTheTickThroughItsBinding)
{
    RemovableItem item;
    item.title = "Evernote";
    item.size = 0;
    bool ticked = false;
    int writes = 0;
    const Binding<bool> tick{[&] { return ticked; }, [&](bool v) { ticked = v, ++writes; }};

    RemainCard card;
    card.resize(320, RemainCard::cardHeight());
    card.bind(item, false, tick);
    card.show();
    EXPECT_EQ(card.texts(), (QStringList{"Evernote", "—", "Zero KB"}));
    EXPECT_FALSE(card.isActive());

    // Any date shows, even the very first one.
    item.modifiedDate = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    item.size = 14'500'000;
    card.bind(item, true, tick);
    EXPECT_NE(card.texts()[1], "—");
    EXPECT_TRUE(card.texts()[1].contains("19")) << card.texts()[1].toStdString();
    EXPECT_EQ(card.texts()[2], "14.5 MB");
    EXPECT_TRUE(card.isActive());

    QSignalSpy clicks(&card, &RemainCard::selected);
    QTest::mouseClick(card.checkbox(), Qt::LeftButton, {}, card.checkbox()->rect().center());
    EXPECT_TRUE(ticked);
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(clicks.count(), 0);  // the box ticks, it does not select
    QTest::mouseClick(&card, Qt::LeftButton, {}, QPoint(200, card.height() / 2));
    ASSERT_EQ(clicks.count(), 1);
    EXPECT_EQ(clicks[0][0].toUuid(), item.id);
}

TEST(RemainDetailPanel, TitleSubtitleAndCategoryWithSize)
{
    RemovableItem item;
    item.title = "Evernote";
    item.subtitle = "/Users/tester/Library/Application Support";
    item.category = "2 related items";
    RemainDetailPanel panel;
    panel.resize(480, 600);
    panel.setItem(item);
    EXPECT_EQ(panel.texts(), (QStringList{"Evernote", "/Users/tester/Library/Application Support",
                                          "2 related items · Zero KB"}));
    const RemainDetailPanel::Layout l = panel.layoutParts();
    EXPECT_LT(l.symbol.bottom(), l.title.top());
    EXPECT_LT(l.title.bottom(), l.subtitle.top());
    EXPECT_LT(l.subtitle.bottom(), l.details.top());
    EXPECT_TRUE(QRectF(panel.rect()).contains(l.details));
}

TEST(RemainDetailPanel, HostileTitlesStayInsideThePanel)
{
    RemainDetailPanel panel;
    panel.resize(480, 600);
    const QString titles[] = {QStringLiteral("Quite") + QString(400, u'x'), "Line\nBreak\n\n\nAgain",
                              "Say \"Cheese\" -rf ..", QString(60, u' ')};
    for (const QString& title : titles) {
        RemovableItem item;
        item.title = title;
        item.subtitle = "/Users/tester/Library/Application Support/" + title;
        item.category = "Application Support";
        panel.setItem(item);
        const RemainDetailPanel::Layout l = panel.layoutParts();
        EXPECT_LE(l.title.height(), 4 * 40) << title.toStdString();
        EXPECT_TRUE(QRectF(panel.rect()).contains(l.details)) << title.toStdString();
        EXPECT_EQ(panel.texts().front(), title);
        EXPECT_FALSE(panel.grab().isNull());
    }
}

TEST(ApplicationDrop, OnlyAStandardFileUrlOfAnAppBundleNamesOne)
{
    FakePlatform fp;
    const FileSystem& fs = fp.fs();
    const QString root = fp.tree().hostRoot();
    const struct {
        QUrl url;
        std::optional<QString> path;
    } cases[] = {
        {QUrl::fromLocalFile(root + "/Applications/Notes.app"), QStringLiteral("/Applications/Notes.app")},
        {QUrl::fromLocalFile(root + "/Applications/Sub/It's \"odd\".app"), QStringLiteral("/Applications/Sub/It's \"odd\".app")},
        {QUrl::fromLocalFile(root + "/Applications/Notes.APP"), std::nullopt},
        {QUrl::fromLocalFile(root + "/Users/tester/notes.txt"), std::nullopt},
        {QUrl::fromLocalFile(root + "/Applications/Notes"), std::nullopt},
        {QUrl(QStringLiteral("https://example.com/Notes.app")), std::nullopt},
        {QUrl(), std::nullopt},
        {QUrl::fromLocalFile(root + "/Applications/Notes.app/"), QString()},
        {QUrl::fromLocalFile(root + "/Applications/../Applications/Notes.app"), QString()},
        {QUrl::fromLocalFile(QStringLiteral("/elsewhere/Notes.app")), QString()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(apps::droppedBundlePath(c.url, fs), c.path) << c.url.toString().toStdString();

    const AppInfoPtr notes = makeApp({"Notes", "com.example.notes"});
    const AppInfoPtr idle = makeApp({"IDLE", "org.python.IDLE", 10, std::nullopt, "/Applications/Python/IDLE.app"});
    const QList<AppInfoPtr> apps{makeGroup("Python", {idle}), notes};
    EXPECT_EQ(apps::listedApplication(apps, "/Applications/Notes.app"), notes);
    EXPECT_EQ(apps::listedApplication(apps, "/Applications/Python/IDLE.app"), nullptr);  // members are not searched
    EXPECT_EQ(apps::listedApplication(apps, ""), nullptr);
}

namespace {

// Sends a drag event of data at pos to the panel; gives whether it was taken.
template <typename Event>
bool sendDrag(EmptyUninstallPanel& panel, QMimeData& data, QPointF pos, Qt::DropAction* action = nullptr)
{
    Event e(pos.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    e.setDropAction(Qt::MoveAction);
    QCoreApplication::sendEvent(&panel, &e);
    if (action)
        *action = e.dropAction();
    return e.isAccepted();
}

} // namespace

TEST(EmptyUninstallPanel, OnlyFileUrlsOverTheZoneAreTakenAndAlwaysAsACopy)
{
    EmptyUninstallPanel panel;
    panel.resize(560, 640);
    panel.show();
    QSignalSpy hover(&panel, &EmptyUninstallPanel::dropHoverChanged);
    QSignalSpy dropped(&panel, &EmptyUninstallPanel::dropped);
    const QPointF zone = panel.dropZone().center();
    const QPointF title = panel.layoutParts().title.center();

    QMimeData text;
    text.setText("/Applications/Notes.app");
    EXPECT_FALSE(sendDrag<QDragEnterEvent>(panel, text, zone));
    EXPECT_FALSE(sendDrag<QDropEvent>(panel, text, zone));
    QMimeData web;
    web.setUrls({QUrl("https://example.com/Notes.app")});
    EXPECT_FALSE(sendDrag<QDragEnterEvent>(panel, web, zone));
    EXPECT_FALSE(sendDrag<QDropEvent>(panel, web, zone));
    EXPECT_EQ(hover.count(), 0);

    QMimeData files;
    const QList<QUrl> urls{QUrl::fromLocalFile("/tmp/Notes.app"), QUrl("https://example.com/x")};
    files.setUrls(urls);
    // Entering over the title: the drag may go on, but nothing is targeted
    // and a drop there is not taken.
    EXPECT_TRUE(sendDrag<QDragEnterEvent>(panel, files, title));
    EXPECT_EQ(hover.count(), 0);
    EXPECT_FALSE(sendDrag<QDropEvent>(panel, files, title));
    EXPECT_EQ(dropped.count(), 0);

    Qt::DropAction action = Qt::IgnoreAction;
    EXPECT_TRUE(sendDrag<QDragEnterEvent>(panel, files, zone, &action));
    EXPECT_EQ(action, Qt::CopyAction);
    ASSERT_EQ(hover.count(), 1);
    EXPECT_TRUE(hover[0][0].toBool());
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(&panel, &leave);
    ASSERT_EQ(hover.count(), 2);
    EXPECT_FALSE(hover[1][0].toBool());

    EXPECT_TRUE(sendDrag<QDragEnterEvent>(panel, files, zone));
    EXPECT_TRUE(sendDrag<QDropEvent>(panel, files, zone, &action));
    EXPECT_EQ(action, Qt::CopyAction);
    ASSERT_EQ(dropped.count(), 1);
    EXPECT_EQ(dropped[0][0].value<QList<QUrl>>(), QList<QUrl>{QUrl::fromLocalFile("/tmp/Notes.app")});
    EXPECT_FALSE(hover.last()[0].toBool());
    EXPECT_EQ(EmptyUninstallPanel::fileUrls(&text), QList<QUrl>{});
}

TEST(EmptyUninstallPanel, TheZonesTextIsShownWholeWrappedWithinItsFrameInJapanese)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    state.language().setLanguage(AppLanguage::ja);
    const QString words = L10n::t(QStringLiteral("apps.drag_drop"));
    const QFont& font = typescale::font(TextRole::itemName);
    const QFontMetricsF m(font);
    const qreal advance = m.horizontalAdvance(words);
    // The panel's margins (24 each side) and the zone's own parts beside
    // the text (18 + 18 padding, the 16 pt symbol and its 10 pt gap).
    constexpr int kAround = 2 * 24 + 2 * 18 + 16 + 10;
    EmptyUninstallPanel panel;
    // Wide (the zone at its 420 pt), and narrow enough for two and for four lines.
    for (const int width : {1100, kAround + int(advance * 0.6), kAround + int(advance * 0.3)}) {
        panel.resize(width, 900);
        const EmptyUninstallPanel::Layout l = panel.layoutParts();
        const QRectF area = l.zoneText;
        EXPECT_LE(l.dropZone.width(), 420) << width;
        EXPECT_TRUE(l.dropZone.contains(area)) << width;
        EXPECT_TRUE(QRectF(panel.rect()).contains(l.dropZone)) << width;
        // Every line it needs at its width fits its height.
        EXPECT_EQ(panel.texts().at(2), words);
        EXPECT_LE(text::wrappedHeight(font, words, area.width()), area.height()) << width;
        const int lines = int(std::ceil(advance / area.width()));
        EXPECT_GE(area.height(), m.height() + (lines - 1) * m.lineSpacing() - 1) << width;
        if (lines < 2)
            continue;
        // Its last line is drawn: ink over the zone's fill there.
        QImage img(panel.size(), QImage::Format_ARGB32_Premultiplied);
        panel.render(&img);
        const int top = int(area.bottom() - m.height() + 2), bottom = int(area.bottom()) - 2;
        const QRgb fill = EmptyUninstallPanel::softFill().rgb();
        int ink = 0;
        for (int y = top; y < bottom; ++y)
            for (int x = int(area.left()); x < int(area.right()); ++x) {
                const QRgb c = img.pixel(x, y);
                ink += std::abs(qRed(c) - qRed(fill)) + std::abs(qGreen(c) - qGreen(fill))
                        + std::abs(qBlue(c) - qBlue(fill)) > 24;
            }
        EXPECT_GT(ink, 20) << width;
    }
    state.language().setLanguage(AppLanguage::en);
}
