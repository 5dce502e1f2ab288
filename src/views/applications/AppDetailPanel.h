#pragma once

#include "engine/inventory/Models.h"
#include "views/kit/Binding.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

class QStackedWidget;

namespace tw {

class AdvancedFileTree;
class AppKitCheckbox;
class DocumentTypesReader;
class FileSystem;
class IconView;
class LazyList;
class ProgressIndicator;

// What the detail column shows for one application: a header with its
// identity and the space an uninstall with the current ticks frees, and its
// files: the standard tree (the bundle with its checkbox, the declared
// document types) or, in advance mode, the advanced tree of every leftover
// ("Reading service files…" while they are being read). Follows the record's
// changes; it writes only the ticks of the bundle and of the leftovers.
class AppDetailPanel : public QWidget {
    Q_OBJECT
public:
    explicit AppDetailPanel(const FileSystem& fs, QWidget* parent = nullptr);

    // Shows app (a single application or a member, never a group).
    void setSubject(AppInfoPtr app, bool advanceMode);
    const AppInfoPtr& app() const { return m_app; }
    bool advanceMode() const { return m_advanceMode; }

    // The bundle row's checkbox binding: writes the flag only when it changes,
    // then recomputes the application's own tick from its files.
    static Binding<bool> bundleRemovalBinding(const AppInfoPtr& app);

    enum class FileView { standard, progress, advanced };
    FileView fileView() const;
    // The header's lines as shown: name, "Apps files and folders", developer,
    // verification; then the reclaimable size.
    QStringList headerTexts() const;
    // The standard tree's rows: group titles, the bundle row's name and
    // folder, and each document type.
    QStringList treeTexts() const;
    AppKitCheckbox* bundleCheckbox() const;
    AdvancedFileTree* advancedTree() const { return m_advanced; }
    // True once the document types of the subject have been read.
    bool documentTypesReady() const;

private:
    class Header;
    class StandardTree;
    void recordChanged();

    AppInfoPtr m_app;
    bool m_advanceMode = false;
    QMetaObject::Connection m_watch;
    Header* m_header;
    QStackedWidget* m_files;
    StandardTree* m_tree;
    ProgressIndicator* m_progress;
    AdvancedFileTree* m_advanced;
    DocumentTypesReader* m_types;
};

} // namespace tw
