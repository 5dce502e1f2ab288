#include "views/applications/EmptyRemainsPanel.h"

#include "state/L10n.h"

namespace tw {

EmptyRemainsPanel::EmptyRemainsPanel(QWidget* parent)
    : FeatureEmptyState(L10n::t(QStringLiteral("apps.remove_remains_title")),
                        L10n::t(QStringLiteral("apps.remove_remains_subtitle")), QStringLiteral("doc.on.doc"), parent)
{
    setSubtitleWidth(420);
    setSymbolOpacity(0.8);
}

} // namespace tw
