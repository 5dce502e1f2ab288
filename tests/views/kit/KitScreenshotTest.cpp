#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "support/ShellHarness.h"
#include "views/kit/AlertDialog.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/FeatureEmptyState.h"
#include "views/kit/FilterBar.h"
#include "views/kit/Glow.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/NeonText.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/RoundedCard.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/SymbolView.h"
#include "views/kit/TintedLabel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

#include <iostream>

using namespace tw;
using namespace tw::test;

namespace {

QLabel* text(const QString& s, Tint tint, int points, QFont::Weight weight = QFont::Normal)
{
    return new TintedLabel(s, tint, neon::systemFont(points, weight));
}

// A list card as the workspaces build them: check box, symbol, two lines and a size.
RoundedCard* card(RoundedCard::Look look, const QString& title, bool ticked)
{
    auto* c = new RoundedCard;
    c->setLook(look);
    auto* row = new QHBoxLayout(c);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(10);
    auto* box = new AppKitCheckbox;
    box->setChecked(ticked);
    row->addWidget(box);
    row->addWidget(new SymbolView(tintedSymbol(QStringLiteral("shippingbox.fill"), 26)));
    auto* lines = new QVBoxLayout;
    lines->setSpacing(3);
    lines->addWidget(text(title, Tint::primary, 13, QFont::DemiBold));
    lines->addWidget(text(QStringLiteral("12 Mar 2025"), Tint::secondary, 11));
    row->addLayout(lines, 1);
    row->addWidget(text(QStringLiteral("1.2 GB"), Tint::primary, 12, QFont::Medium));
    return c;
}

// Every widget of the kit on one surface.
class Gallery : public QWidget {
public:
    Gallery()
    {
        glowhost::mark(this);
        auto* grid = new QGridLayout(this);
        grid->setContentsMargins(16, 16, 16, 16);
        grid->setHorizontalSpacing(24);
        grid->setVerticalSpacing(14);

        auto* cards = new QVBoxLayout;
        cards->setSpacing(12);
        cards->addWidget(card(&CardLook::normal, QStringLiteral("Normal card"), false));
        cards->addWidget(card(&CardLook::active, QStringLiteral("Active card with a glow"), true));
        cards->addWidget(card(&CardLook::highlighted, QStringLiteral("Expanded group"), false));
        cards->addWidget(card(&CardLook::outlined, QStringLiteral("Group of the selection"), true));
        cards->addWidget(card(&CardLook::accented, QStringLiteral("Startup item, selected"), false));
        grid->addLayout(cards, 0, 0, 3, 1);

        auto* controls = new QVBoxLayout;
        controls->setSpacing(10);
        auto* toggles = new QHBoxLayout;
        toggles->setSpacing(12);
        auto* on = new AppKitCheckbox;
        on->setChecked(true);
        toggles->addWidget(on);
        toggles->addWidget(new AppKitCheckbox);
        auto* all = new AppKitCheckbox;
        all->setText(QStringLiteral("Select All"));
        toggles->addWidget(all);
        auto* sw = new NeonSwitch;
        sw->setChecked(true);
        toggles->addWidget(sw);
        toggles->addWidget(new NeonSwitch);
        auto* small = new NeonSwitch(NeonSwitch::Size::small);
        small->setChecked(true);
        toggles->addWidget(small);
        toggles->addStretch(1);
        controls->addLayout(toggles);
        auto* picker = new SegmentedControl({QStringLiteral("Apps"), QStringLiteral("Remains")});
        picker->setFixedWidth(168);
        controls->addWidget(picker);
        controls->addWidget(new FilterBar({[] { return QString(); }, {}}, QStringLiteral("Search apps"), [] {}));
        controls->addWidget(new FilterBar({[] { return QStringLiteral("Notes"); }, {}}, QStringLiteral("Search")));
        auto* symbols = new QGridLayout;
        symbols->setSpacing(6);
        const QStringList names = symbols::names();
        for (qsizetype i = 0; i < names.size(); ++i) {
            auto* s = new SymbolView(tintedSymbol(names[i], 20));
            s->setToolTip(names[i]);
            symbols->addWidget(s, int(i / 14), int(i % 14));
        }
        auto* refresh = new SymbolButton(refreshGlyph());
        symbols->addWidget(refresh, int(names.size() / 14), int(names.size() % 14));
        controls->addLayout(symbols);
        grid->addLayout(controls, 0, 1);

        auto* progress = new ProgressIndicator(QStringLiteral("Scanning applications…"));
        progress->setMinimumHeight(70);
        grid->addWidget(progress, 1, 1);
        auto* empty = new FeatureEmptyState(
            QStringLiteral("Updates"),
            QStringLiteral("Check for live updates, open the App Store, or launch an app to update it."),
            QStringLiteral("arrow.triangle.2.circlepath"));
        empty->setMinimumHeight(250);
        grid->addWidget(empty, 2, 1);

        list = new LazyList;
        list->setSpacing(8);
        list->setPadding(QMargins(10, 10, 10, 10));
        list->setRows({
            .kind = {},
            .height = [](int, int) { return 56; },
            .make = [](int) -> QWidget* { return card(&CardLook::normal, {}, false); },
            .bind = [](QWidget* w, int row) {
                auto* c = static_cast<RoundedCard*>(w);
                c->setLook(row == 1 ? &CardLook::active : &CardLook::normal);
                c->findChild<QLabel*>()->setText(QStringLiteral("Lazily built row %1").arg(row));
            },
        });
        list->setFixedHeight(250);
        list->reset(1000);
        grid->addWidget(list, 3, 0);
    }
    LazyList* list;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        neon::fillRect(p, rect(), AppTheme::panelBase());
        glowhost::paint(this, p, e->region());
    }
};

} // namespace

// Renders every kit widget in each theme and keeps the pictures under the
// build folder (tests/screenshots/kit-<theme>.png and kit-alert-<theme>.png).
TEST(KitScreenshots, EveryWidgetInEveryTheme)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    Gallery gallery;
    gallery.resize(1100, 900);
    gallery.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&gallery));
    const QString folder = screenshotFolder();
    QHash<AppAppearance, QColor> listCorners;
    for (AppAppearance a : allCases<AppAppearance>()) {
        state.theme().apply(a, true);
        QCoreApplication::processEvents();
        const QImage img = gallery.grab().toImage();
        ASSERT_TRUE(img.save(folder + QStringLiteral("/kit-%1.png").arg(rawValue(a))));
        const QPoint corner = gallery.list->mapTo(&gallery, QPoint(3, 3));
        listCorners.insert(a, img.pixelColor(corner));

        AlertDialog alert({Prompt::Style::warning, QStringLiteral("Uninstall Notes?"),
                           QStringLiteral("Notes and 3 selected files (12.4 MB) will be moved to the Trash."),
                           {{QStringLiteral("Uninstall"), PromptButton::Role::defaultAction},
                            {QStringLiteral("Cancel"), PromptButton::Role::cancel}}});
        alert.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&alert));
        ASSERT_TRUE(alert.grab().save(folder + QStringLiteral("/kit-alert-%1.png").arg(rawValue(a))));
    }
    // The list's background is the theme's list background: dark and opaque
    // in the dark themes, a translucent light grey in classic.
    for (AppAppearance a : {AppAppearance::midnight, AppAppearance::indigo})
        EXPECT_EQ(listCorners.value(a).rgb(), AppTheme::listBackground(a).rgb()) << rawValue(a).toStdString();
    EXPECT_GT(listCorners.value(AppAppearance::classic).lightness(), 200);
    std::cout << "screenshots in " << folder.toStdString() << std::endl;
}
