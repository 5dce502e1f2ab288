#include "engine/inventory/ByteFormat.h"

#include "platform/Format.h"

namespace tw {

QString byteformat::string(std::int64_t bytes)
{
    if (bytes < 1000)
        return QStringLiteral("Zero KB");
    if (bytes < 1000000)
        return QString::number((bytes + 500) / 1000) + QStringLiteral(" KB");
    if (bytes < 1000000000) {
        const double mb = double(bytes) / 1e6;
        const QString oneDecimal = cFormat("%.1f", mb);
        if (oneDecimal.endsWith(QLatin1String(".0")))
            return cFormat("%.0f", mb) + QStringLiteral(" MB");
        return oneDecimal + QStringLiteral(" MB");
    }
    return cFormat("%.2f", double(bytes) / 1e9) + QStringLiteral(" GB");
}

} // namespace tw
