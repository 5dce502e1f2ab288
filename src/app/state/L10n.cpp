#include "app/state/L10n.h"

#include "app/state/LanguageManager.h"
#include "app/state/SharedState.h"
#include "platform/Format.h"

#include <QLocale>

#include <cstdio>
#include <locale.h>

namespace tw {

// ---- Lookup -----------------------------------------------------------------

QString L10n::resolveLanguageCode(const std::optional<QString>& stored, const QStringList& preferred)
{
    const QString choice = stored.value_or(QStringLiteral("system"));
    if (choice != QLatin1String("system"))
        return choice;
    const QString first = preferred.isEmpty() ? QStringLiteral("en") : preferred.first();
    if (first.startsWith(QLatin1String("zh")))
        return QStringLiteral("zh-Hans");
    const QString prefix = first.left(2);
    return TranslationTables::languageCodes().contains(prefix) ? prefix : QStringLiteral("en");
}

QString L10n::currentLanguageCode()
{
    const SharedState* state = SharedState::current();
    if (!state)
        return QStringLiteral("en");
    const Platform& p = state->platform();
    return resolveLanguageCode(p.settings().stringValue(LanguageManager::key), p.locale().preferredLanguages());
}

QString L10n::lookup(const TranslationTableSet& tables, const QString& code, const QString& key)
{
    for (const QString& c : {code, QStringLiteral("en")}) {
        const auto table = tables.constFind(c);
        if (table == tables.cend())
            continue;
        const auto text = table->constFind(key);
        if (text != table->cend())
            return *text;
    }
    return key;
}

QString L10n::t(const QString& key, std::initializer_list<Arg> args)
{
    const QString code = currentLanguageCode();
    const QString text = lookup(TranslationTables::tables(), code, key);
    if (args.size() == 0)
        return text;
    return format(text, QList<Arg>(args), code);
}

// ---- printf-style formatting -------------------------------------------------

namespace {

// One integer through the C formatter; directive holds the flags, width and
// precision, conversion is one of d i u x X o.
QString integerText(const QByteArray& directive, char conversion, const QVariant& v)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const QByteArray format = directive + "ll" + conversion;
    char buf[128];
    const locale_t previous = uselocale(cLocale);
    if (conversion == 'd' || conversion == 'i') {
        const long long n = v.typeId() == QMetaType::Double ? static_cast<long long>(v.toDouble()) : v.toLongLong();
        std::snprintf(buf, sizeof buf, format.constData(), n);
    } else {
        const unsigned long long n = v.typeId() == QMetaType::Double ? static_cast<unsigned long long>(v.toDouble())
                                                                      : v.toULongLong();
        std::snprintf(buf, sizeof buf, format.constData(), n);
    }
    uselocale(previous);
    return QString::fromLatin1(buf);
}

} // namespace

QString L10n::format(const QString& text, const QList<Arg>& args, const QString& code)
{
    QLocale locale(code);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString out;
    out.reserve(text.size() + 16);
    qsizetype next = 0;  // the next argument for a placeholder without a position
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        qsizetype j = i + 1;
        if (j < n && text[j] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i = j;
            continue;
        }
        // Optional position "n$".
        qsizetype k = j;
        while (k < n && text[k].isDigit())
            ++k;
        qsizetype index = -1;
        if (k > j && k < n && text[k] == QLatin1Char('$')) {
            index = text.mid(j, k - j).toLongLong() - 1;
            j = k + 1;
        }
        // Flags, width and precision (kept for the C formatter).
        QByteArray directive("%");
        while (j < n && QByteArrayView("-+ #0").contains(char(text[j].unicode())))
            directive += char(text[j++].unicode());
        while (j < n && text[j].isDigit())
            directive += char(text[j++].unicode());
        if (j < n && text[j] == QLatin1Char('.')) {
            directive += char(text[j++].unicode());
            while (j < n && text[j].isDigit())
                directive += char(text[j++].unicode());
        }
        // Length modifiers carry no meaning here: every argument knows its type.
        while (j < n && QByteArrayView("hlqLzjt").contains(char(text[j].unicode())))
            ++j;
        if (j >= n) {
            out += text.mid(i);
            break;
        }
        const char conversion = char(text[j].unicode());
        if (index < 0)
            index = next++;
        if (index < 0 || index >= args.size() || !QByteArrayView("@sdiuxXofFeEgGc").contains(conversion)) {
            // No argument or an unknown conversion: the placeholder stays as written.
            out += text.mid(i, j - i + 1);
            i = j;
            continue;
        }
        const QVariant& v = args[index].value;
        switch (conversion) {
        case '@':
        case 's':
            out += v.typeId() == QMetaType::Double ? locale.toString(v.toDouble(), 'g', QLocale::FloatingPointShortest)
                                                   : v.toString();
            break;
        case 'c':
            out += v.typeId() == QMetaType::QString ? v.toString().left(1) : QString(QChar(char16_t(v.toInt())));
            break;
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
        case 'o':
            out += integerText(directive, conversion, v);
            break;
        default: {
            QString number = cFormat((directive + conversion).constData(), v.toDouble());
            number.replace(QLatin1Char('.'), locale.decimalPoint());
            out += number;
            break;
        }
        }
        i = j;
    }
    return out;
}

} // namespace tw
