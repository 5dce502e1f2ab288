#pragma once

#include "state/AppAppearance.h"
#include "engine/cleaner/RemovableItem.h"
#include "views/kit/ClickableRow.h"

#include <QAbstractButton>
#include <QWidget>

#include <functional>

namespace tw {

class AppKitCheckbox;
class IconView;
class SymbolButton;

// One kind in the category column: its round badge, its name, its count and
// size, and a chevron. The whole row is a button.
class ExtensionCategoryRow : public QAbstractButton {
    Q_OBJECT
public:
    explicit ExtensionCategoryRow(ExtensionCategoryKind kind, QWidget* parent = nullptr);

    ExtensionCategoryKind kind() const { return m_kind; }
    void setFigures(int count, std::int64_t totalSize);
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    QString countText() const;
    QString sizeText() const;

    static constexpr int rowHeight() { return 56; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ExtensionCategoryKind m_kind;
    int m_count = 0;
    std::int64_t m_totalSize = 0;
    bool m_selected = false;
};

// One extension in a group: a check box, the reveal button, the icon, title
// and subtitle, and the size. A click anywhere else on the row toggles it,
// as the check box does; the reveal button only reveals. Rows are reused by
// the list: bind() shows another entry.
class ExtensionItemRow : public ClickableRow {
    Q_OBJECT
public:
    struct Actions {
        std::function<bool(const QString& path)> isSelected;
        std::function<void(const QString& path)> toggle;
        std::function<void(const QString& path)> reveal;
    };
    ExtensionItemRow(Actions actions, QWidget* parent = nullptr);

    void bind(const RemovableItem& item);
    // Shows the selection again after a change elsewhere.
    void refresh();

    const RemovableItem& item() const { return m_item; }
    bool isSelected() const;
    AppKitCheckbox* checkbox() const { return m_checkbox; }
    SymbolButton* revealButton() const { return m_reveal; }
    QString sizeText() const;

    static constexpr int rowHeight() { return 50; }
    // The unselected row's fill; a selected one is tinted with the accent.
    static QColor background(AppAppearance a);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF textRect() const;

    Actions m_actions;
    RemovableItem m_item;
    AppKitCheckbox* m_checkbox;
    SymbolButton* m_reveal;
    IconView* m_icon;
};

// The header of a group: the fold chevron, the group's check box (ticked
// only when every item is selected) and the name, which folds too; from the
// keyboard Left and Right on the chevron fold and unfold it.
class ExtensionGroupHeader : public QWidget, public FoldingRow {
    Q_OBJECT
public:
    struct Actions {
        std::function<bool()> isSelected;
        std::function<void(bool)> setSelected;
        std::function<void()> toggleCollapsed;
    };
    explicit ExtensionGroupHeader(QWidget* parent = nullptr);

    void bind(const QString& name, bool collapsed, Actions actions);
    void refresh();

    const QString& name() const { return m_name; }
    bool isCollapsed() const { return m_collapsed; }
    std::optional<bool> isFolded(int) const override { return m_collapsed; }
    void setFolded(int part, bool folded) override;
    AppKitCheckbox* checkbox() const { return m_checkbox; }
    SymbolButton* chevron() const { return m_chevron; }

    static constexpr int rowHeight() { return 40; }
    static QColor background(AppAppearance a);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Where the name is drawn and folds on a tap (as shown).
    QRectF nameRect() const;
    // The fold chevron: down when open, along the reading direction when folded.
    void bindChevron();

    QString m_name;
    bool m_collapsed = false;
    Actions m_actions;
    SymbolButton* m_chevron;
    AppKitCheckbox* m_checkbox;
};

// What the detail column shows when the kind has no visible entry: the
// kind's symbol over "No <kind> found", centred.
class ExtensionEmptyView : public QWidget {
    Q_OBJECT
public:
    explicit ExtensionEmptyView(QWidget* parent = nullptr);

    void setKind(ExtensionCategoryKind kind);
    QString text() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ExtensionCategoryKind m_kind = ExtensionCategoryKind::browserExtensions;
};

} // namespace tw
