#include "app/PreferencesView.h"

#include "state/AppSettings.h"
#include "state/Theme.h"
#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonSwitch.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

// ---- SheetButton -----------------------------------------------------------------------

SheetButton::SheetButton(const QString& title, QWidget* parent)
    : QAbstractButton(parent)
{
    setText(title);
    keyfocus::makeStop(this, 7);
}

QSize SheetButton::sizeHint() const
{
    const QFontMetricsF m(typescale::font(TextRole::itemName));
    return {std::max(64, int(std::ceil(m.horizontalAdvance(text()))) + 28), 26};
}

void SheetButton::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    const QColor accent = AppTheme::accent(a);
    g.setStops({{0, accent.lighter(isDown() ? 100 : 118)}, {1, isDown() ? accent.darker(120) : accent}});
    p.fillPath(neon::roundedRect(r, 7), g);
    p.setPen(QPen(faded(Qt::white, 0.3), 1));
    p.drawPath(neon::insideStrokePath(r, 7, 1));
    p.setFont(typescale::font(TextRole::itemName));
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, text());
}

// ---- PreferencesView --------------------------------------------------------------------

namespace {

constexpr qreal kHeaderHeight = 20 + 22 + 20;
constexpr qreal kSwitchGap = 16;

QFont titleFont()
{
    return typescale::font(TextRole::sheetTitle);
}
QFont rowTitleFont()
{
    return typescale::font(TextRole::rowTitle);
}
QFont rowDescriptionFont()
{
    return typescale::font(TextRole::caption);
}

QColor secondaryColour(AppAppearance a)
{
    return isDark(a) ? rgb(0.62, 0.70, 0.80) : faded(Qt::black, 0.5);
}

} // namespace

PreferencesView::PreferencesView(AppSettings& settings, std::function<void()> dismiss, QWidget* parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_dismiss(std::move(dismiss))
    , m_menuBar(new NeonSwitch(this))
    , m_trash(new NeonSwitch(this))
    , m_done(new SheetButton(QStringLiteral("Done"), this))
{
    setFixedSize(sheetWidth(), sheetHeight());
    keyfocus::holdFocusItself(this);
    setObjectName(QStringLiteral("preferences"));
    // The sheet follows the window's direction (mirrored in Arabic); its
    // texts are fixed English ones and read left to right in either.
    // Each switch writes its setting at once; there is nothing to undo.
    AppSettings* store = &settings;
    m_menuBar->bind({[store] { return store->showMenuBarPreview(); },
                     [store](bool on) { store->setShowMenuBarPreview(on); }});
    m_trash->bind({[store] { return store->detectTrashRemovals(); },
                   [store](bool on) { store->setDetectTrashRemovals(on); }});
    connect(&settings, &AppSettings::showMenuBarPreviewChanged, m_menuBar, &NeonSwitch::refresh);
    connect(&settings, &AppSettings::detectTrashRemovalsChanged, m_trash, &NeonSwitch::refresh);
    connect(m_done, &QAbstractButton::clicked, this, [this] {
        if (m_dismiss)
            m_dismiss();
    });
}

QString PreferencesView::menuBarTitle()
{
    return QStringLiteral("Show Tidewell in the menu bar");
}

QString PreferencesView::menuBarDescription()
{
    return QStringLiteral("Manage app removal, startup items, and updates right from the menu bar agent.");
}

QString PreferencesView::trashTitle()
{
    return QStringLiteral("Detect apps moved to Trash and offer full removal");
}

QString PreferencesView::trashDescription()
{
    return QStringLiteral("Get notified when you delete an app to remove its leftover files.");
}

QColor PreferencesView::titleColour(AppAppearance a)
{
    return AppTheme::primaryText(a);
}

QColor PreferencesView::sheetColour(AppAppearance a)
{
    switch (a) {
    case AppAppearance::midnight: return rgb(0.08, 0.11, 0.18);
    case AppAppearance::classic: return rgb(0.95, 0.95, 0.96);
    case AppAppearance::indigo: return rgb(0.06, 0.08, 0.14);
    }
    return {};
}

QRectF PreferencesView::groupBox() const
{
    const qreal top = kHeaderHeight + 1 + 12 + QFontMetricsF(typescale::font(TextRole::sectionHeader)).height() + 6;
    return QRectF(8 + 12, top, width() - 2 * (8 + 12), 0);
}

QList<PreferencesView::Row> PreferencesView::rows() const
{
    QList<Row> out;
    const QRectF box = groupBox();
    const qreal textWidth = box.width() - 2 * 12 - m_menuBar->width() - kSwitchGap;
    qreal y = box.top();
    for (const auto& [title, description] : {std::pair{menuBarTitle(), menuBarDescription()},
                                             std::pair{trashTitle(), trashDescription()}}) {
        const qreal th = text::wrappedHeight(rowTitleFont(), title, textWidth);
        const qreal dh = text::wrappedHeight(rowDescriptionFont(), description, textWidth);
        const qreal h = 6 + 6 + th + 4 + dh + 6 + 6;
        out << Row{title,
                   description,
                   QRectF(box.left() + 12, y + 12, textWidth, th),
                   QRectF(box.left() + 12, y + 12 + th + 4, textWidth, dh),
                   QRectF(box.left(), y, box.width(), h)};
        y += h;
    }
    return out;
}

QRectF PreferencesView::titleRect(int row) const
{
    return placed(rows().value(row).title);
}

QRectF PreferencesView::placed(const QRectF& r) const
{
    return Mirror(*this)(r);
}

Qt::Alignment PreferencesView::leading() const
{
    return Mirror::leading(*this);
}

void PreferencesView::resizeEvent(QResizeEvent*)
{
    // Laid out left to right, then placed in the window's direction.
    const QSize done = m_done->sizeHint();
    m_done->setGeometry(placed(QRectF(width() - 20 - done.width(), int((kHeaderHeight - done.height()) / 2),
                                      done.width(), done.height()))
                            .toRect());
    const QList<Row> r = rows();
    NeonSwitch* switches[] = {m_menuBar, m_trash};
    for (int i = 0; i < 2 && i < r.size(); ++i) {
        const QRectF box = r[i].box;
        const QSizeF s = switches[i]->size();
        switches[i]->setGeometry(placed(QRectF(int(box.right() - 12 - s.width()), int(box.center().y() - s.height() / 2.0),
                                               s.width(), s.height()))
                                     .toRect());
    }
}

void PreferencesView::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LayoutDirectionChange) {
        resizeEvent(nullptr);
        update();
    }
    QWidget::changeEvent(event);
}

void PreferencesView::paintEvent(QPaintEvent*)
{
    const AppAppearance a = AppTheme::appearance();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // English texts: left to right, placed at the leading side.
    p.setLayoutDirection(Qt::LeftToRight);
    const Qt::Alignment lead = leading();
    const QRectF r(rect());
    neon::fillRoundedRect(p, r, 12, sheetColour(a));
    neon::strokeRoundedRectInside(p, r, 12, 1, isDark(a) ? faded(rgb(0.25, 0.7, 1.0), 0.35) : rgb(0.80, 0.81, 0.84));

    // Header.
    p.setFont(titleFont());
    p.setPen(titleColour(a));
    p.drawText(QRectF(20, 0, width() - 40, kHeaderHeight), lead | Qt::AlignVCenter, QStringLiteral("Preferences"));
    p.fillRect(QRectF(0, kHeaderHeight, width(), 1), isDark(a) ? faded(Qt::white, 0.1) : faded(Qt::black, 0.1));

    // The "Helper" section.
    const QRectF box = groupBox();
    p.setFont(typescale::font(TextRole::sectionHeader));
    p.setPen(secondaryColour(a));
    p.drawText(placed(QRectF(box.left() + 4, kHeaderHeight + 1 + 12, box.width() - 8,
                             QFontMetricsF(typescale::font(TextRole::sectionHeader)).height())),
               lead | Qt::AlignVCenter, QStringLiteral("Helper"));

    const QList<Row> r2 = rows();
    if (r2.isEmpty())
        return;
    const QRectF group(r2.first().box.topLeft(), r2.last().box.bottomRight());
    neon::fillRoundedRect(p, group, 8, isDark(a) ? faded(Qt::white, 0.05) : QColor(Qt::white));
    neon::strokeRoundedRectInside(p, group, 8, 1, isDark(a) ? faded(Qt::white, 0.09) : rgb(0.88, 0.89, 0.91));
    p.fillRect(QRectF(group.left() + 12, r2.first().box.bottom(), group.width() - 24, 1),
               isDark(a) ? faded(Qt::white, 0.08) : faded(Qt::black, 0.08));

    for (const Row& row : r2) {
        p.setPen(AppTheme::primaryText(a));
        text::drawWrapped(p, placed(row.title), rowTitleFont(), row.titleText, 0, lead);
        p.setPen(secondaryColour(a));
        text::drawWrapped(p, placed(row.description), rowDescriptionFont(), row.descriptionText, 0, lead);
    }
}

bool PreferencesView::focusNextPrevChild(bool next)
{
    // In reading order: Done in the header, then the switches.
    QList<QWidget*> stops;
    for (QWidget* w : {static_cast<QWidget*>(m_done), static_cast<QWidget*>(m_menuBar), static_cast<QWidget*>(m_trash)})
        if (w->isVisible() && w->isEnabled())
            stops << w;
    if (stops.isEmpty())
        return false;
    const qsizetype at = stops.indexOf(focusWidget());
    const qsizetype to = at < 0 ? (next ? 0 : stops.size() - 1) : (at + (next ? 1 : stops.size() - 1)) % stops.size();
    stops[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void PreferencesView::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        if (m_dismiss)
            m_dismiss();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace tw
