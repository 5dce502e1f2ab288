#include "views/startup/StartupDetail.h"

#include "state/L10n.h"
#include "views/kit/Divider.h"
#include "views/kit/FeatureEmptyState.h"
#include "views/kit/IconView.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/PushButton.h"
#include "views/kit/ScrollBarStyle.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/WrappingText.h"
#include "views/startup/StartupIcon.h"
#include "views/startup/StartupRules.h"
#include "views/startup/StartupState.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tw {

using neon::rgb;

namespace {

constexpr qreal kCardRadius = 10;
constexpr int kLabelWidth = 140;

// A card behind its children: the identity card filled, the information card outlined.
class Panel : public QWidget {
public:
    enum class Kind { filled, outlined };
    explicit Panel(Kind kind)
        : m_kind(kind)
    {
        onThemeChange(this, [this] { update(); });
    }

    static QColor identityFill(AppAppearance a)
    {
        switch (a) {
        case AppAppearance::midnight: return rgb(0.05, 0.08, 0.14);
        case AppAppearance::classic: return rgb(0.95, 0.96, 0.97);
        case AppAppearance::indigo: return rgb(0.03, 0.04, 0.08);
        }
        return {};
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const AppAppearance a = AppTheme::appearance();
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        if (m_kind == Kind::filled)
            neon::fillRoundedRect(p, rect(), kCardRadius, identityFill(a));
        else
            neon::strokeRoundedRectInside(p, rect(), kCardRadius, 1, AppTheme::cardStroke(a));
    }

private:
    Kind m_kind;
};

} // namespace

StartupDetail::StartupDetail(StartupState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_pages(new QStackedWidget)
    , m_placeholder(new FeatureEmptyState(QStringLiteral("Startup Programs"),
                                          QStringLiteral("Select a program to review details, disable it, or remove it."),
                                          QStringLiteral("rocket.fill")))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    m_pages->addWidget(m_placeholder);
    m_pages->addWidget(makeSelectionPage());
    column->addWidget(m_pages, 1);
    connect(&m_state, &StartupState::busyChanged, this, &StartupDetail::showBusy);
    refresh();
}

QWidget* StartupDetail::makeHeader()
{
    auto* header = new QWidget;
    auto* lines = new QVBoxLayout(header);
    lines->setContentsMargins(18, 16, 18, 12);
    lines->setSpacing(6);
    lines->addWidget(
        new TintedLabel(L10n::t(QStringLiteral("startup.title")), Tint::primary, typescale::font(TextRole::pageTitle)));
    auto* subtitle = new TintedLabel(L10n::t(QStringLiteral("startup.subtitle")), Tint::secondary,
                                     typescale::font(TextRole::body));
    subtitle->setWordWrap(true);
    lines->addWidget(subtitle);
    return header;
}

QWidget* StartupDetail::makeSelectionPage()
{
    auto* cards = new QWidget;
    cards->setAttribute(Qt::WA_TranslucentBackground);
    auto* stack = new QVBoxLayout(cards);
    stack->setContentsMargins(18, 0, 18, 12);
    stack->setSpacing(18);
    stack->addWidget(makeIdentityCard());
    stack->addWidget(makeInfoCard());
    stack->addStretch(1);

    m_scroll = new QScrollArea;
    m_scroll->setFrameShape(QFrame::NoFrame);
    // Scrolled by wheel and bar; no focus stop of its own (it would show none).
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setWidget(cards);
    m_scroll->viewport()->setAutoFillBackground(false);
    cards->setAutoFillBackground(false);
    styleScrollBar(m_scroll);

    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_scroll, 1);
    column->addWidget(new Divider);
    column->addWidget(makeButtonBar());
    return page;
}

QWidget* StartupDetail::makeIdentityCard()
{
    auto* card = new Panel(Panel::Kind::filled);
    auto* row = new QHBoxLayout(card);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(16);
    m_icon = new IconView(72, 14);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    m_title = new WrappingText(Tint::primary, typescale::font(TextRole::detailTitle), false);
    m_category = new TintedLabel({}, Tint::secondary, typescale::font(TextRole::body));
    m_showApplication = PushButton::small(QStringLiteral("Show Application"));
    m_showApplication->setFocusPolicy(Qt::TabFocus);
    m_showApplication->setFixedWidth(m_showApplication->sizeHint().width());
    connect(m_showApplication, &QAbstractButton::clicked, this, [this] { m_state.showApplication(); });
    texts->addWidget(m_title);
    texts->addWidget(m_category);
    texts->addWidget(m_showApplication, 0, Qt::AlignLeft);
    row->addLayout(texts, 1);
    return card;
}

QWidget* StartupDetail::makeInfoCard()
{
    auto* card = new Panel(Panel::Kind::outlined);
    auto* stack = new QVBoxLayout(card);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(0);
    auto* heading = new TintedLabel(L10n::t(QStringLiteral("startup.info")), Tint::secondary,
                                    typescale::font(TextRole::rowTitle));
    heading->setContentsMargins(0, 0, 0, 8);
    stack->addWidget(heading);

    // The labels do not change; the values follow the selection.
    const QList<startupview::InfoRow> rows = startupview::infoRows(RemovableItem());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        auto* line = new QHBoxLayout;
        line->setContentsMargins(0, 10, 0, 10);
        line->setSpacing(8);
        auto* label = new TintedLabel(rows[i].label, Tint::secondary, typescale::font(TextRole::body));
        label->setFixedWidth(kLabelWidth);
        auto* value = new WrappingText(Tint::primary, typescale::font(TextRole::body), true);
        value->setLeftToRight(rows[i].isRun);
        m_values << value;
        line->addWidget(label, 0, Qt::AlignTop);
        line->addWidget(value, 1, Qt::AlignTop);
        stack->addLayout(line);
        if (i + 1 < rows.size())
            stack->addWidget(new Divider);
    }
    return card;
}

QWidget* StartupDetail::makeButtonBar()
{
    auto* bar = new QWidget;
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    m_enable = new PushButton(startupview::enableButtonTitle(true), PushButton::Style::bordered);
    m_enable->setTitleFont(TextRole::largeButton);
    m_enable->setFocusPolicy(Qt::TabFocus);
    m_enable->setFixedSize(160, 36);
    m_remove = new PushButton(QStringLiteral("Remove"), PushButton::Style::prominent);
    m_remove->setTitleFont(TextRole::button);
    m_remove->setFocusPolicy(Qt::TabFocus);
    m_remove->setFixedSize(120, 36);
    connect(m_enable, &QAbstractButton::clicked, this, [this] { m_state.toggleSelected(); });
    connect(m_remove, &QAbstractButton::clicked, this, [this] { m_state.confirmAndRemoveSelected(); });
    row->addWidget(m_enable);
    row->addStretch(1);
    row->addWidget(m_remove);
    return bar;
}

bool StartupDetail::showsPlaceholder() const
{
    return m_pages->currentWidget() == m_placeholder;
}

QStringList StartupDetail::infoValues() const
{
    QStringList out;
    for (const WrappingText* value : m_values)
        out << value->text();
    return out;
}

void StartupDetail::refresh()
{
    const RemovableItem* item = m_state.selected();
    if (!item) {
        m_pages->setCurrentWidget(m_placeholder);
        return;
    }
    showStartupIcon(m_icon, item->icon, 52, 36);
    m_title->setText(text::singleLine(item->title));
    m_category->setText(item->category);
    m_showApplication->setVisible(startupview::offersShowApplication(*item));
    const QList<startupview::InfoRow> rows = startupview::infoRows(*item);
    for (qsizetype i = 0; i < rows.size() && i < m_values.size(); ++i)
        m_values[i]->setText(text::singleLine(rows[i].value));
    m_enable->setText(startupview::enableButtonTitle(item->isEnabled));
    showBusy();
    m_pages->setCurrentIndex(1);
}

void StartupDetail::showBusy()
{
    // While a change runs the buttons take no press; the one that started it turns.
    const bool busy = m_state.isBusy();
    const StartupState::Action action = m_state.runningAction();
    const RemovableItem* item = m_state.selected();
    m_enable->setEnabled(!busy);
    m_remove->setEnabled(!busy);
    m_enable->setBusy(action == StartupState::Action::toggle && item && item->path == m_state.actionPath());
    m_remove->setBusy(action == StartupState::Action::remove);
}

} // namespace tw
