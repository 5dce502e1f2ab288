#pragma once

#include "monitor/SystemSnapshot.h"
#include "views/kit/MonitorWidgets.h"
#include "views/kit/TintedLabel.h"
#include "views/system/SystemWidgets.h"

#include <QList>

namespace tw {

// "Top processes" and up to five rows: name, then processor share or memory.
class ProcessList : public QWidget {
    Q_OBJECT
public:
    explicit ProcessList(bool showCPU, QWidget* parent = nullptr);
    void display(const QList<LiveProcess>& processes);
    int shownRows() const;
    QString name(int row) const;
    QString value(int row) const;

private:
    bool m_showCPU;
    QList<RowText*> m_rows;
};

class ProcessorCard : public DashboardCard {
    Q_OBJECT
public:
    ProcessorCard();
    void display(const SystemSnapshot& s);
    DonutMeter* ring() const { return m_ring; }
    Sparkline* history() const { return m_history; }
    QString loadText() const { return m_load->text(); }
    QString splitText() const { return m_split->text(); }
    QString countText() const { return m_count->text(); }
    ProcessList* processes() const { return m_processes; }

private:
    DonutMeter* m_ring;
    LineText* m_load;
    Sparkline* m_history;
    LineText* m_split;
    LineText* m_count;
    ProcessList* m_processes;
};

class GraphicsCard : public DashboardCard {
    Q_OBJECT
public:
    GraphicsCard();
    void display(const SystemSnapshot& s);
    // The note follows the banner's form.
    void setLoginItemEnabled(bool enabled);
    DonutMeter* ring() const { return m_ring; }
    QString chipText() const { return m_chip->text(); }
    QString noteText() const { return m_note->text(); }
    QString networkText() const { return m_network->trailing(); }

private:
    DonutMeter* m_ring;
    LineText* m_chip;
    TintedLabel* m_note;
    RowText* m_network;
};

class MemoryCard : public DashboardCard {
    Q_OBJECT
public:
    MemoryCard();
    void display(const SystemSnapshot& s);
    DonutMeter* ring() const { return m_ring; }
    MeterBar* pressure() const { return m_pressure; }
    QString swapText() const { return m_swap->text(); }
    // Wired, App, Compressed, Cached: label, value and dot.
    const QList<RowText*>& legend() const { return m_legend; }
    ProcessList* processes() const { return m_processes; }

private:
    DonutMeter* m_ring;
    MeterBar* m_pressure;
    LineText* m_swap;
    QList<RowText*> m_legend;
    ProcessList* m_processes;
};

class StorageCard : public DashboardCard {
    Q_OBJECT
public:
    StorageCard();
    void display(const SystemSnapshot& s);
    // The media line's text; empty while hidden.
    QString mediaText() const;
    MeterBar* bar() const { return m_bar; }
    QString usedText() const { return m_used->text(); }
    QString availableText() const { return m_available->text(); }

private:
    TintedLabel* m_media;
    MeterBar* m_bar;
    LineText* m_used;
    LineText* m_available;
};

class BatteryCard : public DashboardCard {
    Q_OBJECT
public:
    BatteryCard();
    void display(const SystemSnapshot& s);
    QString chargeText() const { return m_charge->leading(); }
    QString powerText() const { return m_charge->trailing(); }
    MeterBar* bar() const { return m_bar; }
    QString healthText() const { return m_health->text(); }
    // The temperature line's text; empty while hidden.
    QString temperatureText() const;

private:
    RowText* m_charge;  // and the power source at its end
    MeterBar* m_bar;
    LineText* m_health;
    LineText* m_temperature;
};

} // namespace tw
