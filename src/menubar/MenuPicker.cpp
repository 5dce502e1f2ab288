#include "menubar/MenuPicker.h"

#include "views/kit/NeonPaint.h"
#include "views/kit/Symbols.h"
#include "views/kit/Tints.h"

#include <QActionGroup>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>

#include <cmath>

namespace tw {

namespace {

constexpr qreal kChevron = 9;
constexpr qreal kRadius = 6;

const QFont& titleFont()
{
    static const QFont f = neon::systemFont(12, QFont::Normal);
    return f;
}

} // namespace

MenuPicker::MenuPicker(const QStringList& titles, QWidget* parent)
    : QAbstractButton(parent)
    , m_titles(titles)
    , m_menu(new QMenu(this))
{
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    auto* group = new QActionGroup(m_menu);
    for (int i = 0; i < titles.size(); ++i) {
        QAction* action = m_menu->addAction(titles[i]);
        action->setCheckable(true);
        action->setChecked(i == 0);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, i] {
            setCurrent(i);
            emit chosen(i);
        });
    }
    // The menu opens below the box and does not hold the event loop.
    connect(this, &QAbstractButton::clicked, this, [this] {
        m_menu->setMinimumWidth(width());
        m_menu->popup(mapToGlobal(QPoint(0, height())));
    });
    onThemeChange(this, [this] { update(); });
}

void MenuPicker::setCurrent(int index)
{
    if (index < 0 || index >= m_titles.size() || index == m_current)
        return;
    m_current = index;
    m_menu->actions().at(index)->setChecked(true);
    update();
}

QSize MenuPicker::sizeHint() const
{
    const QFontMetricsF m(titleFont());
    qreal widest = 0;
    for (const QString& t : m_titles)
        widest = std::max(widest, m.horizontalAdvance(t));
    return {int(std::ceil(widest + kChevron)) + 26, int(std::ceil(m.height())) + 10};
}

void MenuPicker::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor fill = faded(secondaryTint(), 0.12);
    if (isDown())
        fill = fill.darker(115);
    neon::fillRoundedPath(p, box, kRadius, fill);
    neon::strokeRoundedPathInside(p, box, kRadius, 1, faded(secondaryTint(), 0.3));
    const QRectF chevrons(box.right() - 8 - kChevron, 0, kChevron, height());
    p.setFont(titleFont());
    p.setPen(primaryTextTint());
    const QRectF text(box.left() + 9, 0, chevrons.left() - box.left() - 13, height());
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, neon::elided(currentTitle(), titleFont(), text.width()));
    Symbols::paint(p, chevrons, Glyph{QStringLiteral("chevron.down"), kChevron, Tint::secondary});
}

} // namespace tw
