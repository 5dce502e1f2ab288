#pragma once

// The rows the two file trees of the application detail panel share: a
// section header and the bundle row.

#include "engine/inventory/Models.h"

#include <QWidget>

#include <optional>

class QPainter;

namespace tw {

class AppKitCheckbox;
class IconView;

namespace tree {

constexpr int kIndent = 22;      // rows below a header
constexpr int kHeaderHeight = 28;
constexpr int kSymbolWidth = 28;  // an icon or a category symbol
constexpr int kGap = 10;
constexpr int kBox = 18;

// The rows' texts: the name (TextRole::itemName) over its folder
// (TextRole::caption), the size in TextRole::footnote.
// Where the texts of an indented row begin: indent, box, symbol, gaps.
constexpr qreal textLeft() { return kIndent + kBox + kGap + kSymbolWidth + kGap; }
// How wide they are in a row of width beside its size.
qreal textWidth(const QString& size, int width);
// Draws a row's folder from top (two lines at most) and its size at the
// trailing top corner, in secondaryTint, mirrored with the row.
void paintFolderAndSize(QPainter& p, const QWidget& row, qreal top, const QString& folder, const QString& size);

} // namespace tree

// A section header: an always-open disclosure chevron, a symbol in
// accentTint, the title (13 pt semibold) and, when given, a count in
// parentheses. Sections never fold.
class TreeSectionHeader : public QWidget {
public:
    using QWidget::QWidget;

    void setSection(const QString& title, const QString& symbol, std::optional<int> count);
    QString title() const { return m_title; }
    QString symbol() const { return m_symbol; }
    std::optional<int> count() const { return m_count; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_title, m_symbol;
    std::optional<int> m_count;
};

// The application bundle: its removal checkbox, icon, name, folder (two
// lines at most) and size. The standard tree names it by its display name
// and version, the advanced tree by its file name.
class BundleRow : public QWidget {
public:
    enum class Naming { displayName, fileName };
    explicit BundleRow(Naming naming, QWidget* parent = nullptr);

    void setApp(const AppInfoPtr& app);
    static int heightFor(const AppInfo& app, Naming naming, int width);
    static QString nameOf(const AppInfo& app, Naming naming);

    AppKitCheckbox* checkbox() const { return m_checkbox; }
    // The record's flags changed: the box shows them again.
    void refresh();
    // The name and the folder, as shown.
    QString name() const { return m_name; }
    QString folder() const { return m_folder; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeChildren();

    Naming m_naming;
    AppKitCheckbox* m_checkbox;
    IconView* m_icon;
    AppInfoPtr m_app;
    QString m_name, m_folder, m_size;
    QString m_shownName;  // the name as drawn (its version or file name one left-to-right run)
};

} // namespace tw
