#pragma once

class QAbstractScrollArea;

namespace tw {

// Gives a scroll area's vertical scroll bar the workspaces' look (a slim
// accent-tinted handle on a clear track), again whenever the theme changes.
void styleScrollBar(QAbstractScrollArea* area);

} // namespace tw
