#include "menubar/QuickStartupPane.h"

#include "engine/cleaner/SystemCleaner.h"
#include "menubar/PaneHeader.h"
#include "menubar/QuickListRow.h"
#include "views/kit/Divider.h"
#include "views/kit/LazyList.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/NeonText.h"
#include "views/kit/ProgressIndicator.h"
#include "views/kit/Prompter.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tw {

namespace {
constexpr int kRowPadding = 7;
constexpr int kRuleInset = 48;
} // namespace

QuickStartupPane::QuickStartupPane(SystemCleaner& cleaner, Prompter& prompter, QWidget* parent)
    : QWidget(parent)
    , m_cleaner(cleaner)
    , m_prompter(prompter)
    , m_header(new PaneHeader(QStringLiteral("Startup apps"), QStringLiteral("Turn startup items on or off"), this))
    , m_progress(new ProgressIndicator(QStringLiteral("Scanning…"), this))
    , m_empty(new TintedLabel(QStringLiteral("No startup programs found"), Tint::secondary,
                              typescale::font(TextRole::body), this))
    , m_list(new LazyList(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(new Divider(this));
    m_empty->setAlignment(Qt::AlignCenter);
    for (QWidget* content : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_empty),
                             static_cast<QWidget*>(m_list)})
        column->addWidget(content, 1);
    m_list->setFillsBackground(false);
    m_list->setRows({
        .kind = {},
        .height = [](int, int) { return QuickListRow::heightFor(kRowPadding); },
        .make = [](int) -> QWidget* {
            auto* row = new QuickListRow(kRowPadding, kRuleInset);
            row->trailing()->addWidget(new NeonSwitch(NeonSwitch::Size::small, row), 0, Qt::AlignVCenter);
            return row;
        },
        .bind = [this](QWidget* w, int i) {
            auto* row = static_cast<QuickListRow*>(w);
            const RemovableItem& item = m_cleaner.startupItems()[i];
            row->setIcon(item.icon);
            row->setTexts(item.title, item.category);
            auto* toggle = row->findChild<NeonSwitch*>();
            toggle->bind(switchBinding(item.path, item.isEnabled));
            // No switch moves while a change of the cleaner runs.
            toggle->setEnabled(!m_cleaner.isRemoving());
        },
    });
    connect(&m_cleaner, &SystemCleaner::startupItemsChanged, this, &QuickStartupPane::refresh);
    connect(&m_cleaner, &SystemCleaner::scanningChanged, this, &QuickStartupPane::refresh);
    connect(&m_cleaner, &SystemCleaner::removingChanged, m_list, &LazyList::updateRows);
    refresh();
}

Binding<bool> QuickStartupPane::switchBinding(const QString& path, bool enabled)
{
    // The switch shows the list's state, so a refusal leaves it as it was.
    auto get = [this, path, enabled] {
        for (const RemovableItem& it : m_cleaner.startupItems())
            if (it.path == path)
                return it.isEnabled;
        return enabled;
    };
    // A change rebinds this row and so drops this binding: pass a copy of the path.
    return {get, [this, path](bool on) { setEnabled(QString(path), on); }};
}

QuickListRow* QuickStartupPane::rowFor(int i) const
{
    return static_cast<QuickListRow*>(m_list->widgetFor(i));
}

void QuickStartupPane::setEnabled(const QString& path, bool enabled)
{
    if (m_cleaner.isRemoving())
        return;
    m_cleaner.setStartupItemEnabled(path, enabled, {this, [this](const Status& changed) { tellRefusal(changed); }});
}

void QuickStartupPane::tellRefusal(const Status& changed)
{
    if (!changed)
        m_prompter.ask({Prompt::Style::warning, QStringLiteral("Startup apps"),
                        text::singleLine(changed.error().description),
                        {{QStringLiteral("OK"), PromptButton::Role::cancel}}});
}

void QuickStartupPane::refresh()
{
    const QList<RemovableItem>& items = m_cleaner.startupItems();
    m_content = m_cleaner.isScanningStartup() ? Content::scanning : items.isEmpty() ? Content::empty : Content::list;
    m_progress->setVisible(m_content == Content::scanning);
    m_empty->setVisible(m_content == Content::empty);
    m_list->setVisible(m_content == Content::list);
    m_list->reset(m_content == Content::list ? int(items.size()) : 0);
}

} // namespace tw
