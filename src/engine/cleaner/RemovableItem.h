#pragma once

// The record of the remains, startup and extension lists, and the extension groups.

#include "platform/Icon.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <cstdint>
#include <optional>

namespace tw {

// One remains, startup or extension entry. Equal when the paths are equal.
struct RemovableItem {
    QUuid id = QUuid::createUuid();
    QString title;
    QString subtitle;
    QString path;
    std::int64_t size = 0;
    QString category;
    std::optional<QDateTime> modifiedDate;
    bool isSelected = false;
    IconRef icon;
    QStringList relatedPaths;   // every file the entry stands for; empty means just path
    bool isEnabled = true;
    QString parentName;
    std::optional<QString> parentAppPath;

    friend bool operator==(const RemovableItem& a, const RemovableItem& b) { return a.path == b.path; }
};

inline size_t qHash(const RemovableItem& item, size_t seed = 0) { return qHash(item.path, seed); }

enum class ExtensionCategoryKind { installationFiles, browserExtensions, screenSavers, settingsPanes, internetPlugins, widgets };

const QList<ExtensionCategoryKind>& allExtensionCategories();
QString displayName(ExtensionCategoryKind kind);
// Only the six display names, exactly as written.
std::optional<ExtensionCategoryKind> extensionCategoryFromString(const QString& text);

} // namespace tw
