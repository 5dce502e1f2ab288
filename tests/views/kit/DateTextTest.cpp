#include "views/kit/DateText.h"

#include <gtest/gtest.h>

using namespace tw;

namespace {

// The text would end (or start) with a bare joiner: a comma, an Arabic or
// ideographic comma, a space or a direction mark.
bool hasStrayJoiner(const QString& text)
{
    for (const QChar c : {text.front(), text.back()}) {
        if (c.isSpace() || c.category() == QChar::Other_Format || c == u',' || c == u'\u060C' || c == u'\u3001'
            || c == u'\uFF0C')
            return true;
    }
    return false;
}

} // namespace

TEST(DateText, TheTenLanguagesShowTheDayMonthAndYearAndNothingElse)
{
    const QDate date(2026, 12, 7);  // a Monday
    const struct {
        const char* locale;
        const char* text;
    } cases[] = {
        {"en_US", "Dec 7, 2026"},
        {"es_ES", "7 de dic de 2026"},
        {"fr_FR", "7 déc. 2026"},
        {"de_DE", "7. Dez. 2026"},
        {"pt_BR", "7 de dez. de 2026"},
        {"it_IT", "7 dic 2026"},
        {"ja_JP", "2026年12月7日"},
        {"zh_CN", "2026年12月7日"},
        {"ru_RU", "7 дек. 2026 г."},
        {"ar_EG", "٧ ديسمبر ٢٠٢٦"},
    };
    for (const auto& c : cases) {
        const QLocale locale(QString::fromLatin1(c.locale));
        const QString text = datetext::abbreviated(date, locale);
        // Spanish and Italian month abbreviations differ between CLDR releases.
        if (QByteArray(c.locale) == "es_ES" || QByteArray(c.locale) == "it_IT") {
            EXPECT_TRUE(text.startsWith(QStringLiteral("7 ")) && text.endsWith(QStringLiteral(" 2026"))) << c.locale;
        } else {
            EXPECT_EQ(text, QString::fromUtf8(c.text)) << c.locale;
        }
    }
}

TEST(DateText, NoLocaleKeepsTheWeekdayOrABareJoiner)
{
    // Weekdays at the front (Arabic "dddd، "), at the end (Hungarian "d., dddd",
    // Korean "d일 dddd") and joined by letters (Thai "ddddที่ ").
    const QDate date(2026, 12, 7);
    int checked = 0;
    for (const QLocale& locale : QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        const QString format = datetext::abbreviatedFormat(locale);
        ASSERT_FALSE(format.isEmpty()) << locale.name().toStdString();
        EXPECT_FALSE(format.contains(QStringLiteral("ddd"))) << locale.name().toStdString() << " " << format.toStdString();
        EXPECT_FALSE(format.contains(QStringLiteral("MMMM"))) << locale.name().toStdString();
        const QString text = datetext::abbreviated(date, locale);
        EXPECT_FALSE(hasStrayJoiner(text)) << locale.name().toStdString() << " [" << text.toStdString() << "]";
        EXPECT_FALSE(text.contains(locale.dayName(1, QLocale::LongFormat))) << locale.name().toStdString();
        ++checked;
    }
    EXPECT_GT(checked, 100);

    EXPECT_EQ(datetext::abbreviatedFormat(QLocale(QStringLiteral("hu_HU"))), QStringLiteral("yyyy. MMM d."));
    EXPECT_EQ(datetext::abbreviatedFormat(QLocale(QStringLiteral("ko_KR"))), QString::fromUtf8("yyyy년 M월 d일"));
    EXPECT_EQ(datetext::abbreviatedFormat(QLocale(QStringLiteral("th_TH"))), QStringLiteral("d MMM yyyy"));
}

TEST(DateText, WithTimeJoinsWithTheLocalesComma)
{
    const QDateTime when(QDate(2026, 12, 7), QTime(9, 30), Qt::LocalTime);
    const QLocale us(QStringLiteral("en_US"));
    EXPECT_EQ(datetext::abbreviatedWithTime(when, us), "Dec 7, 2026, " + us.toString(QTime(9, 30), QLocale::ShortFormat));
    const QLocale arabic(QStringLiteral("ar_EG"));
    const QString text = datetext::abbreviatedWithTime(when, arabic);
    EXPECT_TRUE(text.startsWith(QString::fromUtf8("٧ ديسمبر ٢٠٢٦\u060C "))) << text.toStdString();
    EXPECT_FALSE(hasStrayJoiner(text));

    // Every language written in the Arabic script takes the Arabic comma.
    for (const char* name : {"fa_IR", "ur_PK", "ar_SA"}) {
        const QLocale locale(QString::fromLatin1(name));
        EXPECT_EQ(datetext::abbreviatedWithTime(when, locale),
                  datetext::abbreviated(when.date(), locale) + QStringLiteral("\u060C ")
                      + locale.toString(QTime(9, 30), QLocale::ShortFormat))
            << name;
    }
    const QLocale german(QStringLiteral("de_DE"));
    EXPECT_EQ(datetext::abbreviatedWithTime(when, german), QStringLiteral("7. Dez. 2026, 09:30"));
}
