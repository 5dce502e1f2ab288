#pragma once

#include "state/NavigationTypes.h"
#include "menubar/PreviewCard.h"
#include "menubar/PreviewFigures.h"
#include "menubar/PreviewHeader.h"
#include "state/Theme.h"
#include "views/kit/ClickableRow.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

namespace tw {

class AppNavigation;
class AppScanner;
class AppSettings;
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

// Where the keyboard leaves the preview for the side panel: into the pane a
// card just opened, or past the last part (Tab) or the first (Shift+Tab).
enum class KeyExit { intoPane, forward, backward };

struct QuickPreviewCallbacks {
    std::function<void()> onClose;
    std::function<void(SidebarTab)> onSelectCategory;  // after menuCategory was set to it
    std::function<void()> onDismissCategory;           // after menuCategory was cleared
    std::function<void()> onTogglePin;
    // The keyboard leaving for the side panel; false when no panel takes it
    // (Tab and Shift+Tab then go round the parts).
    std::function<bool(KeyExit)> onKeyboardOut;
};

// The popover's content, 340 points wide inside the popover's 8 points of
// room: the header, five live category cards and the button that opens the
// main window, over the popover's frame. One widget draws them all (the
// frame and the header as one picture, then each card's picture) and takes
// their clicks. It keeps no state: the selected card is the navigation's
// menuCategory, the pin the host's. From the keyboard it is one stop that
// Tab enters: Tab, Shift+Tab and the arrows then move the kit's focus ring
// over its parts (the header's buttons, the cards, the open button) and
// Space or Return acts as a click. A card opened from the keyboard hands the
// keyboard to its panel, and Tab past the last part (Shift+Tab before the
// first) goes on into the panel when one is shown. Each time it comes on screen it starts
// a startup scan when no startup items are known (and none is running) and
// an update check when the checker has no rows and applications are known.
class MenuBarQuickPreview : public QWidget {
    Q_OBJECT
public:
    MenuBarQuickPreview(const QuickPreviewSources& sources, QuickPreviewCallbacks callbacks, bool isPinned,
                        QWidget* parent = nullptr);

    static constexpr int contentWidth() { return 340; }

    bool isPinned() const { return m_header.isPinned(); }
    const PreviewFigures& figures() const { return m_figures; }
    const PreviewHeader& header() const { return m_header; }
    const PreviewCard& card(SidebarTab tab) const;
    const std::vector<PreviewCard>& cards() const { return m_cards; }
    QRect openButtonRect() const { return m_open; }
    static QString openButtonTitle() { return QStringLiteral("Open Tidewell"); }

    // What a click on each part does.
    void choose(SidebarTab tab);  // a card: selects its category, or clears it when it is the selected one
    void press(PreviewHeader::Button button);
    void openMainWindow();
    // Shows a snapshot's processor and memory figures (the monitor's, as it publishes).
    void showSnapshot(const SystemSnapshot& snapshot);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

public:
    // The part the keyboard is on: its place in keyParts(), -1 before any.
    int keyPart() const { return m_keyPart; }
    QList<QRect> keyPartRects() const;

private:
    // A clickable part: a header button, a card or the open button.
    struct Part {
        enum class Kind { header, card, open } kind;
        PreviewHeader::Button button = PreviewHeader::Button::close;
        SidebarTab tab = SidebarTab::applications;
        friend bool operator==(const Part&, const Part&) = default;
    };

    void layoutParts();
    std::optional<Part> partAt(const QPoint& point) const;
    QRect rectOf(const Part& part) const;
    void activate(const Part& part);
    // Every part in reading order.
    QList<Part> keyParts() const;
    void moveKeyPart(int to);
    void refresh();
    void showFigures(const PreviewFigures& figures);
    void showSelection();
    void openMainWindow(bool preferences);
    // The frame and the header with its glow, as one picture per look.
    QImage base(qreal dpr) const;
    QImage openButton(qreal dpr) const;

    QuickPreviewSources m_sources;
    QuickPreviewCallbacks m_callbacks;
    PreviewHeader m_header;
    std::vector<PreviewCard> m_cards;
    QRect m_open;
    PreviewFigures m_figures;
    PressTracker<Part> m_press;
    int m_keyPart = -1;
};

} // namespace tw
