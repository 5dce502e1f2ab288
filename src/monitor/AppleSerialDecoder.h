#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>

#include <optional>

namespace tw::appleserialdecoder {

struct Decoded {
    QString plantCode;                              // the first three characters
    std::optional<QString> origin;                  // the factory, when the plant is known
    std::optional<QDateTime> manufactureDate;       // Monday of the week, midnight UTC
    std::optional<QString> manufactureDateDisplay;  // "March 16, 2020", that Monday in UTC
    friend bool operator==(const Decoded&, const Decoded&) = default;
};

struct ManufactureTiming {
    int year = 0;
    int week = 0;  // 1 to 53
    friend bool operator==(const ManufactureTiming&, const ManufactureTiming&) = default;
};

// The factory and week of manufacture of a serial number; nullopt when the
// serial is shorter than 11 characters or tells neither.
std::optional<Decoded> decode(const QString& serial);
std::optional<QString> origin(const QString& plantCode);
// From a trimmed, upper-cased serial.
std::optional<ManufactureTiming> manufactureTiming(QStringView serial);
// Digits of "0123456789CDFGHJKLMNPQRSTVWXYZ" read in radix 34.
std::optional<int> decodeBase34(QStringView digits);

} // namespace tw::appleserialdecoder
