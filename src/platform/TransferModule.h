#pragma once

// Finding and loading the HTTP client's transfer module (tidewell-http.so).

#include "platform/HttpTransport.h"

#include <QString>

#include <functional>

namespace tw::host {
class Accounts;
}

namespace tw::host::http {

// The module's entry point, or why the module could not be loaded.
struct Module {
    MakeTransport make = nullptr;
    QString error;
    // No verdict on the module: the process was short of memory, threads or
    // file descriptors, or a look-up failed. Tried again at the next request.
    bool retry = false;
};

// The module for the process, from beside the running program: the first
// candidate that only root, the user or the program's owner could have put
// there, whose file is whole. Never unloaded. It is loaded on a thread of
// its own that nothing waits for, so a look-up that never answers (a name
// service out of reach) holds up only the requests that need the module
// meanwhile. done is called with the module or why there is none, from that
// thread, or at once when that is known. A verdict (the module, or a
// refusal) is kept for the process; anything else is tried again by the
// next call, but never while a load is under way: done then waits for it.
void requestModule(std::function<void(const Module&)> done);

// What the load under way is waiting for (a look-up that has not answered),
// to say why a request whose deadline came first failed; empty when no load
// is under way.
QString loadUnderWay();

// The look-ups of the trust check: the system's unless set (a test stalls
// or fails them). Before the first request.
void setAccounts(const Accounts& accounts);

} // namespace tw::host::http
