#pragma once

class QScrollArea;

namespace tw::focusview {

// Scrolls area to show whichever control inside it takes the focus, with
// room for its ring, however the focus came: QScrollArea itself follows only
// a Tab pressed inside it, not one that enters it from a control outside.
void follow(QScrollArea* area);

} // namespace tw::focusview
