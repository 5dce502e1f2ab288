#include "views/updates/UpdateListRow.h"

#include "views/kit/CardText.h"
#include "views/kit/IconView.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/PushButton.h"
#include "views/kit/Tints.h"
#include "views/updates/UpdateTexts.h"
#include "views/kit/TypeScale.h"

#include <QPainter>

namespace tw {

namespace {

constexpr int kPadding = 10;
constexpr int kIcon = 36;
constexpr int kSpacing = 10;
constexpr CardText kText{2, true};

// The height of the text block: two lines, or three with a status line.
int textHeight(bool withStatus)
{
    const qreal two = kText.titleCaptionHeight();
    return int(withStatus ? two + kText.gap + typescale::lineHeight(TextRole::caption) : two);
}

// The row's button: 12 pt semibold, 12 points beside the title and 5 above and below.
PushButton* smallPushButton(QWidget* parent)
{
    auto* button = new PushButton({}, PushButton::Style::prominent, parent);
    button->setTitleFont(TextRole::emphasised);
    button->setPadding({12, 5, 12, 5});
    return button;
}

} // namespace

UpdateListRow::UpdateListRow(QWidget* parent)
    : RoundedCard(parent)
    , m_icon(new IconView(kIcon, 8, this))
    , m_button(smallPushButton(this))
{
    m_icon->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(m_button, &QAbstractButton::clicked, this, &UpdateListRow::actionRequested);
}

CardLook UpdateListRow::activeLook(AppAppearance a)
{
    return {neon::faded(accentTint(a), 0.10), neon::faded(accentTint(a), 0.35), 1.0, Qt::transparent};
}

int UpdateListRow::heightFor(const AppUpdateItem& item)
{
    return kPadding * 2 + std::max(kIcon, textHeight(updatetexts::hasStatusLine(item.availability)));
}

bool UpdateListRow::isActive() const
{
    return look() == &UpdateListRow::activeLook;
}

void UpdateListRow::bind(const AppUpdateItem& item, bool isActive)
{
    m_item = item;
    m_icon->setIcon(item.icon);
    m_button->setText(updatetexts::actionCaption(item.availability));
    m_button->setEnabled(updatetexts::actionEnabled(item.availability));
    setLook(isActive ? &UpdateListRow::activeLook : &CardLook::normal);
    place();
    update();
}

void UpdateListRow::resizeEvent(QResizeEvent* event)
{
    RoundedCard::resizeEvent(event);
    place();
}

void UpdateListRow::place()
{
    const Mirror m(*this);
    m.place(m_icon, QRect(kPadding, (height() - kIcon) / 2, kIcon, kIcon));
    const QSize b = m_button->sizeHint();
    m.place(m_button, QRect(QPoint(width() - kPadding - b.width(), (height() - b.height()) / 2), b));
}

void UpdateListRow::paintEvent(QPaintEvent* event)
{
    RoundedCard::paintEvent(event);
    QPainter p(this);
    const auto status = updatetexts::statusLine(m_item);
    QList<CardLine> lines{CardLine::title(m_item.name), CardLine::caption(updatetexts::versionLine(m_item))};
    if (status && status->emphasised)
        lines << CardLine{status->text, typescale::font(TextRole::captionMedium), accentTint()};
    else if (status)
        lines << CardLine::caption(status->text);
    const Mirror m(*this);
    const qreal left = kPadding + kIcon + kSpacing;
    const qreal buttonLeft = m(m_button->geometry()).x();
    kText.paint(p, m, QRectF(left, 0, buttonLeft - 8 - left, height()), lines);
}

} // namespace tw
