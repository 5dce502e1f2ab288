#include "menubar/QuickNetworkPane.h"

#include "engine/inventory/Models.h"
#include "menubar/QuickListRow.h"
#include "state/Colour.h"
#include "views/kit/SymbolView.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>

namespace tw {

QuickNetworkPane::QuickNetworkPane(AppScanner& scanner, QWidget* parent)
    : QuickAppListPane(scanner, QStringLiteral("Network access"), QStringLiteral("Apps that can use the network"),
                       QStringLiteral("Search apps"), parent)
{
    start();
}

QColor QuickNetworkPane::allowedColour()
{
    return rgb(0.20, 0.72, 0.36);
}

void QuickNetworkPane::addControls(QuickListRow* row)
{
    Glyph check{QStringLiteral("checkmark.circle.fill"), 14};
    check.colour = allowedColour();
    row->trailing()->addWidget(new SymbolView(check, row), 0, Qt::AlignVCenter);
    row->trailing()->addWidget(
        new TintedLabel(QStringLiteral("Allowed"), Tint::secondary, typescale::font(TextRole::callout), row), 0,
        Qt::AlignVCenter);
}

void QuickNetworkPane::bindRow(QuickListRow* row, const AppInfoPtr& app)
{
    row->setTexts(app->name());
}

} // namespace tw
