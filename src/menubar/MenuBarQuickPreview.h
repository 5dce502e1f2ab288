#pragma once

#include "app/state/NavigationTypes.h"
#include "menubar/PreviewFigures.h"

#include <QHash>
#include <QWidget>

#include <functional>

class QAbstractButton;

namespace tw {

class AppNavigation;
class AppScanner;
class AppSettings;
class PreviewCard;
class PreviewHeader;
class SystemCleaner;
class SystemMonitor;
class ThemeManager;
class UpdateChecker;

// What the quick preview reads and calls. The host builds a new preview
// each time it shows one, with its pin state at that moment.
struct QuickPreviewSources {
    AppScanner& scanner;
    SystemCleaner& cleaner;
    UpdateChecker& updateChecker;  // the menu bar's own
    AppSettings& settings;
    AppNavigation& navigation;
    SystemMonitor& monitor;
    ThemeManager& theme;
};

struct QuickPreviewCallbacks {
    std::function<void()> onClose;
    std::function<void(SidebarTab)> onSelectCategory;  // after menuCategory was set to it
    std::function<void()> onDismissCategory;           // after menuCategory was cleared
    std::function<void()> onTogglePin;
};

// The popover's content, 340 points wide: the header, five live category
// cards and the button that opens the main window. It keeps no state: the
// selected card is the navigation's menuCategory, the pin the host's. Each
// time it comes on screen it starts a startup scan when no startup items
// are known (and none is running) and an update check when the checker has
// no rows and applications are known.
class MenuBarQuickPreview : public QWidget {
    Q_OBJECT
public:
    MenuBarQuickPreview(const QuickPreviewSources& sources, QuickPreviewCallbacks callbacks, bool isPinned,
                        QWidget* parent = nullptr);

    static constexpr int contentWidth() { return 340; }

    bool isPinned() const { return m_pinned; }
    const PreviewFigures& figures() const { return m_figures; }
    PreviewHeader* header() const { return m_header; }
    PreviewCard* card(SidebarTab tab) const { return m_cards.value(tab); }
    QList<PreviewCard*> cards() const { return m_cards.values(); }
    QAbstractButton* openButton() const { return m_open; }

    // A card's action: selects its category, or clears it when it is the selected one.
    void choose(SidebarTab tab);
    // Shows a snapshot's processor and memory figures (the monitor's, as it publishes).
    void showSnapshot(const SystemSnapshot& snapshot);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeCards();
    void refresh();
    void showFigures(const PreviewFigures& figures);
    void showSelection();
    void openMainWindow(bool preferences);

    QuickPreviewSources m_sources;
    QuickPreviewCallbacks m_callbacks;
    bool m_pinned;
    PreviewFigures m_figures;
    PreviewHeader* m_header;
    QHash<SidebarTab, PreviewCard*> m_cards;
    QAbstractButton* m_open;
};

} // namespace tw
