#include "menubar/UpdatesNotificationPanel.h"

#include "engine/updates/UpdateChecker.h"
#include "engine/updates/UpdateRows.h"
#include "menubar/PaneHeader.h"
#include "menubar/QuickAppListPane.h"
#include "menubar/QuickListRow.h"
#include "views/kit/Divider.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/PullDownButton.h"
#include "views/kit/PushButton.h"
#include "views/kit/SearchText.h"
#include "views/kit/SymbolView.h"
#include "views/kit/TextLines.h"
#include "views/kit/TextButton.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

namespace tw {

QString rawValue(UpdateNoticeSource source)
{
    switch (source) {
    case UpdateNoticeSource::all: return QStringLiteral("All");
    case UpdateNoticeSource::developer: return QStringLiteral("Developer");
    case UpdateNoticeSource::appStore: return QStringLiteral("App Store");
    }
    return {};
}

const QList<UpdateNoticeSource>& allUpdateNoticeSources()
{
    static const QList<UpdateNoticeSource> all{UpdateNoticeSource::all, UpdateNoticeSource::developer,
                                               UpdateNoticeSource::appStore};
    return all;
}

std::optional<UpdateNoticeSource> updateNoticeSourceFrom(const QString& text)
{
    for (UpdateNoticeSource s : allUpdateNoticeSources())
        if (rawValue(s) == text)
            return s;
    return std::nullopt;
}

namespace quick {

bool admits(UpdateNoticeSource source, UpdateChannel channel)
{
    switch (source) {
    case UpdateNoticeSource::all: return true;
    case UpdateNoticeSource::developer: return channel != UpdateChannel::appStore;
    case UpdateNoticeSource::appStore: return channel == UpdateChannel::appStore;
    }
    return false;
}

QList<AppUpdateItem> detectedUpdates(const QList<AppUpdateItem>& items)
{
    QList<AppUpdateItem> out;
    for (const AppUpdateItem& item : items)
        if (item.availability.isActionable())
            out.append(item);
    return out;
}

QList<AppUpdateItem> shownUpdates(const QList<AppUpdateItem>& detected, UpdateNoticeSource source,
                                  const QString& search)
{
    QList<AppUpdateItem> out;
    for (const AppUpdateItem& item : detected)
        if (admits(source, item.channel) && searchMatches(item.name, search))
            out.append(item);
    return out;
}

QString readyText(qsizetype count)
{
    return QStringLiteral("Ready to update: %1 %2").arg(count).arg(count == 1 ? QStringLiteral("app") : QStringLiteral("apps"));
}

QString nothingShownText(const QList<AppUpdateItem>& items)
{
    // The checker's own closing line, told only about the rows without an update.
    QList<AppUpdateItem> rest = items;
    rest.removeIf([](const AppUpdateItem& item) { return item.availability.isActionable(); });
    return updaterows::summaryText(rest);
}

QString actionTitle(const UpdateAvailability& availability)
{
    return availability.is(UpdateAvailability::Kind::updateAvailable) ? QStringLiteral("Update")
                                                                      : QStringLiteral("Launch app");
}

} // namespace quick

namespace {
constexpr int kRowPadding = 8;
constexpr int kRuleInset = 46;
constexpr int kSide = 14;
constexpr int kControlWidth = 110;
constexpr qreal kBoxRadius = 6;

// The installed version, the arrow, the new version and the button of a row.
struct RowControls {
    TintedLabel* installed;
    TintedLabel* latest;
    PushButton* action;
};

RowControls controlsOf(const QuickListRow* row)
{
    const QList<TintedLabel*> labels = row->findChildren<TintedLabel*>();
    return {labels.value(0), labels.value(1), row->findChild<PushButton*>()};
}

} // namespace

QColor UpdatesNotificationPanel::newVersionColour()
{
    return rgb(0.18, 0.62, 0.32);
}

UpdatesNotificationPanel::UpdatesNotificationPanel(UpdateChecker& checker, std::function<void()> onOpenInApp,
                                                   QWidget* parent)
    : QWidget(parent)
    , m_checker(checker)
{
    setFixedSize(paneSize());
    // Made from the top down, which is the order Tab takes.
    QWidget* header = makeHeader();
    m_progress = new ProgressIndicator(QStringLiteral("Checking for updates…"), this);
    m_nothing = new TintedLabel({}, Tint::secondary, typescale::font(TextRole::body), this);
    m_list = new LazyList(this);
    m_footer = new TintedLabel({}, Tint::secondary, typescale::font(TextRole::callout), this);
    m_openInApp = new TextButton(QStringLiteral("Open in App"), Tint::accent, typescale::font(TextRole::body), this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(header);
    column->addWidget(new Divider(this));
    m_nothing->setAlignment(Qt::AlignCenter);
    for (QWidget* content : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_list),
                             static_cast<QWidget*>(m_nothing)})
        column->addWidget(content, 1);
    column->addWidget(new Divider(this));
    auto* footer = new QHBoxLayout;
    footer->setContentsMargins(kSide, 8, kSide, 8);
    footer->addWidget(m_footer);
    footer->addStretch(1);
    m_openInApp->setCompact(true);
    footer->addWidget(m_openInApp);
    column->addLayout(footer);
    connect(m_openInApp, &QAbstractButton::clicked, this, [action = std::move(onOpenInApp)] {
        if (action)
            action();
    });

    m_list->setFillsBackground(false);
    m_list->setRows({
        .kind = {},
        .height = [](int, int) { return QuickListRow::heightFor(kRowPadding); },
        .make = [this](int) { return makeRow(); },
        .bind = [this](QWidget* w, int i) { bindRow(static_cast<QuickListRow*>(w), i); },
    });
    connect(&m_checker, &UpdateChecker::itemsChanged, this, &UpdatesNotificationPanel::refresh);
    connect(&m_checker, &UpdateChecker::isCheckingChanged, this, &UpdatesNotificationPanel::refresh);
    refresh();
}

QWidget* UpdatesNotificationPanel::makeHeader()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(kSide, 28, kSide, 8);
    row->setSpacing(10);
    auto* title = new TintedLabel(QStringLiteral("Updates available for your apps"), Tint::primary,
                                  typescale::font(TextRole::headline), header);
    // Beside the two controls the title takes two lines rather than being cut.
    title->setWordWrap(true);
    row->addWidget(title, 1);
    QStringList titles;
    for (UpdateNoticeSource s : allUpdateNoticeSources())
        titles << rawValue(s);
    // The source menu fills a rounded box, like the search field beside it.
    m_picker = new PullDownButton(titles, TextRole::body, header);
    m_picker->fillBox({kControlWidth, m_picker->sizeHint().height() + 2}, kBoxRadius);
    m_picker->setToolTip(QStringLiteral("Source"));
    connect(m_picker, &PullDownButton::chosen, this,
            [this](int i) { setSource(allUpdateNoticeSources().value(i, UpdateNoticeSource::all)); });
    row->addWidget(m_picker);
    m_searchBar = new FilterBar({[this] { return m_search; }, [this](const QString& t) { setSearchText(t); }},
                                QStringLiteral("Search"), {}, header);
    // The glass sits inside the rounded box, which leaves the title room for two lines.
    m_searchBar->layout()->setContentsMargins(7, 0, 6, 0);
    static_cast<QBoxLayout*>(m_searchBar->layout())->setSpacing(4);
    m_searchBar->setFixedSize(m_picker->size());
    m_searchBar->field()->setFont(typescale::font(TextRole::callout));
    row->addWidget(m_searchBar);
    return header;
}

QWidget* UpdatesNotificationPanel::makeRow() const
{
    auto* row = new QuickListRow(kRowPadding, kRuleInset);
    auto* installed = new TintedLabel({}, Tint::secondary, typescale::font(TextRole::callout), row);
    auto* latest = new TintedLabel({}, Tint::secondary, typescale::font(TextRole::emphasised), row);
    QPalette green = latest->palette();
    green.setColor(QPalette::WindowText, newVersionColour());
    latest->setPalette(green);
    auto* action = new PushButton({}, PushButton::Style::bordered, row);
    action->setTitleFont(TextRole::caption);
    QHBoxLayout* trailing = row->trailing();
    trailing->addWidget(installed, 0, Qt::AlignVCenter);
    trailing->addWidget(new SymbolView({QStringLiteral("arrow.right"), 10, Tint::secondary}, row), 0, Qt::AlignVCenter);
    trailing->addWidget(latest, 0, Qt::AlignVCenter);
    trailing->addWidget(action, 0, Qt::AlignVCenter);
    return row;
}

void UpdatesNotificationPanel::bindRow(QuickListRow* row, int i)
{
    const AppUpdateItem& item = m_rows[i];
    row->setIcon(item.icon);
    row->setTexts(item.name);
    const RowControls c = controlsOf(row);
    const QString& installed = item.installedVersion;
    c.installed->setText(installed.isEmpty() ? QStringLiteral("—") : text::singleLine(installed));
    c.latest->setText(text::singleLine(item.availability.version()));
    c.action->setText(quick::actionTitle(item.availability));
    c.action->disconnect(this);
    connect(c.action, &QAbstractButton::clicked, this, [this, item] { m_checker.performPrimaryAction(item); });
}

void UpdatesNotificationPanel::setSource(UpdateNoticeSource source)
{
    if (source == m_source)
        return;
    m_source = source;
    m_picker->setCurrent(int(allUpdateNoticeSources().indexOf(source)));
    refresh();
}

void UpdatesNotificationPanel::setSearchText(const QString& text)
{
    if (text == m_search)
        return;
    m_search = text;
    m_searchBar->refresh();
    refresh();
}

QuickListRow* UpdatesNotificationPanel::rowFor(int i) const
{
    return static_cast<QuickListRow*>(m_list->widgetFor(i));
}

void UpdatesNotificationPanel::refresh()
{
    const QList<AppUpdateItem> detected = quick::detectedUpdates(m_checker.items());
    m_rows = quick::shownUpdates(detected, m_source, m_search);
    m_footer->setText(quick::readyText(detected.size()));
    m_content = !m_rows.isEmpty()           ? Content::list
        : m_checker.isChecking()             ? Content::checking
                                             : Content::nothing;
    if (m_content == Content::nothing)
        m_nothing->setText(quick::nothingShownText(m_checker.items()));
    m_progress->setVisible(m_content == Content::checking);
    m_nothing->setVisible(m_content == Content::nothing);
    m_list->setVisible(m_content == Content::list);
    m_list->reset(int(m_rows.size()));
}

void UpdatesNotificationPanel::paintEvent(QPaintEvent*)
{
    // The rounded boxes of the source menu and the search field.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    for (const QWidget* control : {static_cast<QWidget*>(m_picker), static_cast<QWidget*>(m_searchBar)}) {
        const QRectF box = QRectF(QRect(control->mapTo(this, QPoint(0, 0)), control->size())).adjusted(0.5, 0.5, -0.5, -0.5);
        neon::fillRoundedPath(p, box, kBoxRadius, PaneSearchField::boxColour());
        neon::strokeRoundedPathInside(p, box, kBoxRadius, 1, faded(secondaryTint(), 0.3));
    }
}

} // namespace tw
