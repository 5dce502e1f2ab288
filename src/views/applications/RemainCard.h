#pragma once

#include "engine/cleaner/RemovableItem.h"
#include "views/kit/Binding.h"
#include "views/kit/RoundedCard.h"

#include <QUuid>

namespace tw {

class AppKitCheckbox;

// One row of the remains list: its checkbox, the torn-sheet glyph, the title
// (one line), the date it was last changed and its size. The card carries the
// entry's id, never its position: its checkbox and its click reach the entry
// with that id in the list as it is when the user acts (see ApplicationsState).
class RemainCard : public RoundedCard {
    Q_OBJECT
public:
    explicit RemainCard(QWidget* parent = nullptr);

    // The height of every card.
    static int cardHeight();

    // Shows item; the checkbox reads and writes through tick.
    void bind(const RemovableItem& item, bool isActive, Binding<bool> tick);
    const QUuid& id() const { return m_id; }
    bool isActive() const { return m_active; }
    AppKitCheckbox* checkbox() const { return m_checkbox; }
    // Title, date and size as shown.
    QStringList texts() const { return {m_title, m_date, m_size}; }

    static QColor dateColour();
    static QColor sizeColour();

signals:
    void selected(const QUuid& id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF iconRect() const;

    AppKitCheckbox* m_checkbox;
    QUuid m_id;
    bool m_active = false;
    QString m_title, m_date, m_size;
};

} // namespace tw
