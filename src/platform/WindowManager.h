#pragma once

namespace tw {

// Whether a window manager places the program's windows and carries out
// their maximised and minimised states. Under X11 that is the one client
// that redirects the root window's structure requests (with none, a window
// asked to maximise only says it is); a window system that places windows
// itself (Wayland) does it in every case.
bool windowManagerRuns();

} // namespace tw
