#include "views/updates/UpdateListRow.h"

#include "views/kit/IconView.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/PushButton.h"
#include "views/kit/Tints.h"
#include "views/updates/UpdateTexts.h"

#include <QPainter>

namespace tw {

namespace {

constexpr int kPadding = 10;
constexpr int kIcon = 36;
constexpr int kSpacing = 10;
constexpr int kLineSpacing = 2;

const QFont& nameFont()
{
    static const QFont font = neon::systemFont(13, QFont::DemiBold);
    return font;
}

const QFont& lineFont()
{
    static const QFont font = neon::systemFont(11, QFont::Normal);
    return font;
}

const QFont& emphasisedFont()
{
    static const QFont font = neon::systemFont(11, QFont::Medium);
    return font;
}

// The height of the text block: two lines, or three with a status line.
int textHeight(bool withStatus)
{
    static const int two = neon::lineHeight(nameFont()) + kLineSpacing + neon::lineHeight(lineFont());
    static const int three = two + kLineSpacing + neon::lineHeight(lineFont());
    return withStatus ? three : two;
}

// The row's button: 12 pt semibold, 12 points beside the title and 5 above and below.
PushButton* smallPushButton(QWidget* parent)
{
    auto* button = new PushButton({}, PushButton::Style::prominent, parent);
    button->setTitleFont(12, QFont::DemiBold);
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
    m_icon->setGeometry(kPadding, (height() - kIcon) / 2, kIcon, kIcon);
    const QSize b = m_button->sizeHint();
    m_button->setGeometry(width() - kPadding - b.width(), (height() - b.height()) / 2, b.width(), b.height());
}

void UpdateListRow::paintEvent(QPaintEvent* event)
{
    RoundedCard::paintEvent(event);
    QPainter p(this);
    const auto status = updatetexts::statusLine(m_item);
    const qreal left = kPadding + kIcon + kSpacing;
    const qreal width = m_button->x() - 8 - left;
    qreal y = (height() - textHeight(status.has_value())) / 2.0;
    auto line = [&](const QString& text, const QFont& font, const QColor& colour) {
        const qreal h = neon::lineHeight(font);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QRectF(left, y, width, h), Qt::AlignLeft | Qt::AlignVCenter, neon::elided(text, font, width));
        y += h + kLineSpacing;
    };
    line(m_item.name, nameFont(), primaryTextTint());
    line(updatetexts::versionLine(m_item), lineFont(), secondaryTint());
    if (status)
        line(status->text, status->emphasised ? emphasisedFont() : lineFont(),
             status->emphasised ? accentTint() : secondaryTint());
}

} // namespace tw
