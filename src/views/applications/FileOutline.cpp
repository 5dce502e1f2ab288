#include "views/applications/FileOutline.h"

#include "state/L10n.h"

#include <QHash>

namespace tw::apps {

QString categorySymbol(const QString& category)
{
    static const QHash<QString, QString> symbols{
        {QStringLiteral("Caches"), QStringLiteral("internaldrive.fill")},
        {QStringLiteral("Containers"), QStringLiteral("shippingbox.fill")},
        {QStringLiteral("Group Containers"), QStringLiteral("shippingbox.fill")},
        {QStringLiteral("Preferences"), QStringLiteral("gearshape.fill")},
        {QStringLiteral("Logs"), QStringLiteral("doc.text.fill")},
        {QStringLiteral("Launch Agents"), QStringLiteral("bolt.horizontal.circle.fill")},
        {QStringLiteral("Launch Daemons"), QStringLiteral("bolt.horizontal.circle.fill")},
        {QStringLiteral("Application Support"), QStringLiteral("folder.fill")},
    };
    return symbols.value(category, QStringLiteral("doc.fill"));
}

std::vector<OutlineRow> outlineRows(const AppInfo& app)
{
    using Kind = OutlineRow::Kind;
    std::vector<OutlineRow> rows{{Kind::header, L10n::t(QStringLiteral("apps.executables")), QStringLiteral("hammer.fill"),
                                  std::nullopt, nullptr},
                                 {Kind::bundle, {}, {}, std::nullopt, nullptr}};
    // One pass: the categories in the order they first occur, each with its files in list order.
    QStringList categories;
    QHash<QString, QList<LeftoverPtr>> files;
    for (const LeftoverPtr& l : app.leftovers()) {
        auto it = files.find(l->kindDescription());
        if (it == files.end()) {
            categories << l->kindDescription();
            it = files.insert(l->kindDescription(), {});
        }
        it->append(l);
    }
    for (const QString& c : std::as_const(categories)) {
        const QList<LeftoverPtr>& inCategory = files[c];
        const QString symbol = categorySymbol(c);
        rows.push_back({Kind::header, c, symbol, int(inCategory.size()), nullptr});
        for (const LeftoverPtr& l : inCategory)
            rows.push_back({Kind::file, {}, symbol, std::nullopt, l});
    }
    return rows;
}

} // namespace tw::apps
