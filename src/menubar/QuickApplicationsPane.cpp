#include "menubar/QuickApplicationsPane.h"

#include "engine/inventory/AppScanner.h"
#include "engine/inventory/ByteFormat.h"
#include "menubar/QuickListRow.h"
#include "views/kit/LazyList.h"
#include "views/kit/Prompter.h"
#include "views/kit/PushButton.h"
#include "views/kit/TextLines.h"

#include <QHBoxLayout>
#include <QPointer>

namespace tw {

namespace quick {

void uninstallEntry(AppScanner& scanner, const AppInfoPtr& entry, QObject* context,
                    std::function<void(std::optional<QString>)> done)
{
    auto told = [done = std::move(done)](const RemovalReport& report) {
        if (report.status.ok())
            done(std::nullopt);
        else
            done(report.status.error().description);
    };
    scanner.uninstallEntry(entry, {context, std::move(told)});
}

} // namespace quick

QuickApplicationsPane::QuickApplicationsPane(AppScanner& scanner, Prompter& prompter, QWidget* parent)
    : QuickAppListPane(scanner, QStringLiteral("Applications"), QStringLiteral("Uninstall an app and its related files"),
                       QStringLiteral("Search applications"), parent)
    , m_prompter(prompter)
{
    // A removal from any pane or tab: no row takes another until it is done.
    connect(&scanner, &AppScanner::removingChanged, list(), &LazyList::updateRows);
    start();
}

void QuickApplicationsPane::addControls(QuickListRow* row)
{
    auto* button = new PushButton(QStringLiteral("Uninstall"), PushButton::Style::bordered, row);
    button->setTitleFont(TextRole::caption);
    row->trailing()->addWidget(button, 0, Qt::AlignVCenter);
}

void QuickApplicationsPane::bindRow(QuickListRow* row, const AppInfoPtr& app)
{
    row->setTexts(app->name(), byteformat::string(app->displaySize()));
    auto* button = row->findChild<PushButton*>();
    button->disconnect(this);
    connect(button, &QAbstractButton::clicked, this, [this, weak = std::weak_ptr<AppInfo>(app)] {
        if (const AppInfoPtr app = weak.lock())
            confirmUninstall(app);
    });
    button->setEnabled(!m_asking && !scanner().isRemoving());
    button->setBusy(m_removing == app->id());
}

void QuickApplicationsPane::confirmUninstall(const AppInfoPtr& app)
{
    if (m_asking || !app || scanner().isRemoving())
        return;
    m_asking = true;
    // The engines and the prompter outlive the pane; the panel may be
    // rebuilt while an alert is up or the uninstall runs.
    AppScanner& engine = scanner();
    Prompter& prompter = m_prompter;
    const QPointer<QuickApplicationsPane> self(this);
    const Prompt confirm{Prompt::Style::warning, QStringLiteral("Uninstall ") + app->name() + u'?',
                         QStringLiteral("Move the app and its related files to the Trash."),
                         {{QStringLiteral("Uninstall"), PromptButton::Role::destructive},
                          {QStringLiteral("Cancel"), PromptButton::Role::cancel}}};
    const bool confirmed = prompter.ask(confirm) == 0;
    if (self)
        m_asking = false;
    if (!confirmed)
        return;
    // Told through the engine, which outlives the pane: a failure is shown also when the pane is gone.
    quick::uninstallEntry(engine, app, &engine, [&prompter, self](std::optional<QString> error) {
        if (self)
            self->setRemoving({});
        if (error)
            prompter.ask({Prompt::Style::warning, QStringLiteral("Applications"), text::singleLine(*error),
                          {{QStringLiteral("OK"), PromptButton::Role::cancel}}});
    });
    // From here the scanner's removal keeps every button off.
    if (self)
        setRemoving(app->id());
}

void QuickApplicationsPane::setRemoving(const QUuid& id)
{
    m_removing = id;
    list()->updateRows();
}

} // namespace tw
