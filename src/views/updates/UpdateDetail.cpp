#include "views/updates/UpdateDetail.h"

#include "state/L10n.h"
#include "views/kit/FeatureEmptyState.h"
#include "views/kit/IconView.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/PushButton.h"
#include "views/kit/ScrollBarStyle.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/WrappingText.h"
#include "views/updates/UpdateTexts.h"
#include "views/kit/TypeScale.h"

#include <QGridLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tw {

namespace {

constexpr int kLabelWidth = 130;
constexpr int kBlockWidth = 420;

// The version block's rounded background in the theme's panel colour.
class VersionBlock : public QWidget {
public:
    explicit VersionBlock(QWidget* parent)
        : QWidget(parent)
    {
        onThemeChange(this, [this] { update(); });
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        neon::fillRoundedPath(p, QRectF(rect()), 10, AppTheme::panelBase());
    }
};

TintedLabel* wrappingLabel(const QString& text, Tint tint, const QFont& font, QWidget* parent)
{
    auto* label = new TintedLabel(text, tint, font, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

UpdateDetail::UpdateDetail(QWidget* parent)
    : QStackedWidget(parent)
    , m_placeholder(new FeatureEmptyState(QStringLiteral("Updates"),
                                          QStringLiteral("Check for live updates, open the App Store, or launch an app "
                                                         "to update it."),
                                          QStringLiteral("arrow.triangle.2.circlepath"), this))
{
    addWidget(m_placeholder);
    auto* page = new QWidget(this);
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(makeHeader());
    auto* scroll = new QScrollArea(page);
    scroll->setFrameShape(QFrame::NoFrame);
    // Scrolled by wheel and bar; no focus stop of its own (it would show none).
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    styleScrollBar(scroll);
    scroll->setWidget(makeCard());
    // The column's card shows through (setWidget turns the fill on).
    scroll->viewport()->setAutoFillBackground(false);
    scroll->widget()->setAutoFillBackground(false);
    column->addWidget(scroll, 1);
    addWidget(page);
    connect(m_button, &QAbstractButton::clicked, this, &UpdateDetail::actionRequested);
}

QWidget* UpdateDetail::makeHeader()
{
    auto* header = new QWidget(this);
    auto* stack = new QVBoxLayout(header);
    stack->setContentsMargins(18, 16, 18, 12);
    stack->setSpacing(6);
    stack->addWidget(new TintedLabel(L10n::t(QStringLiteral("updates.title")), Tint::primary,
                                     typescale::font(TextRole::pageTitle), header));
    stack->addWidget(wrappingLabel(L10n::t(QStringLiteral("updates.subtitle")), Tint::secondary,
                                   typescale::font(TextRole::body), header));
    return header;
}

QWidget* UpdateDetail::makeVersionBlock()
{
    auto* block = new VersionBlock(this);
    block->setMaximumWidth(kBlockWidth);
    auto* grid = new QGridLayout(block);
    grid->setContentsMargins(14, 14, 14, 14);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    const QStringList labels{QStringLiteral("Installed version"), QStringLiteral("Available version"),
                             QStringLiteral("Path")};
    for (int row = 0; row < 3; ++row) {
        auto* label = new TintedLabel(labels[row], Tint::secondary, typescale::font(TextRole::callout), block);
        label->setFixedWidth(kLabelWidth);
        grid->addWidget(label, row, 0, Qt::AlignLeft | Qt::AlignTop);
        auto* value = new WrappingText(Tint::primary, typescale::font(TextRole::value), true, block);
        value->setLeftToRight(true);
        grid->addWidget(value, row, 1, Qt::AlignTop);
        m_values[row] = value;
    }
    grid->setColumnStretch(1, 1);
    return block;
}

QWidget* UpdateDetail::makeCard()
{
    auto* card = new QWidget(this);
    auto* stack = new QVBoxLayout(card);
    m_cardLayout = stack;
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(18);
    m_icon = new IconView(72, 14, card);
    stack->addWidget(m_icon, 0, Qt::AlignHCenter);
    m_name = wrappingLabel(QString(), Tint::primary, typescale::font(TextRole::detailTitle), card);
    m_name->setAlignment(Qt::AlignHCenter);
    m_name->setTextFormat(Qt::PlainText);
    stack->addWidget(m_name);
    // The block is as wide as the column allows, up to its maximum, centred.
    auto* blockRow = new QHBoxLayout;
    blockRow->addStretch(1);
    blockRow->addWidget(makeVersionBlock(), 1000);
    blockRow->addStretch(1);
    stack->addLayout(blockRow);
    m_message = wrappingLabel(QString(), Tint::secondary, typescale::font(TextRole::body), card);
    m_message->setAlignment(Qt::AlignHCenter);
    m_message->setContentsMargins(24, 0, 24, 0);
    stack->addWidget(m_message);
    m_button = new PushButton({}, PushButton::Style::prominent, card);
    stack->addWidget(m_button, 0, Qt::AlignHCenter);
    stack->addStretch(1);
    return card;
}

void UpdateDetail::bind(const std::optional<AppUpdateItem>& row)
{
    setCurrentIndex(row ? 1 : 0);
    if (!row)
        return;
    const UpdateAvailability& state = row->availability;
    m_icon->setIcon(row->icon);
    m_name->setText(text::singleLine(row->name));
    m_values[0]->setText(updatetexts::installedVersion(*row));
    m_values[1]->setText(updatetexts::availableVersion(*row));
    m_values[2]->setText(row->appPath);
    m_message->setText(updatetexts::message(state));
    m_button->setText(updatetexts::actionCaption(state));
    m_button->setEnabled(updatetexts::actionEnabled(state));
    // The up-to-date tint follows the theme; the others are fixed.
    m_button->setTint(state.is(UpdateAvailability::Kind::upToDate)
                          ? std::nullopt
                          : std::optional<QColor>(updatetexts::detailButtonTint(state, AppTheme::appearance())));
    // Laid out now: a change that comes in as a check starts could otherwise
    // leave the button at its former caption's width.
    m_cardLayout->activate();
}

} // namespace tw
