#pragma once

#include "app/EnumValues.h"
#include "platform/Services.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QVariant>

#include <initializer_list>

namespace tw {

// The interface languages: the system's choice and ten languages.
enum class AppLanguage { system, en, es, fr, de, pt, it, ja, zhHans, ru, ar };

template <>
const QList<AppLanguage>& allCases<AppLanguage>();
QString rawValue(AppLanguage language);
// The language's own name; "system" is named in the current language.
QString displayName(AppLanguage language);

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

// The translation lookup. Every call reads the stored language choice from
// the installed platform's settings (see SharedState); with none installed
// English is used. Callable from any thread.
class L10n {
public:
    // A format argument: a text or a number.
    struct Arg {
        Arg(const QString& s) : value(s) {}
        Arg(const char* s) : value(QString::fromUtf8(s)) {}
        Arg(int v) : value(qlonglong(v)) {}
        Arg(long v) : value(qlonglong(v)) {}
        Arg(long long v) : value(qlonglong(v)) {}
        Arg(unsigned v) : value(qulonglong(v)) {}
        Arg(unsigned long v) : value(qulonglong(v)) {}
        Arg(unsigned long long v) : value(qulonglong(v)) {}
        Arg(double v) : value(v) {}
        QVariant value;
    };

    L10n() = delete;

    static QString t(const QString& key) { return t(key, std::initializer_list<Arg>{}); }
    static QString t(const QString& key, std::initializer_list<Arg> args);
    template <class... A>
    static QString t(const QString& key, const A&... args)
    {
        return t(key, std::initializer_list<Arg>{Arg(args)...});
    }

    // The language code for a stored choice and the preferred languages.
    static QString resolveLanguageCode(const std::optional<QString>& stored, const QStringList& preferred);
    // The code the current settings and system languages give.
    static QString currentLanguageCode();
    // The text of key in the table of code, else English, else the key.
    static QString lookup(const TranslationTableSet& tables, const QString& code, const QString& key);
    // printf-style formatting ("%@", "%d", "%.1f", positional "%1$@", ...)
    // with the decimal separator of the locale named by code.
    static QString format(const QString& text, const QList<Arg>& args, const QString& code);
};

// Owns the persisted language choice ("settings.appLanguage").
class LanguageManager : public QObject {
    Q_OBJECT
public:
    explicit LanguageManager(Settings& settings, QObject* parent = nullptr);
    static LanguageManager& shared();

    static inline const QString key = QStringLiteral("settings.appLanguage");

    AppLanguage language() const { return m_language; }
    // Every assignment, also of the current value, stores the choice and
    // bumps the revision, so the interface rebuilds itself.
    void setLanguage(AppLanguage language);
    int revision() const { return m_revision; }

signals:
    void languageChanged();

private:
    Settings& m_settings;
    int m_revision = 0;
    AppLanguage m_language = AppLanguage::system;
};

} // namespace tw
