#include "views/startup/StartupListCard.h"

#include "views/kit/CardText.h"
#include "views/kit/IconView.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/NeonText.h"
#include "views/startup/StartupIcon.h"
#include "views/kit/TypeScale.h"

#include <QPainter>

namespace tw {

namespace {

constexpr int kPadH = 12;
constexpr int kPadV = 10;
constexpr int kSpacing = 12;
constexpr int kIcon = 36;
constexpr CardText kText{3};

} // namespace

StartupListCard::StartupListCard(QWidget* parent)
    : RoundedCard(parent)
    , m_icon(new IconView(kIcon, 8, this))
    , m_switch(new NeonSwitch(NeonSwitch::Size::small, this))
{
    m_switch->setToolTip(QString());
    m_switch->setAccessibleName(QStringLiteral("Enabled"));
    connect(this, &ClickableRow::clicked, this, [this] {
        // Selecting binds the rows again, this one included: call a copy.
        if (const auto select = m_onSelect)
            select();
    });
}

void StartupListCard::bind(const RemovableItem& item, bool isActive, std::function<void()> onSelect,
                           std::function<void(bool)> onToggle)
{
    setLook(isActive ? &CardLook::accented : &CardLook::normal);
    showStartupIcon(m_icon, item.icon, 26, 16);
    if (item.title != m_title || item.category != m_category) {
        m_title = item.title;
        m_category = item.category;
        elide();
        update();
    }
    m_onSelect = std::move(onSelect);
    // The switch shows the state this bind was made with; every change in
    // the engine's list binds the rows again, a refusal does not.
    const bool enabled = item.isEnabled;
    m_switch->bind({[enabled] { return enabled; }, [toggle = std::move(onToggle)](bool on) {
                        // The write may bind this row again: call a copy.
                        if (const auto run = toggle)
                            run(on);
                    }});
}

int StartupListCard::switchLeft() const
{
    return width() - kPadH - m_switch->width();
}

QRect StartupListCard::bodyRect() const
{
    return Mirror(*this)(QRect(kPadH, kPadV, std::max(0, switchLeft() - kSpacing - kPadH), std::max(0, height() - 2 * kPadV)));
}

QRectF StartupListCard::textRect() const
{
    const int left = kPadH + kIcon + kSpacing;
    return QRectF(left, kPadV, std::max(0, switchLeft() - kSpacing - left), height() - 2 * kPadV);
}

void StartupListCard::elide()
{
    const qreal width = textRect().width();
    m_shownTitle = neon::elided(m_title, typescale::font(TextRole::rowTitle), width);
    m_shownCategory = neon::elided(m_category, typescale::font(TextRole::caption), width);
}

void StartupListCard::resizeEvent(QResizeEvent*)
{
    const Mirror m(*this);
    m.place(m_icon, QRect(kPadH, (height() - kIcon) / 2, kIcon, kIcon));
    m.place(m_switch, QRect(QPoint(switchLeft(), (height() - m_switch->height()) / 2), m_switch->size()));
    elide();
}

void StartupListCard::paintEvent(QPaintEvent* event)
{
    RoundedCard::paintEvent(event);
    QPainter p(this);
    kText.paint(p, Mirror(*this), textRect(), m_shownTitle, m_shownCategory);
}

} // namespace tw
