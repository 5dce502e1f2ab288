#pragma once

#include "engine/cleaner/RemovableItem.h"

#include <QRectF>
#include <QWidget>

namespace tw {

// What the detail column shows for the selected remains entry: a settings
// sheet symbol, the title, the subtitle (where it lies) and the category
// with the size, centred in the column. It shows the copy it was given.
class RemainDetailPanel : public QWidget {
    Q_OBJECT
public:
    explicit RemainDetailPanel(QWidget* parent = nullptr);

    void setItem(const RemovableItem& item);
    const RemovableItem& item() const { return m_item; }
    // The title, the subtitle and the "category · size" line.
    QStringList texts() const;

    struct Layout {
        QRectF symbol;
        QRectF title;
        QRectF subtitle;
        QRectF details;
    };
    Layout layoutParts() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString detailsLine() const;

    RemovableItem m_item;
};

} // namespace tw
