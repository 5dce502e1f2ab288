#pragma once

#include "state/TranslationTables.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <initializer_list>
#include <optional>

namespace tw {

// The translation lookup, in the language the stored choice and the system's
// preferred languages give (see SharedState); English with none installed.
// The language is resolved once after each change (LanguageManager, a new
// shared state, a change of the system's languages), not on every call, so
// lists and painting may call t per row. Callable from any thread.
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
    // The code the current settings and system languages give, read now.
    static QString currentLanguageCode();
    // The code t uses: currentLanguageCode as of the last change announced.
    static QString languageCode();
    // Announces that the language may have changed; the next lookup resolves it again.
    static void languageMayHaveChanged();
    // The text of key in the table of code, else English, else the key.
    static QString lookup(const TranslationTableSet& tables, const QString& code, const QString& key);
    // printf-style formatting ("%@", "%d", "%.1f", positional "%1$@", ...)
    // with the decimal separator of the locale named by code.
    static QString format(const QString& text, const QList<Arg>& args, const QString& code);
};

} // namespace tw
