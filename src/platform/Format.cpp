#include "platform/Format.h"

#include <clocale>
#include <cstdio>
#include <locale.h>

namespace tw {

QString cFormat(const char* format, double value)
{
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    const locale_t previous = uselocale(cLocale);
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    uselocale(previous);
    return QString::fromLatin1(buf);
}

QString singleLine(QString text)
{
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    return text;
}

} // namespace tw
