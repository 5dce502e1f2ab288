#include "engine/inventory/Models.h"

#include <algorithm>

namespace tw {

AppInfo::AppInfo(AppFields fields)
    : m_id(QUuid::createUuid())
    , m_fields(std::move(fields))
{
}

AppInfoPtr AppInfo::make(AppFields fields)
{
    return std::make_shared<AppInfo>(std::move(fields));
}

AppInfoPtr AppInfo::fromDraft(const AppDraft& draft)
{
    AppInfoPtr app = make(draft.fields);
    std::vector<AppInfoPtr> members;
    members.reserve(draft.members.size());
    for (const AppDraft& m : draft.members)
        members.push_back(fromDraft(m));
    app->setMembers(std::move(members));
    // A user's application starts marked for removal, as the finder ticks
    // its leftovers, so that one nobody touched is uninstalled whole. Groups
    // and system applications start unmarked; no one is told (the record is
    // new), and the row's own box stays unticked until the user acts.
    app->m_removeAppBundle = !app->isGroup() && !app->isSystemApp();
    return app;
}

template <typename T>
static bool assign(T& field, T value)
{
    if (field == value)
        return false;
    field = std::move(value);
    return true;
}

void AppInfo::setLeftovers(QList<LeftoverPtr> leftovers)
{
    m_leftovers = std::move(leftovers);
    emit changed();
}

void AppInfo::setScanningLeftovers(bool v)
{
    if (assign(m_isScanningLeftovers, v))
        emit changed();
}

void AppInfo::setRemoveAppBundle(bool v)
{
    if (assign(m_removeAppBundle, v))
        emit changed();
}

void AppInfo::setSelected(bool v)
{
    if (assign(m_isSelected, v))
        emit changed();
}

void AppInfo::setExpanded(bool v)
{
    if (assign(m_isExpanded, v))
        emit changed();
}

void AppInfo::setPrivacyPermissionCount(int v)
{
    if (assign(m_privacyPermissionCount, v))
        emit changed();
}

std::int64_t AppInfo::totalLeftoverSize() const
{
    std::int64_t sum = 0;
    for (const LeftoverPtr& l : m_leftovers)
        sum += l->size();
    return sum;
}

std::int64_t AppInfo::displaySize() const
{
    if (!isGroup())
        return appSize() + totalLeftoverSize();
    std::int64_t sum = 0;
    for (const AppInfoPtr& m : m_members)
        sum += m->displaySize();
    return std::max(appSize(), sum);
}

QString AppInfo::memberCountLabel() const
{
    if (isGroup())
        return m_members.size() == 1 ? QStringLiteral("1 Application")
                                      : QString::number(m_members.size()) + QStringLiteral(" Applications");
    if (m_privacyPermissionCount < 1)
        return QStringLiteral("1 Application");
    if (m_privacyPermissionCount == 1)
        return QStringLiteral("1 Permission");
    return QString::number(m_privacyPermissionCount) + QStringLiteral(" Permissions");
}

QList<LeftoverPtr> AppInfo::selectedLeftovers() const
{
    QList<LeftoverPtr> out;
    for (const LeftoverPtr& l : m_leftovers)
        if (l->isSelected())
            out.append(l);
    return out;
}

bool AppInfo::hasUninstallSelection() const
{
    if (isGroup())
        return std::any_of(m_members.begin(), m_members.end(), [](const AppInfoPtr& m) { return m->hasUninstallSelection(); });
    return m_removeAppBundle
        || std::any_of(m_leftovers.begin(), m_leftovers.end(), [](const LeftoverPtr& l) { return l->isSelected(); });
}

std::int64_t AppInfo::totalReclaimableSize() const
{
    std::int64_t sum = 0;
    if (isGroup()) {
        for (const AppInfoPtr& m : m_members)
            sum += m->totalReclaimableSize();
        return sum;
    }
    for (const LeftoverPtr& l : m_leftovers)
        if (l->isSelected())
            sum += l->size();
    return m_removeAppBundle ? sum + appSize() : sum;
}

QStringList AppInfo::leftoverCategories() const
{
    QStringList out;
    for (const LeftoverPtr& l : m_leftovers)
        if (!out.contains(l->kindDescription()))
            out << l->kindDescription();
    return out;
}

void AppInfo::applyRootSelection(bool v)
{
    m_isSelected = v;
    if (isGroup()) {
        for (const AppInfoPtr& m : m_members)
            m->applyRootSelection(v);
    } else {
        m_removeAppBundle = v;
        for (const LeftoverPtr& l : m_leftovers) {
            if (l->isSelected() != v) {
                l->setIsSelected(v);
                if (AppInfoPtr owner = l->owner())
                    owner->notifyChanged();
            }
        }
    }
    emit changed();
}

void AppInfo::refreshRootSelectionFromFiles()
{
    bool value;
    if (isGroup())
        value = std::all_of(m_members.begin(), m_members.end(), [](const AppInfoPtr& m) { return m->isSelected(); });
    else
        value = m_removeAppBundle
            && std::all_of(m_leftovers.begin(), m_leftovers.end(), [](const LeftoverPtr& l) { return l->isSelected(); });
    setSelected(value);
}

LeftoverFile::LeftoverFile(QString path, std::int64_t size, QString kindDescription)
    : m_path(std::move(path))
    , m_size(size)
    , m_kindDescription(std::move(kindDescription))
{
}

LeftoverPtr LeftoverFile::make(const LeftoverItem& item)
{
    return std::make_shared<LeftoverFile>(item.path, item.size, item.kindDescription);
}

QList<LeftoverPtr> LeftoverFile::makeAll(const std::vector<LeftoverItem>& items)
{
    QList<LeftoverPtr> out;
    out.reserve(qsizetype(items.size()));
    for (const LeftoverItem& item : items)
        out.append(make(item));
    return out;
}

void LeftoverFile::setIsSelected(bool v)
{
    if (assign(m_isSelected, v))
        emit changed();
}

void LeftoverFile::setSelected(bool v, RootSync sync)
{
    if (m_isSelected == v)
        return;
    setIsSelected(v);
    AppInfoPtr owner = m_owner.lock();
    if (!owner)
        return;
    owner->notifyChanged();
    if (sync == RootSync::Refresh)
        owner->refreshRootSelectionFromFiles();
}

std::int64_t RemainCleanupOffer::totalSize() const
{
    std::int64_t sum = 0;
    for (const LeftoverPtr& l : leftovers)
        sum += l->size();
    return sum;
}

} // namespace tw
