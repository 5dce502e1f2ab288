#include "state/WindowNotices.h"

#include "state/SharedState.h"

namespace tw {

WindowNotices& WindowNotices::shared()
{
    return SharedState::instance().notices();
}

} // namespace tw
