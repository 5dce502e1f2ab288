#pragma once

#include "views/kit/NeonOverlay.h"

namespace tw {

// The dimmed layer that presents a sheet over a window: it covers its parent,
// takes every click, centres the sheet and paints its shadow.
class SheetOverlay : public NeonOverlay {
    Q_OBJECT
public:
    explicit SheetOverlay(QWidget* parent);
    void setSheet(QWidget* sheet);
    QWidget* sheet() const { return m_sheet; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QWidget* m_sheet = nullptr;
};

} // namespace tw
