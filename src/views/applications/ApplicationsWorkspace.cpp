#include "views/applications/ApplicationsWorkspace.h"

#include "engine/cleaner/SystemCleaner.h"
#include "engine/inventory/AppScanner.h"
#include "platform/Platform.h"
#include "state/AppNavigation.h"
#include "state/L10n.h"
#include "views/applications/AppDetailPanel.h"
#include "views/applications/AppListController.h"
#include "views/applications/ApplicationDrop.h"
#include "views/applications/ApplicationsState.h"
#include "views/applications/EmptyRemainsPanel.h"
#include "views/applications/EmptyUninstallPanel.h"
#include "views/applications/RemainCard.h"
#include "views/applications/RemainDetailPanel.h"
#include "views/applications/RemainsFlow.h"
#include "views/applications/SortMenuButton.h"
#include "views/applications/UninstallFlow.h"
#include "views/kit/Divider.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/LazyList.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/NeonText.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/PushButton.h"
#include "views/kit/SegmentedControl.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPropertyAnimation>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tw {

namespace {

// A widget that fills itself with a colour chosen at each paint.
class FilledBar : public QWidget {
public:
    explicit FilledBar(QColor (*fill)(), QWidget* parent = nullptr)
        : QWidget(parent)
        , m_fill(fill)
    {
        onThemeChange(this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), m_fill());
    }

private:
    QColor (*m_fill)();
};

// The search field: a plain line edit in a rounded border, ringed while
// it has the focus.
class SearchBox : public QWidget {
public:
    explicit SearchBox(QLineEdit* field, QWidget* parent)
        : QWidget(parent)
        , m_field(field)
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(8, 4, 8, 4);
        row->addWidget(field);
        field->setParent(this);
        field->setFrame(false);
        field->setFont(typescale::font(TextRole::body));
        field->setAttribute(Qt::WA_MacShowFocusRect, false);
        auto restyle = [field] {
            QPalette pal = field->palette();
            pal.setColor(QPalette::Base, Qt::transparent);
            pal.setColor(QPalette::Text, primaryTextTint());
            pal.setColor(QPalette::PlaceholderText, secondaryTint());
            pal.setColor(QPalette::Highlight, neon::faded(accentTint(), 0.45));
            field->setPalette(pal);
        };
        restyle();
        onThemeChange(this, [this, restyle] {
            restyle();
            update();
        });
        field->installEventFilter(this);
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QWidget::changeEvent(event);
        // What is typed, and the prompt, stand against the leading side.
        if (event->type() == QEvent::LayoutDirectionChange)
            m_field->setAlignment(Mirror::leading(*this) | Qt::AlignVCenter);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
            update();
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        neon::fillRoundedPath(p, r, 6, AppTheme::listBackground());
        neon::strokeRoundedPathInside(p, r, 6, 1, neon::faded(secondaryTint(), 0.45));
        if (m_field->hasFocus())
            focusring::paint(p, QRectF(rect()), 6, focusring::Placement::inside, AppTheme::appearance());
    }

private:
    QLineEdit* m_field;
};

constexpr int kSearchRowHeight = 40;

} // namespace

ApplicationsWorkspace::ApplicationsWorkspace(const WorkspaceEnvironment& env, QWidget* parent)
    : WorkspaceChrome(QStringLiteral("Tidewell"), parent)
    , m_env(env)
    , m_state(new ApplicationsState(env.scanner, env.cleaner, env.platform.settings(), this))
    , m_flow(new UninstallFlow(*m_state, env.prompter, this))
    , m_remains(new RemainsFlow(*m_state, env.navigation, env.prompter, this))
{
    setObjectName(QStringLiteral("applications-workspace"));
    auto* middleColumn = new QVBoxLayout(middle());
    middleColumn->setContentsMargins(0, 0, 0, 0);
    middleColumn->setSpacing(0);
    middleColumn->addWidget(makeHeader());
    middleColumn->addWidget(m_searchRow);
    middleColumn->addWidget(new Divider(middle()));
    middleColumn->addWidget(makeListArea(), 1);

    makeDetailColumn();
    connectModels();
    updateRemainsList();
    segmentChanged();
    // Shown on the remains segment, the tab looks for remains only when none are known.
    if (env.navigation.appsSegment() == AppsSegment::remains)
        m_remains->triggerRemainsScan(Rescan::IfIdle);
}

void ApplicationsWorkspace::makeDetailColumn()
{
    auto* detailColumn = new QVBoxLayout(detail());
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->setSpacing(0);
    detailColumn->addWidget(makeTopBar());
    detailColumn->addWidget(new Divider(detail()));
    m_details = new QStackedWidget(detail());
    m_emptyPanel = new EmptyUninstallPanel(m_details);
    m_detailPanel = new AppDetailPanel(m_env.platform.fs(), m_details);
    m_remainPanel = new RemainDetailPanel(m_details);
    m_details->addWidget(m_emptyPanel);
    m_details->addWidget(m_detailPanel);
    m_details->addWidget(new EmptyRemainsPanel(m_details));
    m_details->addWidget(m_remainPanel);
    detailColumn->addWidget(m_details, 1);
    detailColumn->addWidget(makeBottomBar());
}

void ApplicationsWorkspace::connectModels()
{
    connect(&m_env.navigation, &AppNavigation::appsSegmentChanged, this, [this](AppsSegment segment) {
        segmentChanged();
        // Entering the remains looks for them again; leaving them starts nothing.
        if (segment == AppsSegment::remains)
            m_remains->triggerRemainsScan(Rescan::Force);
    });
    connect(&m_env.scanner, &AppScanner::scanningChanged, this, &ApplicationsWorkspace::updateListArea);
    connect(&m_env.cleaner, &SystemCleaner::scanningChanged, this, &ApplicationsWorkspace::updateListArea);
    connect(&m_env.cleaner, &SystemCleaner::remainingFilesChanged, this, [this] {
        updateRemainsList();
        updateListArea();
        updateActionButton();
    });
    connect(m_state, &ApplicationsState::searchTextChanged, this, &ApplicationsWorkspace::updateRemainsList);
    connect(m_state, &ApplicationsState::sortChanged, this, [this] {
        m_sort->setOrder(m_state->sort());
        updateRemainsList();
    });
    connect(m_state, &ApplicationsState::showSearchFieldChanged, this, &ApplicationsWorkspace::showSearchField);
    connect(m_state, &ApplicationsState::selectedAppChanged, this, [this] {
        watchSelection();
        updateDetail();
        updateActionButton();
    });
    connect(m_state, &ApplicationsState::advanceModeChanged, this, [this](bool on) {
        m_advanceSwitch->refresh();
        m_fullTreeLabel->setVisible(on);
        updateDetail();
    });
    connect(m_state, &ApplicationsState::selectedRemainChanged, this, [this] {
        m_remainsList->updateRows();
        updateDetail();
    });
    connect(m_state, &ApplicationsState::dropTargetedChanged, m_emptyPanel, &EmptyUninstallPanel::setDropTargeted);
    connect(m_emptyPanel, &EmptyUninstallPanel::dropHoverChanged, m_state, &ApplicationsState::setDropTargeted);
    connect(m_emptyPanel, &EmptyUninstallPanel::dropped, this, &ApplicationsWorkspace::handleDrop);
    connect(m_flow, &UninstallFlow::runningChanged, this, &ApplicationsWorkspace::updateActionButton);
    connect(m_remains, &RemainsFlow::runningChanged, this, &ApplicationsWorkspace::updateActionButton);
    connect(&m_env.scanner, &AppScanner::removingChanged, this, &ApplicationsWorkspace::updateActionButton);
    connect(&m_env.cleaner, &SystemCleaner::removingChanged, this, &ApplicationsWorkspace::updateActionButton);
    connect(m_remains, &RemainsFlow::waitingChanged, this, &ApplicationsWorkspace::updateListArea);
}

ApplicationsWorkspace::~ApplicationsWorkspace()
{
    for (const QMetaObject::Connection& c : std::as_const(m_selectionWatches))
        disconnect(c);
}

QWidget* ApplicationsWorkspace::makeHeader()
{
    auto* header = new QWidget(middle());
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(12, 10, 12, 10);
    row->setSpacing(8);
    QStringList titles;
    for (AppsSegment s : allCases<AppsSegment>())
        titles << title(s);
    m_segments = new SegmentedControl(titles, header);
    m_segments->setMaximumWidth(168);
    AppNavigation& navigation = m_env.navigation;
    m_segments->bind({[&navigation] { return int(allCases<AppsSegment>().indexOf(navigation.appsSegment())); },
                      [&navigation](int i) { navigation.setAppsSegment(allCases<AppsSegment>().value(i)); }});
    row->addWidget(m_segments);
    row->addStretch(1);
    m_searchToggle = new SymbolButton(tintedSymbol(QStringLiteral("magnifyingglass"), 14), header);
    m_searchToggle->setAccessibleName(QStringLiteral("Search"));
    connect(m_searchToggle, &QAbstractButton::clicked, m_state, &ApplicationsState::toggleSearchField);
    row->addWidget(m_searchToggle);
    m_sort = new SortMenuButton(header);
    connect(m_sort, &SortMenuButton::orderChosen, m_state, &ApplicationsState::setSort);
    row->addWidget(m_sort);

    // The search field sits under the header, folded away until the toggle shows it.
    m_searchRow = new QWidget(middle());
    auto* searchLayout = new QHBoxLayout(m_searchRow);
    searchLayout->setContentsMargins(12, 0, 12, 8);
    m_searchField = new QLineEdit;
    m_searchField->setPlaceholderText(QStringLiteral("Search"));
    searchLayout->addWidget(new SearchBox(m_searchField, m_searchRow));
    connect(m_searchField, &QLineEdit::textEdited, m_state, &ApplicationsState::setSearchText);
    m_searchRow->setMaximumHeight(0);
    m_searchRow->hide();
    return header;
}

QWidget* ApplicationsWorkspace::makeListArea()
{
    m_lists = new QStackedWidget(middle());
    m_appsList = new LazyList(m_lists);
    m_appList = new AppListController(*m_state, *m_appsList, this);
    m_remainsList = new LazyList(m_lists);
    m_remainsList->setPadding(QMargins(10, 8, 10, 8));
    m_remainsList->setSpacing(6);
    m_remainsList->setRows({
        .kind = {},
        // Every card is as high as the next: measured once, not per row.
        .height = [h = RemainCard::cardHeight()](int, int) { return h; },
        .make = [this](int) -> QWidget* {
            auto* card = new RemainCard;
            connect(card, &RemainCard::selected, m_state, &ApplicationsState::selectRemain);
            return card;
        },
        .bind = [this](QWidget* w, int row) { bindRemainCard(w, row); },
    });

    auto* noRemains = new QWidget(m_lists);
    auto* column = new QVBoxLayout(noRemains);
    column->setSpacing(10);
    column->addStretch(1);
    column->addWidget(new TintedLabel(L10n::t(QStringLiteral("apps.no_remains")), Tint::secondary,
                                      typescale::font(TextRole::body), noRemains),
                      0, Qt::AlignHCenter);
    m_scanAgain = new PushButton(QStringLiteral("Scan Again"), PushButton::Style::bordered, noRemains);
    connect(m_scanAgain, &QAbstractButton::clicked, this, [this] { m_remains->triggerRemainsScan(Rescan::Force); });
    column->addWidget(m_scanAgain, 0, Qt::AlignHCenter);
    column->addStretch(1);

    m_lists->addWidget(new ProgressIndicator(QStringLiteral("Scanning applications…"), m_lists));
    m_lists->addWidget(m_appsList);
    m_lists->addWidget(new ProgressIndicator(QStringLiteral("Scanning remains…"), m_lists));
    m_lists->addWidget(noRemains);
    m_lists->addWidget(m_remainsList);
    return m_lists;
}

QWidget* ApplicationsWorkspace::makeTopBar()
{
    // The top bar has the cards' own fill in every theme.
    auto* bar = new FilledBar([] { return AppTheme::cardFill(); }, detail());
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(16, 12, 16, 12);
    row->setSpacing(10);
    row->addWidget(new TintedLabel(L10n::t(QStringLiteral("apps.advance_mode")), Tint::primary,
                                   typescale::font(TextRole::cardTitle), bar));
    m_advanceSwitch = new NeonSwitch({[this] { return m_state->advanceMode(); },
                                      [this](bool on) { m_state->setAdvanceMode(on); }},
                                     NeonSwitch::Size::regular, bar);
    m_advanceSwitch->setAccessibleName(L10n::t(QStringLiteral("apps.advance_mode")));
    row->addWidget(m_advanceSwitch);
    row->addStretch(1);
    m_fullTreeLabel = new TintedLabel(L10n::t(QStringLiteral("apps.full_tree")), Tint::secondary,
                                      typescale::font(TextRole::caption), bar);
    m_fullTreeLabel->setVisible(m_state->advanceMode());
    row->addWidget(m_fullTreeLabel);
    return bar;
}

QWidget* ApplicationsWorkspace::makeBottomBar()
{
    auto* bar = new QWidget(detail());
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(14, 14, 14, 14);
    row->addStretch(1);
    m_action = new PushButton({}, PushButton::Style::prominent, bar);
    m_action->setTitleFont(TextRole::largeButton);
    m_action->setFixedSize(160, 36);
    connect(m_action, &QAbstractButton::clicked, this, &ApplicationsWorkspace::press);
    row->addWidget(m_action);
    return bar;
}

void ApplicationsWorkspace::segmentChanged()
{
    m_segments->refresh();
    updateListArea();
    updateDetail();
    updateActionButton();
}

ApplicationsWorkspace::ListState ApplicationsWorkspace::listState() const
{
    if (m_env.navigation.appsSegment() == AppsSegment::apps)
        return m_env.scanner.isScanning() ? ListState::scanningApps : ListState::apps;
    // A request waiting for the applications shows the progress as well.
    if (m_env.cleaner.isScanningRemaining() || m_remains->isWaitingForApplications())
        return ListState::scanningRemains;
    // The empty state looks at the whole list: a search that matches nothing shows an empty list.
    return m_env.cleaner.remainingFiles().isEmpty() ? ListState::noRemains : ListState::remains;
}

void ApplicationsWorkspace::updateListArea()
{
    m_lists->setCurrentIndex(int(listState()));
}

void ApplicationsWorkspace::updateRemainsList()
{
    m_remainRows = m_state->filteredRemainIndices();
    m_remainsList->reset(int(m_remainRows.size()));
}

void ApplicationsWorkspace::bindRemainCard(QWidget* w, int row)
{
    // Positions are those of the list as it is now (recomputed at each change of
    // it); the card keeps only the entry's id.
    const RemovableItem& item = m_env.cleaner.remainingFiles()[m_remainRows[row]];
    const std::optional<RemovableItem>& selected = m_state->selectedRemain();
    ApplicationsState* state = m_state;
    const QUuid id = item.id;
    static_cast<RemainCard*>(w)->bind(item, selected && selected->id == id,
                                      {[state, id] { return state->isRemainTicked(id); },
                                       [state, id](bool on) { state->setRemainTicked(id, on); }});
}

ApplicationsWorkspace::DetailState ApplicationsWorkspace::detailState() const
{
    if (m_env.navigation.appsSegment() == AppsSegment::remains)
        return m_state->selectedRemain() ? DetailState::remain : DetailState::emptyRemains;
    return m_state->detailSubject() ? DetailState::application : DetailState::emptyUninstall;
}

void ApplicationsWorkspace::updateDetail()
{
    const DetailState shown = detailState();
    if (shown == DetailState::application)
        m_detailPanel->setSubject(m_state->detailSubject(), m_state->advanceMode());
    else if (shown == DetailState::remain)
        m_remainPanel->setItem(*m_state->selectedRemain());
    m_details->setCurrentIndex(int(shown));
}

void ApplicationsWorkspace::watchSelection()
{
    // A group's subject follows its members' ticks.
    for (const QMetaObject::Connection& c : std::as_const(m_selectionWatches))
        disconnect(c);
    m_selectionWatches.clear();
    const AppInfoPtr& selected = m_state->selectedApp();
    if (!selected || !selected->isGroup())
        return;
    for (const AppInfoPtr& member : selected->members())
        m_selectionWatches << connect(member.get(), &AppInfo::changed, this, &ApplicationsWorkspace::updateDetail);
}

void ApplicationsWorkspace::updateActionButton()
{
    const AppsSegment segment = m_env.navigation.appsSegment();
    m_action->setText(L10n::t(segment == AppsSegment::apps ? QStringLiteral("action.uninstall")
                                                           : QStringLiteral("action.remove")));
    m_action->setEnabled(m_state->canAct(segment) && !isBusy());
    m_action->setBusy(isRemoving());
    m_action->update();
}

bool ApplicationsWorkspace::isRemoving() const
{
    return m_env.scanner.isRemoving() || m_env.cleaner.isRemoving();
}

bool ApplicationsWorkspace::isBusy() const
{
    return m_flow->isRunning() || m_remains->isRunning() || isRemoving();
}

void ApplicationsWorkspace::showSearchField(bool shown)
{
    // A toggle during the animation turns it around from where it stands.
    if (m_searchAnimation)
        m_searchAnimation->stop();
    auto* animation = new QPropertyAnimation(m_searchRow, "maximumHeight", m_searchRow);
    m_searchAnimation = animation;
    animation->setDuration(200);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->setStartValue(m_searchRow->isVisible() ? m_searchRow->maximumHeight() : 0);
    animation->setEndValue(shown ? kSearchRowHeight : 0);
    if (shown)
        m_searchRow->show();
    else
        connect(animation, &QAbstractAnimation::finished, m_searchRow, &QWidget::hide);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
    if (shown)
        m_searchField->setFocus();
}

void ApplicationsWorkspace::press()
{
    if (isBusy())
        return;
    if (m_env.navigation.appsSegment() == AppsSegment::remains) {
        m_remains->confirmAndRemove();
        return;
    }
    if (const AppInfoPtr selected = m_state->selectedApp())
        m_flow->confirmAndUninstall(selected);
}

bool ApplicationsWorkspace::handleDrop(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        // Each bundle is handled on its own, after the drop has returned.
        if (const std::optional<QString> bundle = apps::droppedBundlePath(url, m_env.platform.fs()))
            QMetaObject::invokeMethod(this, [this, path = *bundle] { dropArrived(path); }, Qt::QueuedConnection);
    }
    return true;
}

void ApplicationsWorkspace::dropArrived(const QString& bundlePath)
{
    // Nothing changes under a removal that has not reported yet.
    if (isBusy())
        return;
    m_env.navigation.setAppsSegment(AppsSegment::apps);
    // Only top-level entries are compared; the scan starts even when the leftovers are known.
    if (const AppInfoPtr app = apps::listedApplication(m_env.scanner.apps(), bundlePath)) {
        m_state->setSelectedApp(app);
        m_env.scanner.scanLeftovers(app);
    }
}

} // namespace tw
