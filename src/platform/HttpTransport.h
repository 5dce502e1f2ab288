#pragma once

// Between the HTTP client and its transfer module (tidewell-http.so, the one
// part of the program that links libcurl), loaded when the first transfer
// starts. Both sides are built together, with the same compiler and Qt.

#include "platform/HostServices.h"

#include <QByteArray>
#include <QUrl>

#include <cerrno>
#include <chrono>
#include <functional>

namespace tw::host::http {

struct Request {
    quint64 id = 0;
    QUrl url;
    std::chrono::steady_clock::time_point deadline;  // for the whole request, redirects included
    QByteArray userAgent;
};

// An answer that failed for why, the status as far as it came.
inline HttpResponse failed(const QString& why, int status = 0)
{
    HttpResponse r;
    r.transportError = true;
    r.status = status;
    r.errorText = why;
    return r;
}

// What the process was short of, said at the end of a failure. A shortage
// is no verdict: the next request tries again.
inline QString outOfDescriptors()
{
    return QStringLiteral("the program is out of file descriptors");
}
inline QString outOfMemory()
{
    return QStringLiteral("the program is out of memory");
}
inline QString noThread()
{
    return QStringLiteral("the program could not start a thread");
}
// The shortage a failed call's errno names, or an empty text.
inline QString shortage(int error)
{
    if (error == EMFILE || error == ENFILE)
        return outOfDescriptors();
    if (error == ENOMEM || error == ENOBUFS)
        return outOfMemory();
    return {};
}

// Called on the transfer thread when a request has its answer.
using Finished = std::function<void(quint64 id, const HttpResponse& response)>;

// The transfers of one client, driven by the one thread that calls run().
class Transport {
public:
    virtual ~Transport() = default;
    // From any thread.
    virtual void start(Request request) = 0;
    virtual void cancel(quint64 id) = 0;  // its answer never comes
    virtual void stop() = 0;              // run() returns; transfers in progress end
    // Runs the transfers until stop().
    virtual void run() = 0;
};

// The module's one entry point, by this name: a new transport, owned by the
// caller.
using MakeTransport = Transport* (*)(const HttpClientOptions& options, Finished finished);
inline constexpr char kMakeTransportSymbol[] = "tidewell_http_make_transport_v1";
inline constexpr char kModuleFileName[] = "tidewell-http.so";

} // namespace tw::host::http
