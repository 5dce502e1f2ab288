#include "platform/WindowManager.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#ifdef TIDEWELL_XCB
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace tw {

bool windowManagerRuns()
{
#ifdef TIDEWELL_XCB
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return true;
    xcb_connection_t* c = x11->connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return true;
    xcb_get_window_attributes_reply_t* root =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, screen->root), nullptr);
    if (!root)
        return true;
    const bool redirected = root->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
    std::free(root);
    return redirected;
#else
    return true;
#endif
}

} // namespace tw
