#include "state/AppNavigation.h"

#include "state/SharedState.h"
#include "state/WindowNotices.h"

#include <QApplication>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <climits>

namespace tw {

// ---- AppNavigation -------------------------------------------------------------

AppNavigation::AppNavigation(QObject* parent)
    : QObject(parent)
{
}

AppNavigation& AppNavigation::shared()
{
    return SharedState::instance().navigation();
}

void AppNavigation::setTab(SidebarTab tab)
{
    if (std::exchange(m_tab, tab) != tab)
        emit tabChanged(tab);
}

void AppNavigation::setAppsSegment(AppsSegment segment)
{
    if (std::exchange(m_appsSegment, segment) != segment)
        emit appsSegmentChanged(segment);
}

void AppNavigation::setMenuCategory(std::optional<SidebarTab> category)
{
    if (std::exchange(m_menuCategory, category) != category)
        emit menuCategoryChanged();
}

void AppNavigation::setShowPreferences(bool show)
{
    if (std::exchange(m_showPreferences, show) != show)
        emit showPreferencesChanged(show);
}

void AppNavigation::setRemainOffer(std::optional<RemainCleanupOffer> offer)
{
    // Offers are told apart by their identifier: a new offer always notifies.
    const bool changed = m_remainOffer.has_value() != offer.has_value()
        || (offer && m_remainOffer && offer->id != m_remainOffer->id);
    m_remainOffer = std::move(offer);
    if (changed)
        emit remainOfferChanged();
}

namespace {

// Tool, popup, tooltip and splash windows all carry the popup bits.
bool isPanel(const QWidget* w)
{
    const int type = int(w->windowType());
    return (type & int(Qt::Popup)) == int(Qt::Popup);
}

bool hasContent(const QWidget* w)
{
    if (auto main = qobject_cast<const QMainWindow*>(w))
        return main->centralWidget() != nullptr;
    return w->layout() != nullptr || w->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly) != nullptr;
}

} // namespace

QWidget* AppNavigation::pickMainWindow(const QWidgetList& windows)
{
    QWidget* pick = nullptr;
    qint64 pickArea = -1;
    for (QWidget* w : windows) {
        if (!w || !w->isWindow() || isPanel(w) || !hasContent(w))
            continue;
        // The main window is frameless, so its geometry is its frame.
        const QSize size = w->geometry().size();
        if (size.width() < 500 || size.height() < 400)
            continue;
        const qint64 area = qint64(size.width()) * size.height();
        if (area > pickArea) {
            pick = w;
            pickArea = area;
        }
    }
    return pick;
}

QWidgetList AppNavigation::applicationWindows()
{
    // allWindows() lists the newest native window first.
    const QWindowList handles = QGuiApplication::allWindows();
    auto rank = [&](const QWidget* w) {
        const QWindow* handle = w->windowHandle();
        const qsizetype i = handle ? handles.indexOf(const_cast<QWindow*>(handle)) : -1;
        return i < 0 ? LLONG_MAX : qint64(handles.size() - i);
    };
    QWidgetList windows = QApplication::topLevelWidgets();
    std::stable_sort(windows.begin(), windows.end(),
                     [&](const QWidget* a, const QWidget* b) { return rank(a) < rank(b); });
    return windows;
}

void AppNavigation::openMainWindow(std::optional<SidebarTab> tab, bool showRemains, bool showPreferences)
{
    if (tab) {
        setTab(*tab);
        if (!showRemains && *tab == SidebarTab::applications)
            setAppsSegment(AppsSegment::apps);
    }
    if (showRemains) {
        setTab(SidebarTab::applications);
        setAppsSegment(AppsSegment::remains);
    }

    if (QWidget* window = pickMainWindow(applicationWindows())) {
        if (window->isMinimized())
            window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
        window->raise();
        window->activateWindow();
    } else {
        emit WindowNotices::shared().reopenMainWindow();
    }

    if (showPreferences) {
        setShowPreferences(false);
        QTimer::singleShot(preferencesDelayMs, this, [self = QPointer<AppNavigation>(this)] {
            if (self)
                self->setShowPreferences(true);
        });
    }
}

} // namespace tw
