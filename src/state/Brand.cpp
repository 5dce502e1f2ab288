#include "state/Brand.h"

namespace tw {

namespace brand {

QString websiteHost()
{
    return QStringLiteral("marrowind.example");
}

QUrl websiteURL()
{
    static const QUrl url(QStringLiteral("https://") + websiteHost());
    return url;
}

QUrl supportURL()
{
    static const QUrl url(QStringLiteral("https://") + websiteHost() + QStringLiteral("/support"));
    return url;
}

} // namespace brand

} // namespace tw
