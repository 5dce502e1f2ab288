#include "app/state/WindowNotices.h"

#include "app/state/SharedState.h"

namespace tw {

WindowNotices& WindowNotices::shared()
{
    return SharedState::instance().notices();
}

} // namespace tw
