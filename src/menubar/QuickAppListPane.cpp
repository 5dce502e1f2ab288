#include "menubar/QuickAppListPane.h"

#include "engine/inventory/AppScanner.h"
#include "menubar/PaneHeader.h"
#include "menubar/QuickListRow.h"
#include "views/kit/Divider.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/SearchText.h"

#include <QVBoxLayout>

namespace tw {

namespace quick {

QList<AppInfoPtr> visibleApps(const QList<AppInfoPtr>& apps, const QString& search)
{
    QList<AppInfoPtr> out;
    for (const AppInfoPtr& app : apps)
        if (app && !app->isSystemApp() && searchMatches(app->name(), search))
            out.append(app);
    return out;
}

} // namespace quick

namespace {
constexpr int kRowPadding = 7;
constexpr int kRuleInset = 48;
} // namespace

QuickAppListPane::QuickAppListPane(AppScanner& scanner, const QString& title, const QString& subtitle,
                                   const QString& placeholder, QWidget* parent)
    : QWidget(parent)
    , m_scanner(scanner)
    , m_header(new PaneHeader(title, subtitle, this))
    , m_searchField(new PaneSearchField(
          placeholder, {[this] { return m_search; }, [this](const QString& text) { setSearchText(text); }}, this))
    , m_list(new LazyList(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(m_searchField);
    column->addWidget(new Divider(this));
    column->addWidget(m_list, 1);
    m_list->setFillsBackground(false);
}

void QuickAppListPane::start()
{
    m_list->setRows({
        .kind = {},
        .height = [](int, int) { return QuickListRow::heightFor(kRowPadding); },
        .make = [this](int) -> QWidget* {
            auto* row = new QuickListRow(kRowPadding, kRuleInset);
            addControls(row);
            return row;
        },
        .bind = [this](QWidget* w, int i) {
            auto* row = static_cast<QuickListRow*>(w);
            const AppInfoPtr& app = m_apps[i];
            row->setIcon(app->icon());
            bindRow(row, app);
        },
    });
    connect(&m_scanner, &AppScanner::appsChanged, this, &QuickAppListPane::refilter);
    // Sizes grow as leftovers are measured.
    connect(&m_scanner, &AppScanner::leftoversPrefetched, m_list, &LazyList::updateRows);
    refilter();
}

void QuickAppListPane::setSearchText(const QString& text)
{
    if (text == m_search)
        return;
    m_search = text;
    m_searchField->bar()->refresh();
    refilter();
}

QuickListRow* QuickAppListPane::rowFor(int i) const
{
    return static_cast<QuickListRow*>(m_list->widgetFor(i));
}

void QuickAppListPane::refilter()
{
    m_apps = quick::visibleApps(m_scanner.apps(), m_search);
    m_list->reset(int(m_apps.size()));
}

} // namespace tw
