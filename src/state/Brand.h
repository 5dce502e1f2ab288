#pragma once

#include <QString>
#include <QUrl>

namespace tw {

// The maker's web links.
namespace brand {
QString websiteHost();  // "marrowind.example"
QUrl websiteURL();      // https, that host, no path
QUrl supportURL();      // the same host, path "/support"
} // namespace brand

} // namespace tw
