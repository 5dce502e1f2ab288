#include "platform/Result.h"

#include <cstring>

namespace tw {

Error Error::posix(int err)
{
    return {kPosixErrorDomain, err, QString::fromLocal8Bit(std::strerror(err))};
}

} // namespace tw
