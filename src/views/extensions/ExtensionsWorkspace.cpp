#include "views/extensions/ExtensionsWorkspace.h"

#include "state/L10n.h"
#include "views/extensions/ExtensionRows.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/Divider.h"
#include "views/kit/FilterBar.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonText.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/Prompter.h"
#include "views/kit/PullDownButton.h"
#include "views/kit/PushButton.h"
#include "views/kit/ScrollBarStyle.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/SymbolView.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tw {

using extensionsview::ExtensionGroup;

namespace {

const QString kScanning = QStringLiteral("Scanning…");

enum RowKind { headerRow = 0, itemRow = 1 };

QVBoxLayout* column(QWidget* host)
{
    auto* layout = new QVBoxLayout(host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return layout;
}

} // namespace

ExtensionsWorkspace::ExtensionsWorkspace(const WorkspaceEnvironment& env, QWidget* parent)
    : WorkspaceChrome(QStringLiteral("Tidewell"), parent)
    , m_state(env.cleaner)
    , m_prompter(env.prompter)
    , m_files(env.platform.workspace())
{
    QVBoxLayout* middleLayout = column(middle());
    middleLayout->addWidget(buildCategoryColumn());

    QVBoxLayout* detailLayout = column(detail());
    detailLayout->addWidget(buildHeader());
    detailLayout->addWidget(buildControls());
    detailLayout->addWidget(new Divider);
    m_bodyStack = new QStackedWidget;
    m_bodyStack->addWidget(new ProgressIndicator(kScanning));
    m_empty = new ExtensionEmptyView;
    m_bodyStack->addWidget(m_empty);
    m_list = new LazyList;
    setUpList();
    m_bodyStack->addWidget(m_list);
    detailLayout->addWidget(m_bodyStack, 1);
    detailLayout->addWidget(new Divider);
    detailLayout->addWidget(buildFooter());

    connectState();
    rebuildRows();
    showFigures();
    showBody();
    showSelection();
}

QWidget* ExtensionsWorkspace::buildCategoryColumn()
{
    auto* host = new QWidget;
    QVBoxLayout* layout = column(host);
    // Laid out like the kit's filter bar, with more room at the sides and a
    // quieter rescan button.
    m_search = filterBar({[this] { return m_state.searchText(); }, [this](QString text) { m_state.setSearchText(text); }},
                         QStringLiteral("Search"), [this] { m_state.rescan(); });
    m_search->layout()->setContentsMargins(12, 10, 12, 10);
    m_search->refreshButton()->setGlyph(refreshGlyph());
    m_search->refreshButton()->setToolTip(QStringLiteral("Rescan"));
    layout->addWidget(m_search);
    layout->addWidget(new Divider);

    auto* rows = new QWidget;
    auto* rowsLayout = new QVBoxLayout(rows);
    rowsLayout->setContentsMargins(10, 10, 10, 10);
    rowsLayout->setSpacing(6);
    for (ExtensionCategoryKind kind : allExtensionCategories()) {
        auto* row = new ExtensionCategoryRow(kind);
        connect(row, &QAbstractButton::clicked, this, [this, kind] { m_state.chooseCategory(kind); });
        rowsLayout->addWidget(row);
        m_categoryRows << row;
    }
    keyfocus::arrowGroup({m_categoryRows.begin(), m_categoryRows.end()});
    rowsLayout->addStretch(1);
    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    // Scrolled by wheel and bar; no focus stop of its own (it would show none).
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidgetResizable(true);
    scroll->setWidget(rows);
    scroll->viewport()->setAutoFillBackground(false);
    rows->setAutoFillBackground(false);
    styleScrollBar(scroll);

    m_categoryStack = new QStackedWidget;
    m_categoryStack->addWidget(new ProgressIndicator(kScanning));
    m_categoryStack->addWidget(scroll);
    layout->addWidget(m_categoryStack, 1);
    return host;
}

QWidget* ExtensionsWorkspace::buildHeader()
{
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    // 10 under the texts, less what the controls below keep for their rings.
    row->setContentsMargins(18, 16, 18, 10 - focusring::kReach);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    texts->addWidget(
        new TintedLabel(QStringLiteral("Extensions"), Tint::primary, typescale::font(TextRole::pageTitle)));
    auto* description = new TintedLabel(
        QStringLiteral("Programs that add functionality to apps, browsers, and system processes. They might affect Mac's speed."),
        Tint::secondary, typescale::font(TextRole::body));
    description->setWordWrap(true);
    texts->addWidget(description);
    row->addLayout(texts, 1);

    auto* symbols = new QHBoxLayout;
    symbols->setContentsMargins(0, 4, 0, 0);
    symbols->setSpacing(14);
    for (const char* name : {"bubble.left", "questionmark.circle"})
        symbols->addWidget(new SymbolView({QLatin1String(name), 16, Tint::secondary}), 0, Qt::AlignTop);
    row->addLayout(symbols);
    row->setAlignment(symbols, Qt::AlignTop);
    return header;
}

QWidget* ExtensionsWorkspace::buildControls()
{
    auto* controls = new QWidget;
    auto* row = new QHBoxLayout(controls);
    // Room above for the focus rings of the check box and the menu.
    row->setContentsMargins(18, focusring::kReach, 18, 8);
    m_selectAll = new AppKitCheckbox({[this] { return m_state.allSelected(); }, [this](bool on) { m_state.setAllSelected(on); }});
    m_selectAll->setText(L10n::t(QStringLiteral("common.select_all")));
    row->addWidget(m_selectAll);
    row->addStretch(1);
    m_sort = new PullDownButton({QStringLiteral("Kind"), QStringLiteral("Size")});
    connect(m_sort, &PullDownButton::chosen, this, [this](int index) { m_state.setSortByKind(index == 0); });
    row->addWidget(m_sort);
    return controls;
}

QWidget* ExtensionsWorkspace::buildFooter()
{
    auto* footer = new QWidget;
    auto* row = new QHBoxLayout(footer);
    row->setContentsMargins(14, 14, 14, 14);
    row->addStretch(1);
    m_remove = new PushButton(QStringLiteral("Remove"), PushButton::Style::prominent);
    m_remove->setTitleFont(TextRole::largeButton);
    m_remove->setFixedSize(160, 36);
    connect(m_remove, &QAbstractButton::clicked, this, [this] { m_state.removeSelected(); });
    row->addWidget(m_remove);
    return footer;
}

void ExtensionsWorkspace::setUpList()
{
    m_list->setFillsBackground(false);
    m_list->setPadding(QMargins(0, 0, 0, 8));
    const ExtensionItemRow::Actions itemActions{
        [this](const QString& path) { return m_state.isSelected(path); },
        [this](const QString& path) { m_state.toggleSelected(path); },
        [this](const QString& path) { m_files.reveal(path); },
    };
    m_list->setRows({
        .kind = [this](int row) { return m_rows[size_t(row)].item < 0 ? headerRow : itemRow; },
        .height = [this](int row, int) {
            return m_rows[size_t(row)].item < 0 ? ExtensionGroupHeader::rowHeight() : ExtensionItemRow::rowHeight();
        },
        .make = [itemActions](int kind) -> QWidget* {
            if (kind == headerRow)
                return new ExtensionGroupHeader;
            return new ExtensionItemRow(itemActions);
        },
        .bind = [this](QWidget* widget, int row) {
            const ListRow& at = m_rows[size_t(row)];
            const ExtensionGroup& group = m_state.groups()[at.group];
            if (at.item >= 0) {
                static_cast<ExtensionItemRow*>(widget)->bind(group.items[at.item]);
                return;
            }
            // The actions find the group by name when they run: the list may have changed since.
            auto find = [this, name = group.name]() -> const ExtensionGroup* {
                for (const ExtensionGroup& g : m_state.groups())
                    if (g.name == name)
                        return &g;
                return nullptr;
            };
            static_cast<ExtensionGroupHeader*>(widget)->bind(
                group.name, m_state.isCollapsed(group.name),
                {[this, find] { const ExtensionGroup* g = find(); return g && m_state.isGroupSelected(*g); },
                 [this, find](bool on) {
                     if (const ExtensionGroup* g = find())
                         m_state.setGroupSelected(*g, on);
                 },
                 [this, name = group.name] { m_state.toggleCollapsed(name); }});
        },
    });
}

void ExtensionsWorkspace::connectState()
{
    connect(&m_state, &ExtensionsState::entriesChanged, this, [this] {
        m_search->refresh();
        rebuildRows();
        showBody();
        showSelection();
    });
    connect(&m_state, &ExtensionsState::collapsedChanged, this, &ExtensionsWorkspace::rebuildRows);
    connect(&m_state, &ExtensionsState::selectionChanged, this, &ExtensionsWorkspace::showSelection);
    connect(&m_state, &ExtensionsState::summariesChanged, this, &ExtensionsWorkspace::showFigures);
    connect(&m_state, &ExtensionsState::categoryChanged, this, [this] {
        showFigures();
        showBody();
    });
    connect(&m_state, &ExtensionsState::sortChanged, this, [this] { m_sort->setCurrent(m_state.sortByKind() ? 0 : 1); });
    connect(&m_state, &ExtensionsState::removingChanged, this, &ExtensionsWorkspace::showFooter);
    connect(&m_state, &ExtensionsState::removeErrorChanged, this, [this] {
        // Shown once the current event is done: the alert waits for the user.
        if (m_state.removeError())
            QTimer::singleShot(0, this, &ExtensionsWorkspace::tellRemoveError);
    });
    connect(&m_state.cleaner(), &SystemCleaner::scanningChanged, this, &ExtensionsWorkspace::showBody);
}

void ExtensionsWorkspace::showEvent(QShowEvent* event)
{
    WorkspaceChrome::showEvent(event);
    if (m_appeared)
        return;
    m_appeared = true;
    m_state.appear();
}


void ExtensionsWorkspace::rebuildRows()
{
    m_rows.clear();
    const QList<ExtensionGroup>& groups = m_state.groups();
    for (int g = 0; g < groups.size(); ++g) {
        m_rows.push_back({g, -1});
        if (m_state.isCollapsed(groups[g].name))
            continue;
        for (int i = 0; i < groups[g].items.size(); ++i)
            m_rows.push_back({g, i});
    }
    m_list->reset(int(m_rows.size()));
}

void ExtensionsWorkspace::showFigures()
{
    for (ExtensionCategoryRow* row : m_categoryRows) {
        const extensionsview::KindSummary summary = m_state.summary(row->kind());
        row->setFigures(summary.count, summary.totalSize);
        row->setSelected(row->kind() == m_state.selectedCategory());
    }
}

void ExtensionsWorkspace::showBody()
{
    const bool scanning = m_state.cleaner().isScanningExtensions();
    m_categoryStack->setCurrentIndex(scanning ? 0 : 1);
    m_empty->setKind(m_state.selectedCategory());
    QWidget* body = m_list;
    if (scanning)
        body = m_bodyStack->widget(0);
    else if (m_state.categoryItems().isEmpty())
        body = m_empty;
    m_bodyStack->setCurrentWidget(body);
}

QWidget* ExtensionsWorkspace::shownBody() const { return m_bodyStack->currentWidget(); }

QWidget* ExtensionsWorkspace::shownCategoryBody() const { return m_categoryStack->currentWidget(); }

void ExtensionsWorkspace::showSelection()
{
    m_selectAll->refresh();
    m_list->updateRows();
    showFooter();
}

void ExtensionsWorkspace::showFooter()
{
    m_remove->setEnabled(m_state.canRemove());
    m_remove->setBusy(m_state.isRemoving());
}

void ExtensionsWorkspace::tellRemoveError()
{
    const std::optional<QString> text = m_state.removeError();
    if (!text)
        return;
    m_prompter.ask({Prompt::Style::warning, QStringLiteral("Couldn’t remove"), *text,
                    {{QStringLiteral("OK"), PromptButton::Role::cancel}}});
    m_state.dismissRemoveError();
}

} // namespace tw
