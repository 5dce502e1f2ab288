#include "views/kit/DateText.h"

#include <QHash>
#include <QMutex>

#include <algorithm>
#include <vector>

namespace tw::datetext {

namespace {

// One piece of a date format: a field ("dddd", "MMM", "yyyy"), a quoted
// literal ("'de'") or one literal character.
struct Piece {
    enum Kind { field, quoted, literal } kind;
    QString text;
};

std::vector<Piece> split(const QString& format)
{
    std::vector<Piece> out;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        if (c == u'd' || c == u'M' || c == u'y') {
            qsizetype j = i;
            while (j < format.size() && format[j] == c)
                ++j;
            out.push_back({Piece::field, format.mid(i, j - i)});
            i = j;
        } else if (c == u'\'') {
            // Up to the closing quote; '' inside is a quote character.
            qsizetype j = i + 1;
            while (j < format.size()) {
                if (format[j] == u'\'' && j + 1 < format.size() && format[j + 1] == u'\'')
                    j += 2;
                else if (format[j] == u'\'')
                    break;
                else
                    ++j;
            }
            j = std::min(j + 1, format.size());
            out.push_back({Piece::quoted, format.mid(i, j - i)});
            i = j;
        } else {
            out.push_back({Piece::literal, QString(c)});
            ++i;
        }
    }
    return out;
}

bool isWeekday(const Piece& p)
{
    return p.kind == Piece::field && p.text.startsWith(u'd') && p.text.size() >= 3;
}

// Space, punctuation and invisible marks that only join fields: ", " and
// "، " join a weekday; a full stop stays, since it marks an ordinal ("7.").
bool isJoiner(const Piece& p)
{
    if (p.kind != Piece::literal)
        return false;
    const QChar c = p.text.front();
    if (c == u'.')
        return false;
    return c.isSpace() || c.isPunct() || c.category() == QChar::Other_Format;
}

bool hasField(const std::vector<Piece>& pieces, size_t from, size_t to)
{
    for (size_t i = from; i < to; ++i) {
        if (pieces[i].kind == Piece::field)
            return true;
    }
    return false;
}

QString compute(const QString& longFormat)
{
    std::vector<Piece> pieces = split(longFormat);
    for (size_t i = 0; i < pieces.size();) {
        if (!isWeekday(pieces[i])) {
            ++i;
            continue;
        }
        size_t begin = i;
        size_t end = i + 1;
        if (!hasField(pieces, 0, i)) {
            // Leading: everything up to the next field went with the weekday
            // ("dddd، ", "dddd, ", Thai "ddddที่ ").
            while (end < pieces.size() && pieces[end].kind != Piece::field)
                ++end;
        } else {
            while (begin > 0 && isJoiner(pieces[begin - 1]))
                --begin;
            if (!hasField(pieces, end, pieces.size())) {
                while (end < pieces.size() && isJoiner(pieces[end]))
                    ++end;
            }
        }
        pieces.erase(pieces.begin() + qsizetype(begin), pieces.begin() + qsizetype(end));
        i = begin;
    }
    // What is left before the first field and after the last may only be
    // words of the date ("'г'."), never a bare joiner.
    while (!pieces.empty() && isJoiner(pieces.front()))
        pieces.erase(pieces.begin());
    while (!pieces.empty() && isJoiner(pieces.back()))
        pieces.pop_back();
    QString format;
    for (const Piece& p : pieces)
        format += p.kind == Piece::field && p.text == QLatin1String("MMMM") ? QStringLiteral("MMM") : p.text;
    return format;
}

} // namespace

QString abbreviatedFormat(const QLocale& locale)
{
    // Worked out once per long format: rows ask for it while painting.
    static QMutex mutex;
    static QHash<QString, QString> formats;
    const QString longFormat = locale.dateFormat(QLocale::LongFormat);
    QMutexLocker lock(&mutex);
    auto it = formats.constFind(longFormat);
    if (it == formats.constEnd())
        it = formats.insert(longFormat, compute(longFormat));
    return *it;
}

QString abbreviated(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, abbreviatedFormat(locale));
}

QString abbreviatedWithTime(const QDateTime& when, const QLocale& locale)
{
    const QDateTime local = when.toLocalTime();
    const QString comma = locale.script() == QLocale::ArabicScript ? QStringLiteral("\u060C ") : QStringLiteral(", ");
    return abbreviated(local.date(), locale) + comma + locale.toString(local.time(), QLocale::ShortFormat);
}

} // namespace tw::datetext
