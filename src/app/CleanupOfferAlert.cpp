#include "app/CleanupOfferAlert.h"

#include "app/SweeplineApp.h"
#include "engine/inventory/ByteFormat.h"

namespace tw {

// ---- Cleanup offer ------------------------------------------------------------------------

namespace cleanupofferalert {

QString title(const RemainCleanupOffer& offer)
{
    return offer.appName + QStringLiteral(" has been moved to Trash");
}

QString message(const RemainCleanupOffer& offer)
{
    return SweeplineApp::displayName() + QStringLiteral(" detected ") + byteformat::string(offer.totalSize())
        + QStringLiteral(" of remaining files (") + QString::number(offer.leftovers.size())
        + QStringLiteral(" items).\nWould you like to remove the leftovers completely?");
}

QList<RemovableItem> removableItems(const RemainCleanupOffer& offer)
{
    QList<RemovableItem> items;
    for (const LeftoverPtr& leftover : offer.leftovers) {
        if (!leftover)
            continue;
        RemovableItem item;
        item.title = leftover->path().section(u'/', -1, -1, QString::SectionSkipEmpty);
        item.subtitle = leftover->kindDescription();
        item.path = leftover->path();
        item.size = leftover->size();
        item.category = leftover->kindDescription();
        item.isSelected = true;
        item.relatedPaths = {leftover->path()};
        items << item;
    }
    return items;
}

Prompt failureAlert(const QList<RemovalFailure>& failed)
{
    QStringList lines;
    for (const RemovalFailure& f : failed)
        lines << removal::failureLine(f.path, f.reason);
    return Prompt::alert(Prompt::Style::warning, QStringLiteral("Couldn’t remove"), removal::namedList(lines));
}

} // namespace cleanupofferalert

} // namespace tw
