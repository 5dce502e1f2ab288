#include "platform/LocalListener.h"

#include "platform/DescriptorGate.h"
#include "platform/PrivateFolder.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

// What runs while the process may have no descriptor free is left out of
// the sanitizer's type check, which opens a pipe of its own to read a vtable.
#define TW_WITHOUT_DESCRIPTORS __attribute__((no_sanitize("vptr")))

namespace tw {

LocalListener::LocalListener(QObject* parent) : QObject(parent) {}

LocalListener::~LocalListener() = default;

bool LocalListener::listen(const QByteArray& path, const QString& shownAs)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (fd.get() < 0 || ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::listen(fd.get(), SOMAXCONN) != 0)
        return false;
    m_fd = std::move(fd);
    m_shownAs = shownAs;
    m_notifier = new QSocketNotifier(m_fd.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &LocalListener::acceptAll);
    return true;
}

TW_WITHOUT_DESCRIPTORS void LocalListener::acceptAll()
{
    for (;;) {
        const int fd = ::accept4(m_fd.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            m_short = false;
            if (privatefolder::peerIsUs(fd))
                emit accepted(fd);
            else
                descriptors::close(fd);
            continue;
        }
        if (errno == EINTR || errno == ECONNABORTED)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return;
        // Out of descriptors, most likely: the connection stays queued. Looking
        // again at every turn of the event loop would only spin.
        if (!m_short) {
            m_short = true;
            const int error = errno;
            qWarning("Cannot take a connection at %s: %s; trying again every %d ms.", qUtf8Printable(m_shownAs),
                     std::strerror(error), retryMs);
        }
        m_notifier->setEnabled(false);
        QTimer::singleShot(retryMs, this, &LocalListener::resume);
        return;
    }
}

TW_WITHOUT_DESCRIPTORS void LocalListener::resume()
{
    m_notifier->setEnabled(true);
}

} // namespace tw
