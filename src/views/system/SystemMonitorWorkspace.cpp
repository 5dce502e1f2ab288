#include "views/system/SystemMonitorWorkspace.h"

#include "state/Theme.h"
#include "monitor/SystemMonitor.h"
#include "monitor/SystemMonitorPermissions.h"
#include "views/kit/FocusInView.h"
#include "views/kit/ScrollBarStyle.h"
#include "views/kit/TypeScale.h"
#include "views/system/SystemFigureCards.h"
#include "views/system/SystemMachineCard.h"

#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWindow>

namespace tw {

namespace {

constexpr int kPagePadding = 18;
constexpr int kPageSpacing = 14;
constexpr int kRowSpacing = 12;
constexpr int kSecondRowHeight = 320;

QHBoxLayout* cardRow()
{
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kRowSpacing);
    return row;
}

// QScrollArea's size hint, measured by a line of the tab's own text rather
// than of the application's default font, a face nothing in the tab draws
// (measuring it loads it, before the first frame).
class PageScrollArea : public QScrollArea {
public:
    using QScrollArea::QScrollArea;

    QSize sizeHint() const override
    {
        const int h = typescale::lineHeight(TextRole::callout);
        const int f = 2 * frameWidth();
        QSize size(f, f);
        if (const QWidget* page = widget())
            size += widgetResizable() ? page->sizeHint() : page->size();
        else
            size += QSize(12 * h, 8 * h);
        if (verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
            size.rwidth() += verticalScrollBar()->sizeHint().width();
        if (horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOn)
            size.rheight() += horizontalScrollBar()->sizeHint().height();
        return size.boundedTo(QSize(36 * h, 24 * h));
    }
};

} // namespace

SystemMonitorWorkspace::SystemMonitorWorkspace(SystemMonitor& monitor, SystemMonitorPermissions& permissions,
                                               ThemeManager&, macproductimage::Sources pictures, QWidget* parent)
    : QWidget(parent)
    , m_monitor(monitor)
    , m_permissions(permissions)
    , m_pictures(std::move(pictures))
    , m_scroll(new PageScrollArea)
    , m_banner(new PermissionBanner)
    , m_machine(new MachineCard)
    , m_firstRow(cardRow())
    , m_storage(new StorageCard)
    , m_memory(new MemoryCard)
    , m_processor(new ProcessorCard)
    , m_graphics(new GraphicsCard)
{
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kPagePadding, kPagePadding, kPagePadding, kPagePadding);
    column->setSpacing(kPageSpacing);
    column->addWidget(m_banner);
    column->addWidget(m_machine);

    m_firstRow->addWidget(m_storage, 1, Qt::AlignTop);
    column->addLayout(m_firstRow);

    // The second row is at least 320 high, its cards centred in it when lower.
    auto* second = new QWidget;
    second->setMinimumHeight(kSecondRowHeight);
    auto* centring = new QVBoxLayout(second);
    centring->setContentsMargins(0, 0, 0, 0);
    centring->addStretch(1);
    QHBoxLayout* cards = cardRow();
    cards->addWidget(m_memory, 1, Qt::AlignTop);
    cards->addWidget(m_processor, 1, Qt::AlignTop);
    cards->addWidget(m_graphics, 1);
    centring->addLayout(cards);
    centring->addStretch(1);
    column->addWidget(second);
    column->addStretch(1);

    // Scrolled by wheel and bar; no focus stop of its own (it would show none).
    m_scroll->setFocusPolicy(Qt::NoFocus);
    focusview::follow(m_scroll);
    m_scroll->setWidget(page);
    m_scroll->setWidgetResizable(true);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The workspace background shows through (no style sheet: one here
    // restyles every card beneath it, a good part of the tab's making).
    m_scroll->setAutoFillBackground(false);
    styleScrollBar(m_scroll);
    m_scroll->viewport()->setAutoFillBackground(false);
    page->setAutoFillBackground(false);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_scroll);

    const auto showPermission = [this] {
        m_banner->setEnabledForm(m_permissions.isEnabled());
        m_graphics->setLoginItemEnabled(m_permissions.isEnabled());
    };
    showPermission();
    connect(&m_permissions, &SystemMonitorPermissions::changed, this, showPermission);
    connect(m_banner, &PermissionBanner::enableRequested, this, [this] { m_permissions.enable(); });
    connect(m_banner, &PermissionBanner::settingsRequested, this, [this] { m_permissions.openLoginItemsSettings(); });
    connect(&m_monitor, &SystemMonitor::snapshotChanged, this, &SystemMonitorWorkspace::snapshotPublished);
    display(m_monitor.snapshot());
}

BatteryCard* SystemMonitorWorkspace::batteryCard() const
{
    if (!m_battery) {
        m_battery = new BatteryCard;
        m_battery->hide();
        m_firstRow->insertWidget(0, m_battery, 1, Qt::AlignTop);
    }
    return m_battery;
}

void SystemMonitorWorkspace::snapshotPublished()
{
    // A hidden tab catches up when it is shown again.
    if (!isVisible())
        return;
    // Before the window's first frame the new figures would only delay it:
    // they follow it at once.
    const QWindow* window = this->window()->windowHandle();
    if (!m_painted && (!window || !window->isExposed())) {
        m_snapshotWaits = true;
        return;
    }
    m_snapshotWaits = false;
    display(m_monitor.snapshot());
}

void SystemMonitorWorkspace::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_permissions.refresh();
    display(m_monitor.snapshot());
}

void SystemMonitorWorkspace::paintEvent(QPaintEvent*)
{
    if (m_painted)
        return;
    m_painted = true;
    if (m_snapshotWaits)
        QMetaObject::invokeMethod(this, &SystemMonitorWorkspace::snapshotPublished, Qt::QueuedConnection);
}

void SystemMonitorWorkspace::display(const SystemSnapshot& s)
{
    m_machine->display(s);
    requestPicture(s);
    if (s.batteryPresent || m_battery) {
        BatteryCard* battery = batteryCard();
        if (battery->isHidden() == s.batteryPresent)
            battery->setVisible(s.batteryPresent);
        if (s.batteryPresent)
            battery->display(s);
    }
    m_storage->display(s);
    m_memory->display(s);
    m_processor->display(s);
    m_graphics->display(s);
}

void SystemMonitorWorkspace::requestPicture(const SystemSnapshot& s)
{
    const QString key = macproductimage::cacheKey(s.modelIdentifier, s.marketingTitle);
    if (key == m_pictureKey)
        return;
    m_pictureKey = key;
    const QImage picture = macproductimage::request(s.modelIdentifier, s.marketingTitle, m_pictures, this,
                                                    [this, key](const QImage& made) {
                                                        if (key == m_pictureKey)
                                                            m_machine->pictureWell()->setPicture(made);
                                                    });
    m_machine->pictureWell()->setPicture(picture);
}

} // namespace tw
