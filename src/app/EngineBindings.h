#pragma once

namespace tw {

class AppRemovalWatcher;
class AppScanner;
class SharedState;
class SystemCleaner;

// Ties the engines to the shared state. The program entry calls this once,
// after it has created the scanner and the cleaner (both outlive the state's
// use of them or are held weakly). It creates the shared removal watcher,
// kept by the state (SharedState::removalWatcher), wired so that:
// - detection follows AppSettings::detectTrashRemovals, and switching it on
//   rebuilds the snapshot before the timer restarts, off stops the timer;
// - an offer is pending while AppNavigation::remainOffer holds one, and a new
//   offer is published there;
// - leftovers are found with leftovers::findLeftovers (default roots) and the
//   remains are rescanned, forced, through SystemCleaner::scanRemainingFiles;
// - every uninstall of the scanner is announced first (noteOurUninstall).
// The window's start-up hook then calls start(&scanner) as often as it likes.
AppRemovalWatcher& bindRemovalWatcher(SharedState& state, AppScanner& scanner, SystemCleaner& cleaner);

} // namespace tw
