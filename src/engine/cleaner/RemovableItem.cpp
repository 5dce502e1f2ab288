#include "engine/cleaner/RemovableItem.h"

namespace tw {

const QList<ExtensionCategoryKind>& allExtensionCategories()
{
    static const QList<ExtensionCategoryKind> all{
        ExtensionCategoryKind::installationFiles, ExtensionCategoryKind::browserExtensions,
        ExtensionCategoryKind::screenSavers,      ExtensionCategoryKind::settingsPanes,
        ExtensionCategoryKind::internetPlugins,   ExtensionCategoryKind::widgets};
    return all;
}

QString displayName(ExtensionCategoryKind kind)
{
    switch (kind) {
    case ExtensionCategoryKind::installationFiles: return QStringLiteral("Installation Files");
    case ExtensionCategoryKind::browserExtensions: return QStringLiteral("Web Browser Extensions");
    case ExtensionCategoryKind::screenSavers: return QStringLiteral("Screen Savers");
    case ExtensionCategoryKind::settingsPanes: return QStringLiteral("Settings Panes");
    case ExtensionCategoryKind::internetPlugins: return QStringLiteral("Internet Plugins");
    case ExtensionCategoryKind::widgets: return QStringLiteral("Widgets");
    }
    return {};
}

std::optional<ExtensionCategoryKind> extensionCategoryFromString(const QString& text)
{
    for (ExtensionCategoryKind kind : allExtensionCategories())
        if (displayName(kind) == text)
            return kind;
    return std::nullopt;
}

} // namespace tw
