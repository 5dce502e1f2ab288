#include "Records.h"
#include "state/L10n.h"
#include "state/LanguageManager.h"
#include "state/SharedState.h"
#include "support/FakePlatform.h"
#include "views/applications/AppDetailPanel.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QImage>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace tw;
using namespace tw::test;

namespace {

AppInfoPtr notes(const QString& developer, const QString& identifier)
{
    AppFields f;
    f.name = QStringLiteral("Notes");
    f.bundleIdentifier = identifier;
    f.path = QStringLiteral("/Applications/Notes.app");
    f.appSize = 1000;
    f.developer = developer;
    return AppInfo::make(f);
}

// The header of a panel showing app in advance mode, in direction, as painted.
QImage header(const FileSystem& fs, const AppInfoPtr& app, Qt::LayoutDirection direction)
{
    QWidget parent;
    parent.setLayoutDirection(direction);
    parent.resize(560, 400);
    auto* panel = new AppDetailPanel(fs, &parent);
    panel->setGeometry(parent.rect());
    panel->setSubject(app, true);
    parent.show();
    if (!QTest::qWaitForWindowExposed(&parent))
        return {};
    QWidget* top = panel->childAt(panel->width() / 2, 2);
    if (!top || top->parentWidget() != panel || top->y() != 0)
        return {};
    // As the window's backing store holds it: the path a shown window paints by.
    QCoreApplication::sendPostedEvents();
    parent.repaint();
    const QPoint at = top->mapTo(&parent, QPoint());
    return parent.screen()->grabWindow(parent.winId(), at.x(), at.y(), top->width(), top->height()).toImage();
}

} // namespace

TEST(AppDetailHeader, TheValueLinesReadLabelFirstInArabicAsInEnglish)
{
    FakePlatform fake;
    SharedState state(fake.platform());
    // The text column starts after the 16 pt margin, the 48 pt icon and a 14 pt gap.
    constexpr int kTextColumn = 16 + 48 + 14;
    const QFontMetricsF caption(typescale::font(TextRole::caption));
    const struct {
        const char* key;
        AppInfoPtr one, other;  // differ in that line's value only
    } lines[] = {
        {"apps.developer", notes(QStringLiteral("Quill Works"), QStringLiteral("com.quill.notes")),
         notes(QStringLiteral("Zephyr Labs"), QStringLiteral("com.quill.notes"))},
        {"apps.verification", notes(QStringLiteral("Quill Works"), QStringLiteral("com.quill.notes")),
         notes(QStringLiteral("Quill Works"), QStringLiteral("org.zephyr.app"))},
    };
    for (const AppLanguage language : {AppLanguage::ar, AppLanguage::en}) {
        state.language().setLanguage(language);
        const bool rtl = language == AppLanguage::ar;
        for (const auto& line : lines) {
            const QString key = QString::fromUtf8(line.key);
            const QImage one = header(fake.fs(), line.one, rtl ? Qt::RightToLeft : Qt::LeftToRight);
            const QImage other = header(fake.fs(), line.other, rtl ? Qt::RightToLeft : Qt::LeftToRight);
            ASSERT_FALSE(one.isNull()) << line.key;
            ASSERT_EQ(one.size(), other.size()) << line.key;
            EXPECT_NE(one, other) << line.key;  // the values are drawn
            // The label stands first, against the leading edge of the text
            // column, wherever the value ends: its columns are the same in both.
            const int label = int(caption.horizontalAdvance(L10n::t(key))) - 1;
            const int left = rtl ? one.width() - kTextColumn - label : kTextColumn;
            const QRect labelColumns(left, 0, label, one.height());
            EXPECT_EQ(one.copy(labelColumns), other.copy(labelColumns)) << line.key << " rtl " << rtl;
        }
    }
    state.language().setLanguage(AppLanguage::en);
}
