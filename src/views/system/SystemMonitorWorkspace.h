#pragma once

#include "monitor/MacProductImage.h"
#include "monitor/SystemSnapshot.h"
#include "state/Theme.h"

#include <QWidget>

class QHBoxLayout;
class QScrollArea;

namespace tw {

class BatteryCard;
class GraphicsCard;
class MachineCard;
class MemoryCard;
class PermissionBanner;
class ProcessorCard;
class StorageCard;
class SystemMonitor;
class SystemMonitorPermissions;
class ThemeManager;

// The System tab: the login-item banner, the machine card and the live
// figure cards, in a scroll view on the workspace background. It redraws from
// each published snapshot while it is shown (and catches up when it is shown
// again), re-reads the login-item state each time it comes on screen, and
// makes the Mac's picture once, off the GUI thread.
class SystemMonitorWorkspace : public QWidget {
    Q_OBJECT
public:
    SystemMonitorWorkspace(SystemMonitor& monitor, SystemMonitorPermissions& permissions, ThemeManager& theme,
                           macproductimage::Sources pictures, QWidget* parent = nullptr);

    // Shows a snapshot (the monitor's each second).
    void display(const SystemSnapshot& s);

    PermissionBanner* banner() const { return m_banner; }
    MachineCard* machineCard() const { return m_machine; }
    // Made when first needed: most machines have none.
    BatteryCard* batteryCard() const;
    StorageCard* storageCard() const { return m_storage; }
    MemoryCard* memoryCard() const { return m_memory; }
    ProcessorCard* processorCard() const { return m_processor; }
    GraphicsCard* graphicsCard() const { return m_graphics; }
    QScrollArea* scrollArea() const { return m_scroll; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void requestPicture(const SystemSnapshot& s);
    void snapshotPublished();

    SystemMonitor& m_monitor;
    SystemMonitorPermissions& m_permissions;
    macproductimage::Sources m_pictures;
    QString m_pictureKey;
    QScrollArea* m_scroll;
    PermissionBanner* m_banner;
    MachineCard* m_machine;
    QHBoxLayout* m_firstRow;
    mutable BatteryCard* m_battery = nullptr;
    StorageCard* m_storage;
    MemoryCard* m_memory;
    ProcessorCard* m_processor;
    GraphicsCard* m_graphics;
    // A snapshot that came before the window's first frame waits for it.
    bool m_painted = false;
    bool m_snapshotWaits = false;
};

} // namespace tw
