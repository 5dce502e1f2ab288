#include "views/applications/RemainCard.h"

#include "engine/inventory/ByteFormat.h"
#include "state/Colour.h"
#include "views/applications/ApplicationLists.h"
#include "views/applications/TornDocumentIcon.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/Mirror.h"
#include "views/kit/TextLines.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw {

namespace {

constexpr int kPadX = 10;
constexpr int kPadY = 8;
constexpr int kSpacing = 8;
constexpr int kBox = 18;
constexpr QSizeF kIcon(28, 30);
constexpr int kMinSpacer = 4;

} // namespace

RemainCard::RemainCard(QWidget* parent)
    : RoundedCard(parent)
    , m_checkbox(new AppKitCheckbox(this))
{
    m_checkbox->setBoxScale(0.92);
    connect(this, &RoundedCard::clicked, this, [this] { emit selected(m_id); });
}

int RemainCard::cardHeight()
{
    const qreal texts = QFontMetricsF(typescale::font(TextRole::cardTitle)).height() + 2
        + QFontMetricsF(typescale::font(TextRole::callout)).height();
    return 2 * kPadY + int(std::ceil(std::max({texts, kIcon.height(), qreal(kBox)})));
}

QColor RemainCard::dateColour()
{
    return rgb(0.45, 0.46, 0.48);
}

QColor RemainCard::sizeColour()
{
    return rgb(0.35, 0.36, 0.38);
}

void RemainCard::bind(const RemovableItem& item, bool isActive, Binding<bool> tick)
{
    m_id = item.id;
    m_active = isActive;
    m_title = item.title;
    m_date = apps::modifiedLabel(item.modifiedDate);
    m_size = byteformat::string(item.size);
    m_checkbox->bind(std::move(tick));
    setLook(isActive ? &CardLook::active : &CardLook::normal);
    update();
}

void RemainCard::resizeEvent(QResizeEvent* event)
{
    RoundedCard::resizeEvent(event);
    Mirror(*this).place(m_checkbox, QRect(kPadX, (height() - kBox) / 2, kBox, kBox));
}

QRectF RemainCard::iconRect() const
{
    return Mirror(*this)(QRectF(QPointF(kPadX + kBox + kSpacing, (height() - kIcon.height()) / 2), kIcon));
}

void RemainCard::paintEvent(QPaintEvent* event)
{
    RoundedCard::paintEvent(event);
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Mirror m(*this);
    const QRectF icon = iconRect();
    TornDocumentIcon::paint(p, icon);

    const QFontMetricsF sizeMetrics(typescale::font(TextRole::body));
    const qreal right = width() - kPadX;
    const qreal sizeWidth = sizeMetrics.horizontalAdvance(m_size);
    p.setPen(sizeColour());
    text::drawElided(p, m(QRectF(right - sizeWidth, 0, sizeWidth, height())), typescale::font(TextRole::body),
                     text::leftToRight(m_size), m.align(Qt::AlignRight));

    const qreal left = kPadX + kBox + kSpacing + kIcon.width() + kSpacing;
    const qreal textWidth = std::max<qreal>(0, right - sizeWidth - kMinSpacer - left);
    const qreal titleHeight = QFontMetricsF(typescale::font(TextRole::cardTitle)).height(),
                dateHeight = QFontMetricsF(typescale::font(TextRole::callout)).height();
    const qreal top = (height() - titleHeight - 2 - dateHeight) / 2;
    const Qt::Alignment leading = m.align(Qt::AlignLeft);
    p.setPen(primaryTextTint());
    text::drawElided(p, m(QRectF(left, top, textWidth, titleHeight)), typescale::font(TextRole::cardTitle), m_title,
                     leading);
    p.setPen(dateColour());
    text::drawElided(p, m(QRectF(left, top + titleHeight + 2, textWidth, dateHeight)),
                     typescale::font(TextRole::callout), m_date, leading);
}

} // namespace tw
