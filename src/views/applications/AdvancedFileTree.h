#pragma once

#include "views/applications/FileOutline.h"
#include "views/kit/LazyList.h"

namespace tw {

class AppKitCheckbox;
class BundleRow;
class LeftoverFileRow;

// The full service-file tree of one application: the bundle under
// "Executables", then a section per category of its leftovers with its
// symbol and count, each file with its own checkbox. Rows are made only for
// what is in view; the sections are rebuilt when the leftover list changes,
// and each file row follows its own file.
class AdvancedFileTree : public LazyList {
    Q_OBJECT
public:
    explicit AdvancedFileTree(QWidget* parent = nullptr);

    void setSubject(const AppInfoPtr& app);
    const AppInfoPtr& subject() const { return m_app; }
    // The record announced a change: the sections when its list is new,
    // else the bundle row's box.
    void recordChanged();

    const std::vector<apps::OutlineRow>& outline() const { return m_rows; }
    // The row widgets in view (null when the row is not).
    BundleRow* bundleRow() const;
    LeftoverFileRow* fileRow(const LeftoverPtr& file) const;

private:
    void rebuild();

    AppInfoPtr m_app;
    QList<LeftoverPtr> m_shownLeftovers;
    std::vector<apps::OutlineRow> m_rows;
};

} // namespace tw
