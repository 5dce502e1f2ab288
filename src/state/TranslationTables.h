#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace tw {

// Language code -> key -> text.
using TranslationTable = QHash<QString, QString>;
using TranslationTableSet = QHash<QString, TranslationTable>;

// The fixed translation tables, built once on first use (thread-safe).
struct TranslationTables {
    static const TranslationTableSet& tables();
    // The table codes in their fixed order: "en" first.
    static const QStringList& languageCodes();
    // How many entries the source of a table lists (duplicates included).
    static int entryCount(const QString& code);
};

} // namespace tw
