#include "menubar/QuickListRow.h"

#include "views/kit/CardText.h"
#include "views/kit/Divider.h"
#include "views/kit/IconView.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QHBoxLayout>
#include <QPainter>

namespace tw {

QuickListRow::QuickListRow(int verticalPadding, int ruleInset, QWidget* parent)
    : QWidget(parent)
    , m_icon(new IconView(kIconSide, 6, this))
    , m_textSlot(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum))
    , m_trailing(new QHBoxLayout)
    , m_ruleInset(ruleInset)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, verticalPadding, 12, verticalPadding + 1);
    row->setSpacing(10);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    row->addItem(m_textSlot);
    m_trailing->setSpacing(10);
    m_trailing->setContentsMargins(0, 0, 0, 0);
    row->addLayout(m_trailing);
    onThemeChange(this, [this] { update(); });
}

void QuickListRow::setIcon(const IconRef& icon)
{
    // A named symbol (a launchd job's) is drawn in the accent.
    const bool symbol = icon.kind == IconRef::Kind::Symbol;
    m_icon->setFallback(symbol ? std::optional<Glyph>(tintedSymbol(icon.value, 20)) : std::nullopt);
    m_icon->setIcon(symbol ? IconRef::none() : icon);
    m_icon->setVisible(!icon.isNone());
}

void QuickListRow::setTexts(const QString& title, const QString& caption)
{
    if (title == m_title && caption == m_caption)
        return;
    m_title = title;
    m_caption = caption;
    update();
}

QRect QuickListRow::textRect() const
{
    return m_textSlot->geometry();
}

void QuickListRow::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    QList<CardLine> lines{CardLine::title(m_title, TextRole::itemName)};
    if (!m_caption.isEmpty())
        lines << CardLine::caption(m_caption);
    CardText{1}.paint(p, textRect(), lines);
    p.fillRect(QRect(m_ruleInset, height() - 1, width() - m_ruleInset, 1), Divider::colour());
}

} // namespace tw
