#include "views/applications/AdvancedFileTree.h"

#include "views/applications/FileTreeRows.h"
#include "views/applications/LeftoverFileRow.h"

namespace tw {

using Kind = apps::OutlineRow::Kind;

AdvancedFileTree::AdvancedFileTree(QWidget* parent)
    : LazyList(parent)
{
    setFillsBackground(false);
    setPadding(QMargins(12, 8, 12, 8));
    setSpacing(10);
    setRows({
        .kind = [this](int row) { return int(m_rows[size_t(row)].kind); },
        .height = [this](int row, int width) {
            const apps::OutlineRow& r = m_rows[size_t(row)];
            switch (r.kind) {
            case Kind::header: return tree::kHeaderHeight;
            case Kind::bundle: return m_app ? BundleRow::heightFor(*m_app, BundleRow::Naming::fileName, width) : 32;
            case Kind::file: return LeftoverFileRow::heightFor(*r.file, width);
            }
            return 0;
        },
        .make = [](int kind) -> QWidget* {
            switch (Kind(kind)) {
            case Kind::header: return new TreeSectionHeader;
            case Kind::bundle: return new BundleRow(BundleRow::Naming::fileName);
            case Kind::file: break;
            }
            return new LeftoverFileRow;
        },
        .bind = [this](QWidget* w, int row) {
            const apps::OutlineRow& r = m_rows[size_t(row)];
            switch (r.kind) {
            case Kind::header: static_cast<TreeSectionHeader*>(w)->setSection(r.title, r.symbol, r.count); break;
            case Kind::bundle: static_cast<BundleRow*>(w)->setApp(m_app); break;
            case Kind::file: static_cast<LeftoverFileRow*>(w)->bind(r.file, r.symbol); break;
            }
        },
    });
}

void AdvancedFileTree::setSubject(const AppInfoPtr& app)
{
    m_app = app;
    rebuild();
}

void AdvancedFileTree::recordChanged()
{
    if (!m_app)
        return;
    // A list shared with the one shown is the same list (a tick changes no list).
    if (m_app->leftovers() != m_shownLeftovers) {
        rebuild();
        return;
    }
    if (BundleRow* bundle = bundleRow())
        bundle->refresh();
}

void AdvancedFileTree::rebuild()
{
    m_shownLeftovers = m_app ? m_app->leftovers() : QList<LeftoverPtr>();
    m_rows = m_app ? apps::outlineRows(*m_app) : std::vector<apps::OutlineRow>();
    reset(int(m_rows.size()));
}

BundleRow* AdvancedFileTree::bundleRow() const
{
    return static_cast<BundleRow*>(widgetFor(1));
}

LeftoverFileRow* AdvancedFileTree::fileRow(const LeftoverPtr& file) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].file == file)
            return static_cast<LeftoverFileRow*>(widgetFor(int(i)));
    return nullptr;
}

} // namespace tw
