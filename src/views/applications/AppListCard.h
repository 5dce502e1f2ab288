#pragma once

#include "engine/inventory/Models.h"
#include "views/kit/RoundedCard.h"

#include <QList>
#include <QUuid>

#include <optional>

namespace tw {

class AppKitCheckbox;
class IconView;
class Mirror;

// One row of the applications list: an application, or a family group with
// its member rows folded out beneath it. It shows the record it is bound to
// and reports clicks; the checkboxes write the records (the entry's through
// applyRootSelection on the entry, a member's on that member alone). A
// group's entry row folds from the keyboard too.
class AppListCard : public RoundedCard, public FoldingRow {
    Q_OBJECT
public:
    explicit AppListCard(QWidget* parent = nullptr);

    static constexpr int entryHeight = 56;   // 36-point icon, 10 above and below
    static constexpr int memberHeight = 48;  // 32-point icon, 8 above and below
    // The height with the member rows shown to a fraction (0 folded, 1 open).
    static int heightFor(const AppInfo& app, qreal expansion);

    // Shows app: active when it is the selected record; selectedMember is
    // the selected record's id (a member row of it is highlighted).
    void bind(AppInfoPtr app, bool isActive, std::optional<QUuid> selectedMember);
    const AppInfoPtr& app() const { return m_app; }
    bool isActive() const { return m_active; }
    // The look for a binding: active; an open group holding the selected
    // record outlined; any other open group highlighted; else normal.
    static Look lookFor(const AppInfo& app, bool isActive, const std::optional<QUuid>& selectedMember);

    AppKitCheckbox* checkbox() const { return m_checkbox; }
    // The member rows' checkboxes, in member order (only the first
    // members().size() belong to the bound group).
    const QList<AppKitCheckbox*>& memberCheckboxes() const { return m_memberBoxes; }
    // Where the entry row and member row i lie in the card.
    QRect entryRect() const;
    QRect memberRect(int i) const;

    // For the keyboard: the entry row, then each member row shown.
    int keyPartCount() const override;
    QRect keyPartRect(int part) const override;
    qreal keyPartRadius(int part) const override;
    void activateKeyPart(int part) override;
    std::optional<bool> isFolded(int part) const override;
    void setFolded(int part, bool folded) override;

signals:
    void selected(const tw::AppInfoPtr& app);
    void memberSelected(const tw::AppInfoPtr& member, const tw::AppInfoPtr& group);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // What a row shows, worked out when the card is bound, not at each paint.
    struct RowTexts {
        QString name, date, size, count;
    };
    static RowTexts textsOf(const AppInfo& app);
    // Which row a point lies in: -1 the entry row, i member row i.
    std::optional<int> rowAt(const QPoint& pos) const;
    void ensureMemberWidgets(int count);
    void placeChildren();
    void paintRowTexts(QPainter& p, const Mirror& m, const RowTexts& texts, const QRect& row, int textLeft,
                       qreal spacing) const;

    AppInfoPtr m_app;
    bool m_active = false;
    std::optional<QUuid> m_selectedMember;
    AppKitCheckbox* m_checkbox;
    IconView* m_icon;
    QList<AppKitCheckbox*> m_memberBoxes;
    QList<IconView*> m_memberIcons;
    RowTexts m_texts;
    QList<RowTexts> m_memberTexts;
    PressTracker<int> m_press;
};

} // namespace tw
