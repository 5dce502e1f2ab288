#pragma once

class QWidget;

namespace tw {

// Fades a snapshot of a window out over its current look (0.2 s, ease in
// and out), so a theme switch animates.
void crossFadeWindow(QWidget* window, int durationMs = 200);

} // namespace tw
