// Starts the host HTTP client's transfers with only a few file descriptors
// free (the second argument), then, with every descriptor back, fetches the
// address it is given, cancels a request its own listener never answers,
// and ends the client while another such request runs, saying how long
// each took.

#include "platform/HostServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Fetches url and waits for its answer.
tw::HttpResponse fetch(tw::HttpClient& http, const QUrl& url)
{
    QEventLoop loop;
    tw::HttpResponse got;
    http.get(url, 30s, "Probe/1.0", [&](const tw::HttpResponse& r) {
        got = r;
        loop.quit();
    });
    loop.exec();
    return got;
}

const char* said(const tw::HttpResponse& r)
{
    return r.transportError ? "failed" : "answered";
}

// Whether fd turns readable within twenty seconds.
bool readable(int fd)
{
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 20'000) == 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    const QUrl url(QString::fromLocal8Bit(argv[1]));
    const int free = std::atoi(argv[2]);
    // A listener that takes connections and never answers.
    const int silent = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof at;
    if (silent < 0 || ::bind(silent, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(silent, 4) != 0
        || ::getsockname(silent, reinterpret_cast<sockaddr*>(&at), &size) != 0)
        return 3;
    const QUrl silentUrl(QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(at.sin_port)));

    const rlimit low{256, 256};
    if (::setrlimit(RLIMIT_NOFILE, &low) != 0)
        return 3;
    auto http = tw::host::makeHttpClient();
    std::vector<int> held;
    for (int fd; (fd = ::fcntl(silent, F_DUPFD_CLOEXEC, 0)) >= 0;)
        held.push_back(fd);
    for (int k = 0; k < free && !held.empty(); ++k) {
        ::close(held.back());
        held.pop_back();
    }
    // The transfers start here, their thread and transport made with what is free.
    const tw::HttpResponse first = fetch(*http, url);
    std::printf("first: %s %s\n", said(first), qPrintable(first.errorText));
    for (const int fd : held)
        ::close(fd);

    QElapsedTimer clock;
    clock.start();
    const tw::HttpResponse second = fetch(*http, url);
    std::printf("second: %s %s in %lld ms\n", said(second), second.body.constData(), clock.elapsed());

    // Cancelled once it is under way, its connection closes; the client
    // ends while another runs (or idle, when nothing can be fetched).
    if (!second.transportError) {
        auto call = http->get(silentUrl, 30s, "Probe/1.0", [](const tw::HttpResponse&) { std::printf("answered\n"); });
        const int cancelled = readable(silent) ? ::accept4(silent, nullptr, nullptr, SOCK_CLOEXEC) : -1;
        char request[4096];
        if (cancelled < 0 || ::read(cancelled, request, sizeof request) <= 0)
            return 4;
        clock.restart();
        call->abort();
        while (readable(cancelled) && ::read(cancelled, request, sizeof request) > 0) {
        }
        std::printf("cancelled in %lld ms\n", clock.elapsed());
        http->get(silentUrl, 30s, "Probe/1.0", [](const tw::HttpResponse&) { std::printf("answered\n"); });
        if (!readable(silent))
            return 5;
    }
    clock.restart();
    http.reset();
    std::printf("ended in %lld ms\n", clock.elapsed());
    return 0;
}
