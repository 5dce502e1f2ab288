#pragma once

#include "engine/inventory/Models.h"
#include "views/kit/Binding.h"

#include <QWidget>

namespace tw {

class AppKitCheckbox;

// One leftover file or folder in the advanced file tree: its checkbox, the
// symbol of its category, its name (one line), the folder it lies in (two
// lines at most) and its size. It follows the file's own changes (its tick,
// its size); its only write is the tick, through setSelected with the
// owner's own tick brought in line.
class LeftoverFileRow : public QWidget {
    Q_OBJECT
public:
    explicit LeftoverFileRow(QWidget* parent = nullptr);

    void bind(LeftoverPtr file, const QString& categorySymbol);
    const LeftoverPtr& file() const { return m_file; }
    static int heightFor(const LeftoverFile& file, int width);

    // The checkbox's binding: a write that changes the tick tells the owner
    // and refreshes its own tick; an equal value writes nothing.
    static Binding<bool> selectionBinding(const LeftoverPtr& file);

    AppKitCheckbox* checkbox() const { return m_checkbox; }
    QString name() const { return m_name; }
    QString folder() const { return m_folder; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void fileChanged();
    void placeCheckbox();

    AppKitCheckbox* m_checkbox;
    LeftoverPtr m_file;
    QString m_symbol, m_name, m_folder, m_size;
    QMetaObject::Connection m_watch;
};

} // namespace tw
