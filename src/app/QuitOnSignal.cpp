#include "app/QuitOnSignal.h"

#include "platform/DescriptorGate.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>

namespace tw {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The pipe's end the handler writes to; -1 while no QuitOnSignal lives.
volatile sig_atomic_t g_write = -1;
struct sigaction g_previous[std::size(kSignals)];

// Async-signal-safe: one store and one write, errno kept. Waits for a
// descriptor end at once, the GUI thread's too, so nothing keeps it from
// reading the pipe; a full pipe already holds a request that it has yet to
// read.
void onSignal(int number)
{
    const int saved = errno;
    descriptors::endWaits();
    const char byte = char(number);
    if (g_write >= 0) {
        const ssize_t written = ::write(g_write, &byte, 1);
        (void)written;
    }
    errno = saved;
}

} // namespace

QuitOnSignal::QuitOnSignal(QObject* parent)
    : QObject(parent)
{
    Q_ASSERT(g_write < 0);
    int ends[2];
    if (g_write >= 0 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_read = ends[0];
    m_write = ends[1];
    g_write = m_write;
    m_notifier = new QSocketNotifier(m_read, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitOnSignal::readSignals);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

QuitOnSignal::~QuitOnSignal()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_write = -1;
    ::close(m_write);
    ::close(m_read);
}

void QuitOnSignal::readSignals()
{
    char bytes[64];
    bool any = false;
    for (ssize_t n; (n = ::read(m_read, bytes, sizeof bytes)) > 0 || (n < 0 && errno == EINTR);)
        any = any || n > 0;
    if (any)
        QCoreApplication::quit();
}

} // namespace tw
