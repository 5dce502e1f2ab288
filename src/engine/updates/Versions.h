#pragma once

// Version texts: their numeric parts and their order.

#include <QString>

#include <vector>

namespace tw::versions {

// The text up to its first space.
QString cutAtSpace(QString text);
// The numbers separated by ".", "_" or "-" before the first space; every
// other character is dropped, so "1.2b3" reads as 1 and 23.
std::vector<qint64> versionParts(const QString& text);
// Whether version is newer than newerThan, missing parts read as 0.
bool isVersion(const QString& version, const QString& newerThan);

} // namespace tw::versions
