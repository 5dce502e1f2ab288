#include "views/applications/AppListCard.h"

#include "engine/inventory/ByteFormat.h"
#include "views/applications/ApplicationLists.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/IconView.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"

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

struct RowFonts {
    QFont name = neon::systemFont(13, QFont::DemiBold);
    QFont date = neon::systemFont(11, QFont::Normal);
    QFont size = neon::systemFont(12, QFont::Medium);
    QFont count = neon::systemFont(11, QFont::Normal);
};

const RowFonts& fonts()
{
    static const RowFonts f;
    return f;
}

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

void AppListCard::placeChildren()
{
    const QRect entry = entryRect();
    m_checkbox->setGeometry(kPad, entry.center().y() - kBox / 2 + 1, kBox, kBox);
    const int iconX = kPad + kBox + kGap + (m_app && m_app->isGroup() ? kChevron + kGap : 0);
    m_icon->move(iconX, kPad);
    for (int i = 0; i < m_memberBoxes.size(); ++i) {
        const QRect row = memberRect(i);
        const int boxX = kPad + kMemberIndent;
        m_memberBoxes[i]->setGeometry(boxX, row.center().y() - kBox / 2 + 1, kBox, kBox);
        m_memberIcons[i]->move(boxX + kBox + kGap, row.top() + (memberHeight - kMemberIcon) / 2);
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

void AppListCard::paintRowTexts(QPainter& p, const RowTexts& t, const QRect& row, int textLeft, qreal spacing) const
{
    const RowFonts& f = fonts();
    const QFontMetricsF nameM(f.name), dateM(f.date), sizeM(f.size), countM(f.count);
    const qreal rightWidth = std::max(sizeM.horizontalAdvance(t.size), countM.horizontalAdvance(t.count));
    const qreal right = row.right() + 1 - kPad;
    const qreal leftWidth = std::max<qreal>(0, right - rightWidth - kMinSpacer - textLeft);

    const AppAppearance a = AppTheme::appearance();
    const QColor primary = primaryTextTint(a), secondary = secondaryTint(a);
    const qreal leftHeight = nameM.height() + spacing + dateM.height();
    const qreal top = row.top() + (row.height() - leftHeight) / 2;
    p.setFont(f.name);
    p.setPen(primary);
    p.drawText(QRectF(textLeft, top, leftWidth, nameM.height()), Qt::AlignLeft | Qt::AlignVCenter,
               nameM.elidedText(t.name, Qt::ElideRight, leftWidth));
    p.setFont(f.date);
    p.setPen(secondary);
    p.drawText(QRectF(textLeft, top + nameM.height() + spacing, leftWidth, dateM.height()),
               Qt::AlignLeft | Qt::AlignVCenter, dateM.elidedText(t.date, Qt::ElideRight, leftWidth));

    const qreal rightHeight = sizeM.height() + spacing + countM.height();
    const qreal rightTop = row.top() + (row.height() - rightHeight) / 2;
    p.setFont(f.size);
    p.setPen(primary);
    p.drawText(QRectF(right - rightWidth, rightTop, rightWidth, sizeM.height()), Qt::AlignRight | Qt::AlignVCenter, t.size);
    p.setFont(f.count);
    p.setPen(secondary);
    p.drawText(QRectF(right - rightWidth, rightTop + sizeM.height() + spacing, rightWidth, countM.height()),
               Qt::AlignRight | Qt::AlignVCenter, t.count);
}

void AppListCard::paintEvent(QPaintEvent* event)
{
    RoundedCard::paintEvent(event);
    if (!m_app)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRect entry = entryRect();
    int textLeft = kPad + kBox + kGap;
    if (m_app->isGroup()) {
        const QRectF box(textLeft, entry.top(), kChevron, entry.height());
        symbols::paint(p, box, Glyph{m_app->isExpanded() ? QStringLiteral("chevron.down") : QStringLiteral("chevron.right"),
                                     10, Tint::secondary});
        textLeft += kChevron + kGap;
    }
    paintRowTexts(p, m_texts, entry, textLeft + kIcon + kGap, 3);

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
        paintRowTexts(p, m_memberTexts[i], row, kPad + kMemberIndent + kBox + kGap + kMemberIcon + kGap, 2);
    }
}

int AppListCard::rowAt(const QPoint& pos) const
{
    if (!rect().contains(pos) || !m_app)
        return -2;
    if (pos.y() < entryHeight)
        return -1;
    const int i = (pos.y() - entryHeight) / memberHeight;
    return i < int(m_app->members().size()) ? i : -2;
}

void AppListCard::mousePressEvent(QMouseEvent* event)
{
    m_pressedRow = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint()) : -2;
    event->accept();
}

void AppListCard::mouseReleaseEvent(QMouseEvent* event)
{
    const int row = event->button() == Qt::LeftButton ? rowAt(event->position().toPoint()) : -2;
    const int pressed = std::exchange(m_pressedRow, -2);
    if (row != pressed || row == -2 || !m_app)
        return;
    // The handlers may rebind this card; keep the records alive meanwhile.
    const AppInfoPtr app = m_app;
    if (row == -1)
        emit selected(app);
    else
        emit memberSelected(app->members()[size_t(row)], app);
}

} // namespace tw
