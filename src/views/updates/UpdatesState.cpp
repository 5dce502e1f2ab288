#include "views/updates/UpdatesState.h"

#include "engine/inventory/AppScanner.h"
#include "engine/updates/UpdateRows.h"

namespace tw {

namespace {

bool matches(const AppUpdateItem& row, const QString& search)
{
    return row.name.contains(search, Qt::CaseInsensitive) || row.bundleIdentifier.contains(search, Qt::CaseInsensitive);
}

const AppUpdateItem* findRow(const QList<AppUpdateItem>& rows, const QString& id)
{
    for (const AppUpdateItem& row : rows)
        if (row.id() == id)
            return &row;
    return nullptr;
}

} // namespace

UpdatesState::UpdatesState(AppScanner& scanner, const Platform& platform, QObject* parent)
    : QObject(parent)
    , m_scanner(scanner)
    , m_checker(platform)
    , m_appCount(scanner.apps().size())
{
    connect(&m_scanner, &AppScanner::appsChanged, this, &UpdatesState::applicationCountChanged);
    connect(&m_checker, &UpdateChecker::showAllApplicationsChanged, this, &UpdatesState::recompute);
    // A check publishes two changes a row, many rows in one go for the rows
    // updated by hand: they are taken together, once per turn of the event loop.
    for (auto signal : {&UpdateChecker::itemsChanged, &UpdateChecker::isCheckingChanged,
                        &UpdateChecker::progressTextChanged})
        connect(&m_checker, signal, this, &UpdatesState::recomputeLater);
}

void UpdatesState::setSearchText(const QString& text)
{
    if (text == m_searchText)
        return;
    m_searchText = text;
    recompute();
}

void UpdatesState::select(const QString& id)
{
    if (m_selectedID == id)
        return;
    m_selectedID = id;
    emit selectionChanged();
}

void UpdatesState::recomputeLater()
{
    if (m_recomputePending)
        return;
    m_recomputePending = true;
    QMetaObject::invokeMethod(this, &UpdatesState::recompute, Qt::QueuedConnection);
}

void UpdatesState::recompute()
{
    m_recomputePending = false;
    m_filtered = m_checker.displayedItems();
    if (!m_searchText.isEmpty())
        m_filtered.removeIf([&](const AppUpdateItem& row) { return !matches(row, m_searchText); });
    m_sections = sectionsOf(m_filtered);
    emit changed();
}

std::optional<AppUpdateItem> UpdatesState::selected() const
{
    if (!m_selectedID)
        return std::nullopt;
    const AppUpdateItem* row = findRow(m_filtered, *m_selectedID);
    if (!row)
        row = findRow(m_checker.items(), *m_selectedID);
    return row ? std::optional<AppUpdateItem>(*row) : std::nullopt;
}

QList<UpdatesState::Section> UpdatesState::sectionsOf(const QList<AppUpdateItem>& rows)
{
    QList<Section> out;
    for (UpdateChannel channel : {UpdateChannel::sparkle, UpdateChannel::appStore, UpdateChannel::manual}) {
        Section section{channel, {}};
        for (const AppUpdateItem& row : rows)
            if (row.channel == channel)
                section.rows << row;
        if (!section.rows.isEmpty())
            out << std::move(section);
    }
    return out;
}

QString UpdatesState::sectionHeader(UpdateChannel channel)
{
    switch (channel) {
    case UpdateChannel::sparkle:
        return QStringLiteral("Updates from developer sites");
    case UpdateChannel::appStore:
        return QStringLiteral("Updates from Mac App Store");
    case UpdateChannel::manual:
        break;
    }
    return QStringLiteral("Manually updates from developer sites");
}

UpdatesState::Region UpdatesState::region() const
{
    if (m_checker.isChecking())
        return Region::progress;
    return m_filtered.isEmpty() ? Region::empty : Region::rows;
}

QString UpdatesState::progressLabel() const
{
    const QString& text = m_checker.progressText();
    return text.isEmpty() ? QStringLiteral("Check for Updates\u2026") : text;
}

QString UpdatesState::emptyTitle() const
{
    if (m_checker.showAllApplications())
        return QStringLiteral("No applications found");
    // Hidden failed rows are not up to date: say how many could not be checked.
    QList<AppUpdateItem> failed = m_checker.items();
    failed.removeIf([](const AppUpdateItem& row) { return !row.availability.is(UpdateAvailability::Kind::failed); });
    return updaterows::summaryText(failed);
}

QString UpdatesState::bottomText() const
{
    return m_checker.isChecking() ? QString() : m_checker.progressText();
}

bool UpdatesState::canCheck() const
{
    return !m_checker.isChecking() && !m_scanner.apps().isEmpty();
}

void UpdatesState::check()
{
    m_checker.checkAll(m_scanner.apps());
    recompute();  // the progress shows at once
}

QString UpdatesState::showAllCaption() const
{
    return m_checker.showAllApplications() ? QStringLiteral("Show updates only") : QStringLiteral("Show All Updates");
}

void UpdatesState::toggleShowAll()
{
    m_checker.setShowAllApplications(!m_checker.showAllApplications());
}

void UpdatesState::performPrimaryAction(const AppUpdateItem& row)
{
    m_checker.performPrimaryAction(row);
}

void UpdatesState::appeared()
{
    // While rows are being built the checker has none yet but is checking.
    if (m_checker.items().isEmpty() && !m_checker.isChecking() && !m_scanner.apps().isEmpty())
        check();
}

void UpdatesState::applicationCountChanged()
{
    const qsizetype count = m_scanner.apps().size();
    if (count == m_appCount)
        return;
    m_appCount = count;
    if (count > 0 && m_checker.items().isEmpty() && !m_checker.isChecking())
        check();
    emit changed();  // the check button's rule reads the count
}

} // namespace tw
