#include "views/startup/StartupWorkspace.h"

#include "platform/Platform.h"
#include "state/L10n.h"
#include "views/kit/Divider.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonText.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/TintedLabel.h"
#include "views/startup/StartupDetail.h"
#include "views/startup/StartupListCard.h"
#include "views/startup/StartupState.h"
#include "views/kit/TypeScale.h"

#include <QShowEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tw {

StartupWorkspace::StartupWorkspace(const WorkspaceEnvironment& env, QWidget* parent)
    : WorkspaceChrome(QStringLiteral("Tidewell"), parent)
    , m_state(new StartupState(env.cleaner, env.prompter, env.platform.workspace(), this))
{
    setObjectName(QStringLiteral("startupWorkspace"));
    buildListColumn();
    m_detail = new StartupDetail(*m_state, detail());
    auto* detailLayout = new QVBoxLayout(detail());
    detailLayout->setContentsMargins(0, 0, 0, 0);
    detailLayout->addWidget(m_detail);

    connect(m_state, &StartupState::listChanged, this, &StartupWorkspace::listChanged);
    connect(m_state, &StartupState::scanningChanged, this, &StartupWorkspace::scanningChanged);
    connect(m_state, &StartupState::busyChanged, this, [this] { m_list->updateRows(); });
    connect(m_state, &StartupState::selectionChanged, this, [this] {
        m_list->updateRows();  // the active card
        m_detail->refresh();
    });
    listChanged();
}

StartupWorkspace::~StartupWorkspace() = default;

void StartupWorkspace::buildListColumn()
{
    m_search = filterBar({[this] { return m_state->searchText(); }, [this](QString text) { m_state->setSearchText(text); }},
                         QStringLiteral("Search startup items"), [this] { m_state->refresh(); });
    m_search->layout()->setContentsMargins(12, 10, 12, 10);
    m_search->refreshButton()->setGlyph(refreshGlyph());

    m_progress = new ProgressIndicator(QStringLiteral("Scanning…"));
    m_empty
        = new TintedLabel(L10n::t(QStringLiteral("startup.empty")), Tint::secondary, typescale::font(TextRole::body));
    m_empty->setAlignment(Qt::AlignCenter);
    m_empty->setWordWrap(true);
    m_list = new LazyList;
    m_list->setSpacing(8);
    m_list->setPadding(QMargins(10, 10, 10, 10));
    m_list->setRows({
        .kind = {},
        .height = [](int, int) { return StartupListCard::rowHeight(); },
        .make = [](int) -> QWidget* { return new StartupListCard; },
        .bind = [this](QWidget* widget, int row) {
            const RemovableItem& item = m_state->shownItem(row);
            const QString path = item.path;
            auto* card = static_cast<StartupListCard*>(widget);
            card->bind(item, m_state->isActive(item), [this, path] { m_state->select(path); },
                       [this, path](bool on) { m_state->setItemEnabled(path, on); });
            // No switch moves while a change runs.
            card->toggle()->setEnabled(!m_state->isBusy());
        },
    });

    m_content = new QStackedWidget;
    m_content->addWidget(m_progress);
    m_content->addWidget(m_empty);
    m_content->addWidget(m_list);

    auto* column = new QVBoxLayout(middle());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_search);
    column->addWidget(new Divider);
    column->addWidget(m_content, 1);
}

StartupWorkspace::ListContent StartupWorkspace::listContent() const
{
    if (m_content->currentWidget() == m_progress)
        return ListContent::scanning;
    return m_content->currentWidget() == m_empty ? ListContent::empty : ListContent::list;
}

void StartupWorkspace::listChanged()
{
    m_list->reset(m_state->shownCount());
    scanningChanged();
}

void StartupWorkspace::scanningChanged()
{
    // The list hides during a scan, even when it holds items.
    if (m_state->isScanning())
        m_content->setCurrentWidget(m_progress);
    else
        m_content->setCurrentWidget(m_state->shownCount() == 0 ? static_cast<QWidget*>(m_empty) : m_list);
}

void StartupWorkspace::showEvent(QShowEvent* event)
{
    WorkspaceChrome::showEvent(event);
    if (!event->spontaneous())
        m_state->appear();
}

} // namespace tw
