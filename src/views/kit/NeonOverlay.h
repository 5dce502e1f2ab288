#pragma once

#include <QRegion>
#include <QWidget>

namespace tw {

// A widget stacked above neon borders: a corner clip, a cross-fade, a sheet
// and what it holds. While a border takes its picture of what lies beneath
// its band, no border, no overlay and nothing inside an overlay paints (one
// filter drops their paint events), so an overlay needs no check of its own.
// Any widget that stays above the borders must derive from this class.
class NeonOverlay : public QWidget {
    Q_OBJECT
public:
    explicit NeonOverlay(QWidget* parent = nullptr);

    // Whether w is an overlay or lies inside one.
    static bool covers(const QWidget* w);
    // What the overlay and what it holds paint over the layers beneath, in
    // its own coordinates (a neon border writes its steps around it).
    virtual QRegion paintedRegion() const { return rect(); }
};

} // namespace tw
