#include "views/updates/UpdatesWorkspace.h"

#include "state/L10n.h"
#include "views/kit/Divider.h"
#include "views/kit/FilterBar.h"
#include "views/kit/LazyList.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonText.h"
#include "views/kit/Spinner.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/TextButton.h"
#include "views/kit/TintedLabel.h"
#include "views/updates/UpdateDetail.h"
#include "views/updates/UpdateListRow.h"
#include "views/updates/UpdatesState.h"
#include "views/kit/TypeScale.h"

#include <QLayout>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tw {

namespace {

// Sections stand 14 points apart; the list spaces its lines by 6.
constexpr int kLineSpacing = 6;
constexpr int kSectionGap = 14 - kLineSpacing;

int headerTextHeight()
{
    static const int height = typescale::lineHeight(TextRole::sectionHeader);
    return height;
}

// A section's header: its upper-case title at the bottom of the line.
class SectionHeader : public QWidget {
public:
    explicit SectionHeader(QWidget* parent = nullptr)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    void setTitle(const QString& title)
    {
        m_title = title.toUpper();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setFont(typescale::font(TextRole::sectionHeader));
        p.setPen(secondaryTint());
        const QRectF r(4, height() - headerTextHeight(), width() - 8, headerTextHeight());
        p.drawText(r, Mirror(*this).align(Qt::AlignLeft) | Qt::AlignVCenter,
                   neon::elided(m_title, typescale::font(TextRole::sectionHeader), r.width()));
    }

private:
    QString m_title;
};

TintedLabel* centredLabel(const QString& text, Tint tint, const QFont& font, QWidget* parent)
{
    auto* label = new TintedLabel(text, tint, font, parent);
    label->setAlignment(Qt::AlignHCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

UpdatesWorkspace::UpdatesWorkspace(const WorkspaceEnvironment& env, QWidget* parent)
    : WorkspaceChrome(QStringLiteral("Tidewell"), parent)
    , m_state(new UpdatesState(env.scanner, env.platform, this))
    , m_searchRow(filterBar({[this] { return m_state->searchText(); },
                             [this](const QString& text) { m_state->setSearchText(text); }},
                            QStringLiteral("Search updates"), [this] { m_state->check(); }))
    , m_region(new QStackedWidget(middle()))
{
    setObjectName(QStringLiteral("updates-workspace"));
    m_searchRow->setParent(middle());
    m_searchRow->layout()->setContentsMargins(12, 10, 12, 10);
    m_searchRow->refreshButton()->setGlyph(refreshGlyph());
    m_searchRow->refreshButton()->setToolTip(QStringLiteral("Check for Updates"));
    makeList();
    m_region->addWidget(makeProgressPage());
    m_region->addWidget(m_list);
    m_region->addWidget(makeEmptyPage());

    auto* column = new QVBoxLayout(middle());
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_searchRow);
    column->addWidget(new Divider(middle()));
    column->addWidget(m_region, 1);
    column->addWidget(new Divider(middle()));
    column->addWidget(makeBottomBar());

    // Made after the middle column, so Tab reaches it after that column.
    m_detail = new UpdateDetail(detail());
    auto* detailColumn = new QVBoxLayout(detail());
    detailColumn->setContentsMargins(0, 0, 0, 0);
    detailColumn->addWidget(m_detail);

    connect(m_state, &UpdatesState::changed, this, &UpdatesWorkspace::refresh);
    connect(m_state, &UpdatesState::selectionChanged, this, [this] {
        m_list->updateRows();
        m_detail->bind(m_state->selected());
    });
    connect(m_detail, &UpdateDetail::actionRequested, this, [this] {
        if (const auto row = m_state->selected())
            m_state->performPrimaryAction(*row);
    });
    refresh();
}

QAbstractButton* UpdatesWorkspace::checkButton() const
{
    return m_searchRow->refreshButton();
}

QWidget* UpdatesWorkspace::makeProgressPage()
{
    auto* page = new QWidget(m_region);
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(16, 0, 16, 0);
    stack->setSpacing(10);
    stack->addStretch(1);
    stack->addWidget(new Spinner(page), 0, Qt::AlignHCenter);
    m_progressLabel = centredLabel(QString(), Tint::secondary, typescale::font(TextRole::caption), page);
    stack->addWidget(m_progressLabel);
    stack->addStretch(1);
    return page;
}

QWidget* UpdatesWorkspace::makeEmptyPage()
{
    auto* page = new QWidget(m_region);
    auto* stack = new QVBoxLayout(page);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);
    stack->addStretch(1);
    m_emptyTitle = centredLabel(QString(), Tint::primary, typescale::font(TextRole::headline), page);
    m_emptyTitle->setContentsMargins(12, 0, 12, 0);
    stack->addWidget(m_emptyTitle);
    TintedLabel* subtitle = centredLabel(L10n::t(QStringLiteral("updates.subtitle")), Tint::secondary,
                                         typescale::font(TextRole::caption), page);
    subtitle->setContentsMargins(20, 0, 20, 0);
    stack->addWidget(subtitle);
    m_emptyToggle = new TextButton(QString(), Tint::accent, typescale::font(TextRole::body), page);
    connect(m_emptyToggle, &QAbstractButton::clicked, m_state, &UpdatesState::toggleShowAll);
    stack->addWidget(m_emptyToggle, 0, Qt::AlignHCenter);
    stack->addStretch(1);
    return page;
}

QWidget* UpdatesWorkspace::makeBottomBar()
{
    auto* bar = new QWidget(middle());
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(12, 8, 12, 8);
    m_toggle = new TextButton(QString(), Tint::accent, typescale::font(TextRole::callout), bar);
    connect(m_toggle, &QAbstractButton::clicked, m_state, &UpdatesState::toggleShowAll);
    row->addWidget(m_toggle);
    row->addStretch(1);
    m_bottomText = new TintedLabel(QString(), Tint::secondary, typescale::font(TextRole::footnote), bar);
    row->addWidget(m_bottomText);
    return bar;
}

void UpdatesWorkspace::makeList()
{
    m_list = new LazyList(m_region);
    m_list->setSpacing(kLineSpacing);
    m_list->setPadding({10, 10, 10, 10});
    auto rowOf = [this](const Line& line) -> const AppUpdateItem& {
        return m_state->sections()[line.section].rows[line.row];
    };
    m_list->setRows({
        .kind = [this](int i) { return m_lines[i].row < 0 ? 0 : 1; },
        .height =
            [this, rowOf](int i, int) {
                const Line& line = m_lines[i];
                if (line.row < 0)
                    return headerTextHeight() + (line.section > 0 ? kSectionGap : 0);
                return UpdateListRow::heightFor(rowOf(line));
            },
        .make = [this](int kind) -> QWidget* {
            if (kind == 0)
                return new SectionHeader;
            auto* row = new UpdateListRow;
            connect(row, &RoundedCard::clicked, this, [this, row] { m_state->select(row->item().id()); });
            connect(row, &UpdateListRow::actionRequested, this,
                    [this, row] { m_state->performPrimaryAction(row->item()); });
            return row;
        },
        .bind =
            [this, rowOf](QWidget* w, int i) {
                const Line& line = m_lines[i];
                if (line.row < 0) {
                    static_cast<SectionHeader*>(w)->setTitle(
                        UpdatesState::sectionHeader(m_state->sections()[line.section].channel));
                    return;
                }
                const AppUpdateItem& item = rowOf(line);
                static_cast<UpdateListRow*>(w)->bind(item, m_state->selectedID() == item.id());
            },
    });
}

void UpdatesWorkspace::refresh()
{
    m_searchRow->refresh();
    checkButton()->setEnabled(m_state->canCheck());
    m_progressLabel->setText(m_state->progressLabel());
    m_emptyTitle->setText(m_state->emptyTitle());
    const QString caption = m_state->showAllCaption();
    m_emptyToggle->setTitle(caption);
    m_toggle->setTitle(caption);
    m_bottomText->setText(m_state->bottomText());

    // The lines are laid out only while they are shown (not at each step of a check).
    const UpdatesState::Region region = m_state->region();
    m_lines.clear();
    const QList<UpdatesState::Section>& sections = m_state->sections();
    for (int s = 0; region == UpdatesState::Region::rows && s < sections.size(); ++s)
        for (int r = -1; r < sections[s].rows.size(); ++r)
            m_lines.append({s, r});
    m_list->reset(int(m_lines.size()));
    m_region->setCurrentIndex(int(region));
    m_detail->bind(m_state->selected());
}

void UpdatesWorkspace::showEvent(QShowEvent* event)
{
    WorkspaceChrome::showEvent(event);
    m_state->appeared();
}

} // namespace tw
