#include "views/applications/AppListCard.h"

#include "engine/inventory/ByteFormat.h"
#include "views/applications/ApplicationLists.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/CardText.h"
#include "views/kit/IconView.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

constexpr int kPad = 10;
constexpr int kGap = 10;
constexpr int kBox = 18;
constexpr int kChevron = 12;
constexpr int kIcon = 36;
constexpr int kMemberIcon = 32;
constexpr int kMemberIndent = 28;
constexpr int kMinSpacer = 6;

Binding<bool> selectionOf(const AppInfoPtr& app)
{
    std::weak_ptr<AppInfo> weak = app;
    return {[weak] {
                const AppInfoPtr a = weak.lock();
                return a && a->isSelected();
            },
            [weak](bool v) {
                if (const AppInfoPtr a = weak.lock())
                    a->applyRootSelection(v);
            }};
}

} // namespace

AppListCard::AppListCard(QWidget* parent)
    : RoundedCard(parent)
    , m_checkbox(new AppKitCheckbox(this))
    , m_icon(new IconView(kIcon, 7, this))
{
}

int AppListCard::heightFor(const AppInfo& app, qreal expansion)
{
    if (!app.isGroup())
        return entryHeight;
    const qreal members = qreal(app.members().size()) * memberHeight;
    return entryHeight + int(std::lround(std::clamp(expansion, 0.0, 1.0) * members));
}

RoundedCard::Look AppListCard::lookFor(const AppInfo& app, bool isActive, const std::optional<QUuid>& selectedMember)
{
    if (isActive)
        return &CardLook::active;
    if (!app.isGroup() || !app.isExpanded())
        return &CardLook::normal;
    const bool holdsSelection = selectedMember
        && std::any_of(app.members().begin(), app.members().end(),
                       [&](const AppInfoPtr& m) { return m->id() == *selectedMember; });
    return holdsSelection ? &CardLook::outlined : &CardLook::highlighted;
}

void AppListCard::bind(AppInfoPtr app, bool isActive, std::optional<QUuid> selectedMember)
{
    m_app = std::move(app);
    m_active = isActive;
    m_selectedMember = selectedMember;
    if (!m_app)
        return;
    setLook(lookFor(*m_app, isActive, selectedMember));
    m_texts = textsOf(*m_app);
    m_memberTexts.clear();
    for (const AppInfoPtr& m : m_app->members())
        m_memberTexts << textsOf(*m);
    m_checkbox->bind(selectionOf(m_app));
    m_icon->setIcon(m_app->icon());
    const auto& members = m_app->members();
    ensureMemberWidgets(int(members.size()));
    for (int i = 0; i < m_memberBoxes.size(); ++i) {
        const bool used = i < int(members.size());
        if (used) {
            m_memberBoxes[i]->bind(selectionOf(members[size_t(i)]));
            m_memberIcons[i]->setIcon(members[size_t(i)]->icon());
        }
        m_memberBoxes[i]->setVisible(used);
        m_memberIcons[i]->setVisible(used);
    }
    placeChildren();
    update();
}

void AppListCard::ensureMemberWidgets(int count)
{
    while (m_memberBoxes.size() < count) {
        m_memberBoxes << new AppKitCheckbox(this);
        m_memberIcons << new IconView(kMemberIcon, 6, this);
    }
}

QRect AppListCard::entryRect() const
{
    return QRect(0, 0, width(), entryHeight);
}

QRect AppListCard::memberRect(int i) const
{
    return QRect(0, entryHeight + i * memberHeight, width(), memberHeight);
}

int AppListCard::keyPartCount() const
{
    int shown = 0;
    if (m_app)
        while (shown < int(m_app->members().size()) && memberRect(shown).bottom() < height())
            ++shown;
    return 1 + shown;
}

QRect AppListCard::keyPartRect(int part) const
{
    if (part == 0)
        return keyPartCount() > 1 ? entryRect() : rect();
    return memberRect(part - 1);
}

qreal AppListCard::keyPartRadius(int part) const
{
    return part == 0 ? radius() : 6;
}

void AppListCard::activateKeyPart(int part)
{
    if (!m_app || part < 0 || part >= keyPartCount())
        return;
    // The handlers may rebind this card; keep the records alive meanwhile.
    const AppInfoPtr app = m_app;
    if (part == 0)
        emit selected(app);
    else
        emit memberSelected(app->members()[size_t(part - 1)], app);
}

std::optional<bool> AppListCard::isFolded(int part) const
{
    if (part != 0 || !m_app || !m_app->isGroup())
        return std::nullopt;
    return !m_app->isExpanded();
}

void AppListCard::setFolded(int part, bool folded)
{
    // The group opens or closes as a click on it would, selecting nothing;
    // the list animates the change.
    if (isFolded(part))
        m_app->setExpanded(!folded);
}

void AppListCard::placeChildren()
{
    const Mirror m(*this);
    const QRect entry = entryRect();
    m.place(m_checkbox, QRect(kPad, entry.center().y() - kBox / 2 + 1, kBox, kBox));
    const int iconX = kPad + kBox + kGap + (m_app && m_app->isGroup() ? kChevron + kGap : 0);
    m.place(m_icon, QRect(QPoint(iconX, kPad), m_icon->size()));
    for (int i = 0; i < m_memberBoxes.size(); ++i) {
        const QRect row = memberRect(i);
        const int boxX = kPad + kMemberIndent;
        m.place(m_memberBoxes[i], QRect(boxX, row.center().y() - kBox / 2 + 1, kBox, kBox));
        m.place(m_memberIcons[i], QRect(QPoint(boxX + kBox + kGap, row.top() + (memberHeight - kMemberIcon) / 2),
                                        m_memberIcons[i]->size()));
    }
}

void AppListCard::resizeEvent(QResizeEvent* event)
{
    RoundedCard::resizeEvent(event);
    placeChildren();
}

AppListCard::RowTexts AppListCard::textsOf(const AppInfo& app)
{
    return {app.name(), apps::lastUsedLabel(app.lastUsed()), byteformat::string(app.displaySize()),
            app.memberCountLabel()};
}

void AppListCard::paintRowTexts(QPainter& p, const Mirror& m, const RowTexts& t, const QRect& row, int textLeft,
                                qreal spacing) const
{
    // The name over the date at the leading side, the size over the count
    // (never cut) at the trailing side.
    const QList<CardLine> leading{CardLine::title(t.name), CardLine::caption(t.date)};
    const QList<CardLine> trailing{CardLine::title(text::leftToRight(t.size), TextRole::value), CardLine::caption(t.count)};
    const qreal rightWidth = std::max(QFontMetricsF(trailing[0].font).horizontalAdvance(t.size),
                                      QFontMetricsF(trailing[1].font).horizontalAdvance(t.count));
    const qreal right = row.right() + 1 - kPad;
    const qreal leftWidth = std::max<qreal>(0, right - rightWidth - kMinSpacer - textLeft);
    CardText{spacing}.paint(p, m, QRectF(textLeft, row.top(), leftWidth, row.height()), leading);
    CardText{spacing, false, Qt::AlignRight}.paint(p, m, QRectF(right - rightWidth, row.top(), rightWidth, row.height()),
                                                   trailing);
}

void AppListCard::paintEvent(QPaintEvent* event)
{
    RoundedCard::paintEvent(event);
    if (!m_app)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Mirror m(*this);
    const QRect entry = entryRect();
    int textLeft = kPad + kBox + kGap;
    if (m_app->isGroup()) {
        const QRectF box(textLeft, entry.top(), kChevron, entry.height());
        symbols::paint(p, m(box), Glyph{m_app->isExpanded() ? QStringLiteral("chevron.down") : m.forwardChevron(), 10,
                                        Tint::secondary});
        textLeft += kChevron + kGap;
    }
    paintRowTexts(p, m, m_texts, entry, textLeft + kIcon + kGap, 3);

    const auto& members = m_app->members();
    const QPainterPath shape = neon::roundedRect(QRectF(rect()), radius());
    for (int i = 0; i < int(members.size()) && i < m_memberTexts.size(); ++i) {
        const QRect row = memberRect(i);
        if (row.top() >= height())
            break;
        if (m_selectedMember && members[size_t(i)]->id() == *m_selectedMember) {
            p.save();
            p.setClipPath(shape);
            p.fillRect(row, AppTheme::selectionFill());
            p.restore();
        }
        paintRowTexts(p, m, m_memberTexts[i], row, kPad + kMemberIndent + kBox + kGap + kMemberIcon + kGap, 2);
    }
}

std::optional<int> AppListCard::rowAt(const QPoint& pos) const
{
    if (!rect().contains(pos) || !m_app)
        return std::nullopt;
    if (pos.y() < entryHeight)
        return -1;
    const int i = (pos.y() - entryHeight) / memberHeight;
    return i < int(m_app->members().size()) ? std::optional<int>(i) : std::nullopt;
}

void AppListCard::mousePressEvent(QMouseEvent* event)
{
    m_press.press(event, rowAt(event->position().toPoint()));
    event->accept();
}

void AppListCard::mouseReleaseEvent(QMouseEvent* event)
{
    const std::optional<int> clicked = m_press.release(event, rowAt(event->position().toPoint()));
    if (!clicked || !m_app)
        return;
    const int row = *clicked;
    // The handlers may rebind this card; keep the records alive meanwhile.
    const AppInfoPtr app = m_app;
    if (row == -1)
        emit selected(app);
    else
        emit memberSelected(app->members()[size_t(row)], app);
}

} // namespace tw
