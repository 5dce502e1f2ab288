#include "ExtensionTree.h"
#include "support/ShellHarness.h"
#include "views/extensions/ExtensionRows.h"
#include "views/extensions/ExtensionsWorkspace.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/PullDownButton.h"
#include "views/kit/PushButton.h"
#include "views/kit/Tints.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

using namespace tw;
using namespace tw::test;

namespace {

// The window's surface behind a workspace, as the main view paints it.
class Backdrop : public QWidget {
protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        neon::fillRect(p, rect(), AppTheme::panelBase());
    }
};

} // namespace

// Renders the tab at the main window's workspace size in each theme and keeps
// the pictures under the build folder (tests/screenshots/extensions-<theme>.png).
TEST(ExtensionsScreenshots, TheTabInEveryTheme)
{
    ShellHarness h;
    ExtensionTree tree(h.fake);
    Backdrop backdrop;
    auto* layout = new QHBoxLayout(&backdrop);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* w = new ExtensionsWorkspace(h.env());
    layout->addWidget(w);
    backdrop.resize(1100 - 188, 680);
    backdrop.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&backdrop));
    drainScans(nullptr, h.cleaner.get());
    // One entry unticked, so both row looks show.
    w->state().toggleSelected(tree.chrome + "/Profile 2/Extensions/dddd");
    QCoreApplication::processEvents();

    const QString folder = screenshotFolder();
    for (AppAppearance a : allCases<AppAppearance>()) {
        h.state->theme().apply(a, true);
        QCoreApplication::processEvents();
        const QImage img = backdrop.grab().toImage();
        ASSERT_TRUE(img.save(folder + QStringLiteral("/extensions-%1.png").arg(rawValue(a))));

        // The unticked row has the theme's opaque row colour, the Remove button the accent.
        ExtensionItemRow* unticked = nullptr;
        for (int row : w->list()->shownRows())
            if (auto* item = qobject_cast<ExtensionItemRow*>(w->list()->widgetFor(row)); item && !item->isSelected())
                unticked = item;
        ASSERT_TRUE(unticked);
        const QPoint inRow = unticked->mapTo(&backdrop, QPoint(unticked->width() / 2, 3));
        EXPECT_EQ(pixel(img, inRow.x(), inRow.y()).rgb(), ExtensionItemRow::background(a).rgb()) << rawValue(a).toStdString();
        const QPoint inButton = w->removeButton()->mapTo(&backdrop, QPoint(6, w->removeButton()->height() / 2));
        EXPECT_EQ(pixel(img, inButton.x(), inButton.y()).rgb(), accentTint(a).rgb()) << rawValue(a).toStdString();
    }

    // A kind whose entries the search hides, in the dark theme.
    h.state->theme().apply(AppAppearance::midnight, true);
    w->state().setSearchText(QStringLiteral("nothing like this"));
    QCoreApplication::processEvents();
    ASSERT_TRUE(backdrop.grab().save(folder + QStringLiteral("/extensions-midnight-empty.png")));
    std::cout << "screenshots in " << folder.toStdString() << std::endl;
}
