#pragma once

// Finding and loading the HTTP client's transfer module (tidewell-http.so).

#include "platform/HttpTransport.h"

#include <QString>

namespace tw::host::http {

// The module's entry point, or why the module could not be loaded.
struct Module {
    MakeTransport make = nullptr;
    QString error;
    // The process was out of file descriptors: no verdict on the module,
    // to be tried again.
    bool outOfDescriptors = false;
};

// Loads the module from beside the running program: the first candidate
// that only root, the user or the program's owner could have put there,
// whose file is whole. Never unloaded.
Module loadModule();

} // namespace tw::host::http
