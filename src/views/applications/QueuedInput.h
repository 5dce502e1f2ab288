#pragma once

namespace tw {

// Runs the events that waited while the window was busy with a synchronous
// operation (a Trash move, an administrator prompt), dropping the user's
// clicks and keys among them: they were meant for a window that did not
// answer, and running them could start a second round or close the tab under
// the operation.
void dropQueuedInput();

} // namespace tw
