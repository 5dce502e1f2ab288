// Fetches the address it is given twice with the host HTTP client, the
// second after the first answer, and says what came back and whether
// libcurl was mapped before the first request and after the answers, and
// the file of the transfer module mapped (where /proc shows them).

#include "platform/HostServices.h"
#include "support/MappedLibraries.h"

#include <QCoreApplication>

#include <cstdio>

#include <unistd.h>

namespace {

bool procShown()
{
    return ::access("/proc/self/maps", R_OK) == 0;
}

const char* libcurl()
{
    return !procShown() ? "not known" : tw::test::isMapped("libcurl") ? "mapped" : "unmapped";
}

} // namespace

// Without /proc the leak checker cannot list the threads it would stop at
// the end (nor read its options): it is left out there.
extern "C" int __lsan_is_turned_off()
{
    return !procShown();
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    const QUrl url(QString::fromLocal8Bit(argv[1]));
    auto http = tw::host::makeHttpClient();
    std::printf("before: %s\n", libcurl());
    const auto print = [](const char* which, const tw::HttpResponse& r) {
        std::printf("%s: %s %s\n", which, r.transportError ? "failed" : "answered", qPrintable(r.errorText));
    };
    http->get(url, std::chrono::seconds(10), "Probe/1.0", [&](const tw::HttpResponse& first) {
        print("first", first);
        http->get(url, std::chrono::seconds(10), "Probe/1.0", [&](const tw::HttpResponse& second) {
            print("second", second);
            QCoreApplication::quit();
        });
    });
    QCoreApplication::exec();
    std::printf("after: %s\n", libcurl());
    std::printf("module: %s\n", procShown() ? tw::test::mappedFile("tidewell-http").constData() : "not known");
    return 0;
}
