#pragma once

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "engine/inventory/RemovalLane.h"

#include <QObject>
#include <QTest>
#include <gtest/gtest.h>

#include <optional>

namespace tw::test {

// The outcome of an engine's change, as its completion hands it over on the
// GUI thread.
template <typename Outcome>
struct Awaited {
    QObject context;
    std::optional<Outcome> value;

    Completion<Outcome> then()
    {
        return {&context, [this](const Outcome& outcome) { value = outcome; }};
    }
    // Waits for it; a change that never reports fails the test.
    Outcome wait()
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return value.has_value(); }, 60000));
        return value.value_or(Outcome{});
    }
};

// The engines' changes, each waited for until its report is back (and the
// engine's lists updated).
inline RemovalReport uninstalled(AppScanner& scanner, const AppInfoPtr& app, const QList<LeftoverPtr>& leftovers,
                                 BundleRemoval bundle)
{
    Awaited<RemovalReport> report;
    scanner.uninstall(app, leftovers, bundle, report.then());
    return report.wait();
}

inline RemovalReport uninstalledEntry(AppScanner& scanner, const AppInfoPtr& entry)
{
    Awaited<RemovalReport> report;
    scanner.uninstallEntry(entry, report.then());
    return report.wait();
}

inline RemovalReport trashed(SystemCleaner& cleaner, const QList<RemovableItem>& items)
{
    Awaited<RemovalReport> report;
    cleaner.trashSelected(items, report.then());
    return report.wait();
}

} // namespace tw::test
