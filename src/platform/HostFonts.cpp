#include "platform/HostServices.h"
#include "platform/ThreadPool.h"

#ifdef TIDEWELL_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace tw::host {

void prepareFontConfiguration()
{
#ifdef TIDEWELL_FONTCONFIG
    // Parsing the configuration files is most of the font database's first
    // load; Qt's own FcInit() then finds it done.
    enginePool().start([] { FcInit(); });
#endif
}

} // namespace tw::host
