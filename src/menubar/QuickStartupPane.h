#pragma once

#include "platform/Result.h"
#include "views/kit/Binding.h"

#include <QWidget>

namespace tw {

class LazyList;
class PaneHeader;
class ProgressIndicator;
class Prompter;
class QuickListRow;
class SystemCleaner;
class TintedLabel;

// The side panel's startup pane: the cleaner's startup entries, each with a
// switch. While a startup scan runs it shows "Scanning…" (also over entries
// already known), with no entries "No startup programs found". A refused
// switch shows the cleaner's message and stays as the list has it; while a
// change of the cleaner runs (off the GUI thread) the switches take no
// click. It starts no scan itself.
class QuickStartupPane : public QWidget {
    Q_OBJECT
public:
    QuickStartupPane(SystemCleaner& cleaner, Prompter& prompter, QWidget* parent = nullptr);

    enum class Content { scanning, empty, list };
    Content content() const { return m_content; }

    PaneHeader* header() const { return m_header; }
    ProgressIndicator* progress() const { return m_progress; }
    TintedLabel* emptyText() const { return m_empty; }
    LazyList* list() const { return m_list; }
    // The row showing entry i, or null when it is not in view.
    QuickListRow* rowFor(int i) const;

    // A switch's action: asks the cleaner, shows its refusal once it is back.
    void setEnabled(const QString& path, bool enabled);

private:
    Binding<bool> switchBinding(const QString& path, bool enabled);
    void tellRefusal(const Status& changed);
    void refresh();

    SystemCleaner& m_cleaner;
    Prompter& m_prompter;
    Content m_content = Content::list;
    PaneHeader* m_header;
    ProgressIndicator* m_progress;
    TintedLabel* m_empty;
    LazyList* m_list;
};

} // namespace tw
