#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

// Dates as the lists show them: the locale's long date without the weekday
// and with short month names ("Dec 7, 2026", "7. Dez. 2026", "٧ ديسمبر ٢٠٢٦").
namespace tw::datetext {

// The locale's long date format with the weekday and the separators that
// only joined it taken out, and full month names shortened.
QString abbreviatedFormat(const QLocale& locale);
QString abbreviated(const QDate& date, const QLocale& locale = QLocale());
// The abbreviated date and the locale's short time, joined by a comma.
QString abbreviatedWithTime(const QDateTime& when, const QLocale& locale = QLocale());

} // namespace tw::datetext
