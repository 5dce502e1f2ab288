// Fetches the address it is given with the host HTTP client while the
// transfer module's load is short of something, the second argument says
// what, and prints each answer:
//   stall    the trust check's group look-up never answers until the client
//            is gone (first, second: 1 s each; third: by a new client once
//            it answers)
//   quit     the same look-up, and the program ends while it waits
//   enfile   the first group look-up fails for want of descriptors
//   eio      the first group look-up fails (a name service's error)
//   threads  no thread can be made (RLIMIT_NPROC, for an account other than
//            root): by the module's load, a client's transfer thread and
//            libcurl's name look-up, each then again once threads can be made
//   memory N the address space may grow by N MiB only (RLIMIT_AS) for the
//            first request (10 s), not for the second

#include "platform/HostServices.h"
#include "platform/TransferModule.h"
#include "platform/WriteAccess.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// Group look-ups that stall until opened, or fail once for want of
// descriptors; each group holds the user alone.
class ProbeAccounts final : public tw::host::Accounts {
public:
    bool stall = false;
    int firstError = 0;  // of the first look-up

    tw::Result<Group> group(gid_t gid) const override
    {
        std::unique_lock lock(m_mutex);
        if (++m_lookups == 1 && firstError)
            return tw::Error::posix(firstError);
        m_changed.wait(lock, [this] { return !stall || m_open; });
        return Group{QString::number(gid), {::geteuid()}};
    }
    tw::Result<std::vector<tw::host::AclEntry>> accessAcl(int fd) const override
    {
        return tw::host::systemAccounts().accessAcl(fd);
    }

    void open()
    {
        const std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }
    int lookups() const
    {
        const std::lock_guard lock(m_mutex);
        return m_lookups;
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    mutable int m_lookups = 0;
    bool m_open = false;
};

void fetch(tw::HttpClient& http, const QUrl& url, std::chrono::milliseconds timeout, const char* which)
{
    QEventLoop loop;
    http.get(url, timeout, "Probe/1.0", [&](const tw::HttpResponse& r) {
        std::printf("%s: %s %s\n", which, r.transportError ? "failed" : "answered", qPrintable(r.errorText));
        std::fflush(stdout);
        loop.quit();
    });
    loop.exec();
}

// No thread can be made while on, for an account other than root.
void threadsLimited(bool on)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_NPROC, &limit);
    limit.rlim_cur = on ? 1 : limit.rlim_max;
    ::setrlimit(RLIMIT_NPROC, &limit);
}

// The bytes of address space the process holds.
rlim_t addressSpace()
{
    unsigned long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm && std::fscanf(statm, "%lu", &pages) != 1)
        pages = 0;
    if (statm)
        std::fclose(statm);
    return rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
}

// url with this computer's name for its host, when that name is one the
// system looks up as 127.0.0.1 (libcurl looks up numbers and "localhost"
// without a thread); else empty.
QUrl byName(const QUrl& url)
{
    char name[256] = {};
    addrinfo* found = nullptr;
    const addrinfo hints{0, AF_INET, SOCK_STREAM, 0, 0, nullptr, nullptr, nullptr};
    if (::gethostname(name, sizeof name - 1) != 0 || std::strcmp(name, "localhost") == 0 ||
        ::getaddrinfo(name, nullptr, &hints, &found) != 0)
        return {};
    const bool loopback = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr == htonl(INADDR_LOOPBACK);
    ::freeaddrinfo(found);
    QUrl named = url;
    named.setHost(QString::fromLocal8Bit(name));
    return loopback ? named : QUrl();
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QUrl url(QString::fromLocal8Bit(argv[1]));
    const QByteArray mode = argv[2];
    // Never destroyed: the load may still wait in it as the program ends.
    static ProbeAccounts& accounts = *new ProbeAccounts;
    accounts.stall = mode == "stall" || mode == "quit";
    accounts.firstError = mode == "enfile" ? ENFILE : mode == "eio" ? EIO : 0;
    tw::host::http::setAccounts(accounts);
    auto http = tw::host::makeHttpClient();

    if (mode == "memory" && argc == 4) {
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        const rlim_t unlimited = limit.rlim_cur;
        limit.rlim_cur = addressSpace() + (rlim_t(std::atoi(argv[3])) << 20);
        ::setrlimit(RLIMIT_AS, &limit);
        fetch(*http, url, 10s, "first");
        limit.rlim_cur = unlimited;
        ::setrlimit(RLIMIT_AS, &limit);
        fetch(*http, url, 30s, "second");
        return 0;
    }
    if (mode == "threads") {
        const QUrl named = byName(url);
        threadsLimited(true);
        fetch(*http, url, 30s, "first");
        threadsLimited(false);
        fetch(*http, url, 30s, "second");
        auto other = tw::host::makeHttpClient();
        threadsLimited(true);
        fetch(*other, url, 30s, "third");
        if (!named.isEmpty())
            fetch(*http, named, 30s, "fourth");
        threadsLimited(false);
        fetch(*other, url, 30s, "fifth");
        if (!named.isEmpty())
            fetch(*http, named, 30s, "sixth");
        return 0;
    }

    fetch(*http, url, accounts.stall ? 1s : 30s, "first");
    fetch(*http, url, accounts.stall ? 1s : 30s, "second");
    std::printf("look-ups: %d\n", accounts.lookups());
    http.reset();
    std::printf("ended\n");
    std::fflush(stdout);
    if (mode == "stall") {
        accounts.open();
        fetch(*tw::host::makeHttpClient(), url, 30s, "third");
    }
    return 0;
}
