#include "menubar/QuickApplicationsPane.h"

#include "engine/inventory/AppScanner.h"
#include "engine/inventory/ByteFormat.h"
#include "menubar/QuickListRow.h"
#include "views/kit/Prompter.h"
#include "views/kit/PushButton.h"

#include <QHBoxLayout>
#include <QPointer>

namespace tw {

namespace quick {

std::optional<QString> uninstallEntry(AppScanner& scanner, const AppInfoPtr& entry)
{
    const RemovalReport report = scanner.uninstallEntry(entry);
    if (report.status.ok())
        return std::nullopt;
    return report.status.error().description;
}

} // namespace quick

QuickApplicationsPane::QuickApplicationsPane(AppScanner& scanner, Prompter& prompter, QWidget* parent)
    : QuickAppListPane(scanner, QStringLiteral("Applications"), QStringLiteral("Uninstall an app and its related files"),
                       QStringLiteral("Search applications"), parent)
    , m_prompter(prompter)
{
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
}

void QuickApplicationsPane::confirmUninstall(const AppInfoPtr& app)
{
    if (m_busy || !app)
        return;
    m_busy = true;
    // The engines and the prompter outlive the pane; the panel may be
    // rebuilt while an alert is up.
    AppScanner& engine = scanner();
    Prompter& prompter = m_prompter;
    const QPointer<QuickApplicationsPane> self(this);
    const Prompt confirm{Prompt::Style::warning, QStringLiteral("Uninstall ") + app->name() + u'?',
                         QStringLiteral("Move the app and its related files to the Trash."),
                         {{QStringLiteral("Uninstall"), PromptButton::Role::destructive},
                          {QStringLiteral("Cancel"), PromptButton::Role::cancel}}};
    if (prompter.ask(confirm) == 0) {
        if (const std::optional<QString> error = quick::uninstallEntry(engine, app))
            prompter.ask({Prompt::Style::warning, QStringLiteral("Applications"), *error,
                          {{QStringLiteral("OK"), PromptButton::Role::cancel}}});
    }
    if (self)
        m_busy = false;
}

} // namespace tw
