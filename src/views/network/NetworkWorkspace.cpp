#include "views/network/NetworkWorkspace.h"

#include "platform/Platform.h"
#include "state/L10n.h"
#include "views/kit/Divider.h"
#include "views/kit/FeatureEmptyState.h"
#include "views/kit/FilterBar.h"
#include "views/kit/IconView.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonText.h"
#include "views/kit/PushButton.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/network/NetworkRow.h"
#include "views/network/NetworkState.h"
#include "views/kit/TypeScale.h"

#include <QStackedWidget>
#include <QVBoxLayout>

namespace tw {

NetworkWorkspace::NetworkWorkspace(const WorkspaceEnvironment& env, QWidget* parent)
    : WorkspaceChrome(QStringLiteral("Tidewell"), parent)
    , m_state(new NetworkState(env.scanner, env.platform.workspace(), this))
    , m_searchRow(filterBar({[this] { return m_state->searchText(); },
                             [this](const QString& text) { m_state->setSearchText(text); }},
                            QStringLiteral("Search apps")))
    , m_pages(new QStackedWidget(detail()))
{
    setObjectName(QStringLiteral("network-workspace"));
    // Parented before the list is made, so Tab reaches the field first.
    m_searchRow->setParent(middle());
    makeList();
    auto* column = new QVBoxLayout(middle());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_searchRow);
    column->addWidget(new Divider(middle()));
    column->addWidget(m_list, 1);

    m_pages->addWidget(new FeatureEmptyState(QStringLiteral("Network Access"),
                                             QStringLiteral("Select an application to review network access guidance."),
                                             QStringLiteral("globe"), m_pages));
    m_pages->addWidget(makeDetail());
    auto* detailColumn = new QVBoxLayout(detail());
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->addWidget(m_pages);

    connect(m_state, &NetworkState::appsChanged, this, [this] { m_list->reset(int(m_state->apps().size())); });
    connect(m_state, &NetworkState::selectionChanged, this, [this] {
        m_list->updateRows();
        showSelection();
    });
    m_list->reset(int(m_state->apps().size()));
    showSelection();
}

void NetworkWorkspace::makeList()
{
    m_list = new LazyList(middle());
    m_list->setPadding({6, 6, 6, 6});
    m_list->setRows({
        .kind = {},
        .height = [](int, int) { return NetworkRow::rowHeight(); },
        .make = [this](int) -> QWidget* {
            auto* row = new NetworkRow;
            connect(row, &RoundedCard::clicked, this, [this, row] { m_state->select(row->app()); });
            return row;
        },
        .bind =
            [this](QWidget* w, int i) {
                const AppInfoPtr& app = m_state->apps()[i];
                static_cast<NetworkRow*>(w)->bind(app, app == m_state->selected());
            },
    });
}

QWidget* NetworkWorkspace::makeDetail()
{
    auto* page = new QWidget(m_pages);
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(20, 20, 20, 20);
    stack->setSpacing(14);
    stack->addStretch(1);
    m_icon = new IconView(64, 12, page);
    stack->addWidget(m_icon, 0, Qt::AlignHCenter);
    m_name = new TintedLabel(QString(), Tint::primary, typescale::font(TextRole::detailName), page);
    m_name->setAlignment(Qt::AlignHCenter);
    m_name->setWordWrap(true);
    m_name->setTextFormat(Qt::PlainText);
    stack->addWidget(m_name);
    auto* hint = new TintedLabel(L10n::t(QStringLiteral("network.firewall_hint")), Tint::secondary,
                                 typescale::font(TextRole::callout), page);
    hint->setAlignment(Qt::AlignHCenter);
    hint->setWordWrap(true);
    // As wide as the column allows, up to 380 points, centred.
    hint->setMaximumWidth(380);
    auto* hintRow = new QHBoxLayout;
    hintRow->addStretch(1);
    hintRow->addWidget(hint, 1000);
    hintRow->addStretch(1);
    stack->addLayout(hintRow);
    m_button = new PushButton(QStringLiteral("Open Firewall Settings"), PushButton::Style::prominent, page);
    connect(m_button, &QAbstractButton::clicked, m_state, &NetworkState::openFirewallSettings);
    stack->addWidget(m_button, 0, Qt::AlignHCenter);
    stack->addStretch(1);
    return page;
}

void NetworkWorkspace::showSelection()
{
    const AppInfoPtr& app = m_state->selected();
    m_pages->setCurrentIndex(app ? 1 : 0);
    if (!app)
        return;
    m_icon->setIcon(app->icon());
    m_name->setText(text::singleLine(app->name()));
}

} // namespace tw
