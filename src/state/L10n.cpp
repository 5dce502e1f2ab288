#include "state/L10n.h"

#include "state/LanguageManager.h"
#include "state/SharedState.h"
#include "platform/Format.h"

#include <QLocale>
#include <QMutex>

#include <algorithm>
#include <atomic>

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

namespace {

// The resolved language code and the change it was resolved after.
std::atomic<quint64> languageGeneration{1};
struct ResolvedLanguage {
    QMutex mutex;
    quint64 generation = 0;
    QString code;
};

ResolvedLanguage& resolved()
{
    static ResolvedLanguage r;
    return r;
}

} // namespace

void L10n::languageMayHaveChanged()
{
    languageGeneration.fetch_add(1);
}

QString L10n::languageCode()
{
    const quint64 generation = languageGeneration.load();
    ResolvedLanguage& r = resolved();
    QMutexLocker lock(&r.mutex);
    if (r.generation != generation) {
        r.code = currentLanguageCode();
        r.generation = generation;
    }
    return r.code;
}

QString L10n::t(const QString& key, std::initializer_list<Arg> args)
{
    const QString code = languageCode();
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

namespace {

// One placeholder of a format text, as written from its '%' to its conversion.
struct Placeholder {
    qsizetype end = 0;       // the index of its last character
    qsizetype index = -1;    // its argument's position ("n$"), -1 for the next argument
    QByteArray directive;    // "%" with the flags, width and precision, for the C formatter
    char conversion = 0;     // 0 when the text ends before one
};

// Reads the placeholder whose '%' stands at i.
Placeholder parsePlaceholder(const QString& text, qsizetype i)
{
    const qsizetype n = text.size();
    auto at = [&](qsizetype j) { return char(text[j].unicode()); };
    Placeholder ph;
    qsizetype j = i + 1;
    // Optional position "n$".
    qsizetype k = j;
    while (k < n && text[k].isDigit())
        ++k;
    if (k > j && k < n && text[k] == QLatin1Char('$')) {
        ph.index = text.mid(j, k - j).toLongLong() - 1;
        j = k + 1;
    }
    // Flags, width and precision (kept for the C formatter).
    ph.directive = "%";
    while (j < n && QByteArrayView("-+ #0").contains(at(j)))
        ph.directive += at(j++);
    while (j < n && text[j].isDigit())
        ph.directive += at(j++);
    if (j < n && text[j] == QLatin1Char('.')) {
        ph.directive += at(j++);
        while (j < n && text[j].isDigit())
            ph.directive += at(j++);
    }
    // Length modifiers carry no meaning here: every argument knows its type.
    while (j < n && QByteArrayView("hlqLzjt").contains(at(j)))
        ++j;
    ph.end = std::min(j, n - 1);
    if (j < n)
        ph.conversion = at(j);
    return ph;
}

bool knownConversion(char c)
{
    return c != 0 && QByteArrayView("@sdiuxXofFeEgGc").contains(c);
}

// The text of one argument for a known conversion.
QString convert(const Placeholder& ph, const QVariant& v, const QLocale& locale)
{
    switch (ph.conversion) {
    case '@':
    case 's':
        return v.typeId() == QMetaType::Double ? locale.toString(v.toDouble(), 'g', QLocale::FloatingPointShortest)
                                               : v.toString();
    case 'c':
        return v.typeId() == QMetaType::QString ? v.toString().left(1) : QString(QChar(char16_t(v.toInt())));
    case 'd':
    case 'i':
    case 'u':
    case 'x':
    case 'X':
    case 'o':
        return integerText(ph.directive, ph.conversion, v);
    default: {
        QString number = cFormat((ph.directive + ph.conversion).constData(), v.toDouble());
        number.replace(QLatin1Char('.'), locale.decimalPoint());
        return number;
    }
    }
}

} // namespace

QString L10n::format(const QString& text, const QList<Arg>& args, const QString& code)
{
    QLocale locale(code);
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString out;
    out.reserve(text.size() + 16);
    qsizetype next = 0;  // the next argument for a placeholder without a position
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('%')) {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        const Placeholder ph = parsePlaceholder(text, i);
        if (ph.conversion == 0) {
            out += text.mid(i);
            break;
        }
        const qsizetype index = ph.index < 0 ? next++ : ph.index;
        if (index < 0 || index >= args.size() || !knownConversion(ph.conversion))
            out += text.mid(i, ph.end - i + 1);  // no argument or an unknown conversion: kept as written
        else
            out += convert(ph, args[index].value, locale);
        i = ph.end;
    }
    return out;
}

} // namespace tw
