#include "views/network/NetworkRow.h"

#include "state/L10n.h"
#include "views/kit/CardText.h"
#include "views/kit/IconView.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QPainter>

namespace tw {

namespace {

constexpr int kInset = 8;
constexpr int kIcon = 32;
constexpr int kSpacing = 10;
constexpr int kCheck = 16;
// The row's own 4 points above and below, and as much again of the list's row inset.
constexpr int kVerticalPadding = 8;
constexpr CardText kText{2, true};

} // namespace

NetworkRow::NetworkRow(QWidget* parent)
    : RoundedCard(parent)
    , m_icon(new IconView(kIcon, 6, this))
{
    m_icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    setLook(&NetworkRow::plainLook);
}

CardLook NetworkRow::plainLook(AppAppearance)
{
    return {Qt::transparent, Qt::transparent, 0, Qt::transparent};
}

int NetworkRow::rowHeight()
{
    static const int height =
        std::max(kIcon, int(kText.titleCaptionHeight())) + 2 * kVerticalPadding;
    return height;
}

void NetworkRow::bind(const AppInfoPtr& app, bool isSelected)
{
    m_app = app;
    m_caption = L10n::t(QStringLiteral("network.capable"));
    m_icon->setIcon(app->icon());
    setLook(isSelected ? &CardLook::outlined : &NetworkRow::plainLook);
    update();
}

void NetworkRow::resizeEvent(QResizeEvent* event)
{
    RoundedCard::resizeEvent(event);
    Mirror(*this).place(m_icon, QRect(kInset, (height() - kIcon) / 2, kIcon, kIcon));
}

void NetworkRow::paintEvent(QPaintEvent* event)
{
    RoundedCard::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Mirror m(*this);
    const QRectF check(width() - kInset - kCheck, (height() - kCheck) / 2.0, kCheck, kCheck);
    symbols::paint(p, m(check),
                   {QStringLiteral("checkmark.circle.fill"), kCheck, Tint::accent, 0.85, neon::rgb(0.20, 0.78, 0.35)});

    const qreal left = kInset + kIcon + kSpacing;
    kText.paint(p, m, QRectF(left, 0, check.left() - kSpacing - left, height()), m_app ? m_app->name() : QString(),
                m_caption);
}

} // namespace tw
