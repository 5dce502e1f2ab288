#include "views/theme/ThemeWorkspace.h"

#include "state/L10n.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/ScrollBarStyle.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"
#include "views/kit/WorkspaceCard.h"
#include "views/kit/WorkspaceChrome.h"
#include "views/kit/WorkspaceTitleBar.h"
#include "views/theme/CrossFade.h"
#include "views/theme/ThemePreviewCard.h"

#include <QPaintEvent>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>

namespace tw {

using neon::faded;

// ---- ThemeGrid ----------------------------------------------------------------------

ThemeGrid::ThemeGrid(QWidget* parent)
    : QWidget(parent)
{
    QSizePolicy sp(QSizePolicy::Preferred, QSizePolicy::Preferred);
    sp.setHeightForWidth(true);
    setSizePolicy(sp);
}

void ThemeGrid::addCard(ThemePreviewCard* card)
{
    card->setParent(this);
    m_cards.append(card);
    updateGeometry();
}

namespace {

constexpr int kColumnSpacing = 8;
constexpr int kRowSpacing = 16;
// Room around the cards for their focus ring (the grid's parent sees only the grid).
constexpr int kRingRoom = focusring::kReach;

} // namespace

int ThemeGrid::layOut(int width, bool place) const
{
    // The cards stand a ring's reach inside the grid, so a card's focus ring is whole.
    const int inner = width - 2 * kRingRoom;
    const int column = std::max(10, (inner - kColumnSpacing) / 2);
    // The first column stands on the leading side.
    const Mirror m(layoutDirection(), QRect(0, 0, width, 1));
    int y = kRingRoom, row = 0;
    for (qsizetype i = 0; i < m_cards.size(); ++i) {
        const bool right = i % 2;
        if (i > 0 && !right) {
            y += row + kRowSpacing;
            row = 0;
        }
        const int h = m_cards[i]->heightForWidth(column);
        row = std::max(row, h);
        if (place)
            m.place(m_cards[i], QRect(kRingRoom + (right ? column + kColumnSpacing : 0), y,
                                      right ? inner - column - kColumnSpacing : column, h));
    }
    return y + row + kRingRoom;
}

int ThemeGrid::heightForWidth(int width) const
{
    return layOut(width, false);
}

QSize ThemeGrid::sizeHint() const
{
    return {660 + 2 * kRingRoom, heightForWidth(660 + 2 * kRingRoom)};
}

void ThemeGrid::resizeEvent(QResizeEvent*)
{
    layOut(width(), true);
}

// ---- ThemeWorkspace -------------------------------------------------------------------

ThemeWorkspace::ThemeWorkspace(ThemeManager& theme, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_titleBar(new WorkspaceTitleBar(L10n::t(QStringLiteral("theme.title")), this))
    , m_scrollCard(new WorkspaceCard(this))
    , m_scroll(new QScrollArea(m_scrollCard->content()))
    , m_subtitle(new TintedLabel(L10n::t(QStringLiteral("theme.subtitle")), Tint::secondary,
                                 typescale::font(TextRole::body)))
    , m_grid(new ThemeGrid)
{
    glowhost::mark(this);
    m_titleBar->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_scrollCard->setCastsShadow(false);

    auto* inner = new QWidget;
    glowhost::mark(inner);
    inner->setAutoFillBackground(false);
    // 20 points around, 16 under the subtitle: the grid's room for the
    // rings is taken from them.
    auto* layout = new QVBoxLayout(inner);
    const int room = focusring::kReach;
    layout->setContentsMargins(20 - room, 20, 20 - room, 20 - room);
    layout->setSpacing(16 - room);
    m_subtitle->setContentsMargins(room, 0, room, 0);
    m_subtitle->setWordWrap(true);
    layout->addWidget(m_subtitle);
    QList<QWidget*> cards;
    for (AppAppearance a : allCases<AppAppearance>()) {
        auto* card = new ThemePreviewCard(a, theme.appearance() == a, [this, a] { choose(a); });
        m_grid->addCard(card);
        cards << card;
    }
    keyfocus::arrowGroup(cards);
    layout->addWidget(m_grid);
    layout->addStretch(1);

    m_scroll->setFrameShape(QFrame::NoFrame);
    // Scrolled by wheel and bar; no focus stop of its own (it would show none).
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    styleScrollBar(m_scroll);
    m_scroll->setWidget(inner);
    // setWidget turns the background filling on; the card shows through instead.
    inner->setAutoFillBackground(false);
    m_scroll->viewport()->setAutoFillBackground(false);
    inner->setAttribute(Qt::WA_TranslucentBackground);
    m_scroll->setStyleSheet(QStringLiteral("QScrollArea { background: transparent; }"));

    auto* cardLayout = new QVBoxLayout(m_scrollCard->content());
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->addWidget(m_scroll);

    connect(&theme, &ThemeManager::appearanceChanged, this, [this] {
        syncSelection();
        update();
    });
}

ThemePreviewCard* ThemeWorkspace::card(AppAppearance appearance) const
{
    for (ThemePreviewCard* c : m_grid->cards())
        if (c->appearance() == appearance)
            return c;
    return nullptr;
}

void ThemeWorkspace::choose(AppAppearance appearance)
{
    if (appearance != m_theme.appearance())
        crossFadeWindow(window());
    m_theme.apply(appearance, true);
}

void ThemeWorkspace::syncSelection()
{
    for (ThemePreviewCard* c : m_grid->cards())
        c->setSelected(c->appearance() == m_theme.appearance());
}

void ThemeWorkspace::paintEvent(QPaintEvent* event)
{
    WorkspaceChrome::paintBackdrop(this, event->region());
}

void ThemeWorkspace::resizeEvent(QResizeEvent*)
{
    const int top = WorkspaceChrome::placeTitleBar(m_titleBar, width());
    m_scrollCard->setGeometry(14, top, std::max(0, width() - 28), std::max(0, height() - top - 14));
}

} // namespace tw
