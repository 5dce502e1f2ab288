#include "views/applications/EmptyUninstallPanel.h"

#include "state/L10n.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QDropEvent>
#include <QFontMetricsF>
#include <QMimeData>
#include <QPainter>

#include <algorithm>

namespace tw {

namespace {

constexpr qreal kPad = 24;
constexpr qreal kSpacing = 18;
constexpr qreal kMaxWidth = 420;
constexpr qreal kDisc = 160;
constexpr qreal kDiscPad = 8;
constexpr qreal kZoneSymbol = 16;
constexpr qreal kZoneGap = 10;
constexpr qreal kZonePadX = 18;
constexpr qreal kZonePadY = 14;

QString titleText() { return L10n::t(QStringLiteral("apps.uninstall_title")); }
QString subtitleText() { return L10n::t(QStringLiteral("apps.uninstall_subtitle")); }
QString zoneText() { return L10n::t(QStringLiteral("apps.drag_drop")); }

} // namespace

EmptyUninstallPanel::EmptyUninstallPanel(QWidget* parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
    onThemeChange(this, [this] { update(); });
}

QList<QUrl> EmptyUninstallPanel::fileUrls(const QMimeData* data)
{
    QList<QUrl> urls;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                urls << url;
    return urls;
}

bool EmptyUninstallPanel::takeDrag(QDropEvent* event)
{
    const bool over = dropZone().contains(event->position()) && !fileUrls(event->mimeData()).isEmpty();
    if (over) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
    if (std::exchange(m_hovering, over) != over)
        emit dropHoverChanged(over);
    return over;
}

void EmptyUninstallPanel::dragEnterEvent(QDragEnterEvent* event)
{
    if (fileUrls(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    // Accepted outside the zone too: the move events that follow decide where it may drop.
    if (!takeDrag(event))
        event->accept();
}

void EmptyUninstallPanel::dragMoveEvent(QDragMoveEvent* event)
{
    takeDrag(event);
}

void EmptyUninstallPanel::dragLeaveEvent(QDragLeaveEvent*)
{
    if (std::exchange(m_hovering, false))
        emit dropHoverChanged(false);
}

void EmptyUninstallPanel::dropEvent(QDropEvent* event)
{
    const bool taken = takeDrag(event);
    if (std::exchange(m_hovering, false))
        emit dropHoverChanged(false);
    if (taken)
        emit dropped(fileUrls(event->mimeData()));
}

void EmptyUninstallPanel::setDropTargeted(bool on)
{
    if (std::exchange(m_targeted, on) != on)
        update();
}

QColor EmptyUninstallPanel::softFill()
{
    switch (AppTheme::appearance()) {
    case AppAppearance::midnight: return neon::rgb(0.08, 0.16, 0.32);
    case AppAppearance::classic: return neon::rgb(0.90, 0.94, 1.0);
    case AppAppearance::indigo: return neon::rgb(0.10, 0.14, 0.24);
    }
    return {};
}

QStringList EmptyUninstallPanel::texts() const
{
    return {titleText(), subtitleText(), zoneText()};
}

EmptyUninstallPanel::Layout EmptyUninstallPanel::layoutParts() const
{
    const qreal inner = std::max<qreal>(0, width() - 2 * kPad);
    const QFontMetricsF title(typescale::font(TextRole::emptyTitle)), subtitle(typescale::font(TextRole::subtitle));
    const QFont& zoneFont = typescale::font(TextRole::itemName);
    const qreal textWidth = std::min(inner, kMaxWidth);
    const qreal titleH = title.boundingRect(QRectF(0, 0, inner, 1e6), Qt::TextWordWrap | Qt::AlignHCenter, titleText()).height();
    const qreal subH = subtitle.boundingRect(QRectF(0, 0, textWidth, 1e6), Qt::TextWordWrap | Qt::AlignHCenter, subtitleText()).height();
    // The zone's text has no line limit: it wraps in what the zone's frame leaves it.
    const qreal zoneTextRoom = std::max<qreal>(1, textWidth - 2 * kZonePadX - kZoneSymbol - kZoneGap);
    const qreal zoneTextW = text::wrappedWidth(zoneFont, zoneText(), zoneTextRoom);
    const qreal zoneTextH = text::wrappedHeight(zoneFont, zoneText(), zoneTextW);
    const qreal zoneW = std::min(textWidth, 2 * kZonePadX + kZoneSymbol + kZoneGap + zoneTextW);
    const qreal zoneH = std::max(kZoneSymbol, zoneTextH) + 2 * kZonePadY;
    const qreal discH = kDisc + 2 * kDiscPad;

    // The flexible spaces above and below share what is left.
    const qreal content = titleH + kSpacing + subH + kSpacing + discH + kSpacing + zoneH;
    qreal y = kPad + std::max<qreal>(0, (height() - 2 * kPad - content) / 2);
    const qreal cx = width() / 2.0;
    Layout l;
    l.title = QRectF(kPad, y, inner, titleH);
    y += titleH + kSpacing;
    l.subtitle = QRectF(cx - textWidth / 2, y, textWidth, subH);
    y += subH + kSpacing;
    l.disc = QRectF(cx - kDisc / 2, y + kDiscPad, kDisc, kDisc);
    y += discH + kSpacing;
    l.dropZone = QRectF(cx - zoneW / 2, y, zoneW, zoneH);
    // The symbol leads the zone's row, the text follows; both centred on its middle.
    const Mirror m(*this);
    const qreal x = l.dropZone.left() + kZonePadX;
    const qreal middle = l.dropZone.center().y();
    l.zoneSymbol = m(QRectF(x, middle - kZoneSymbol / 2, kZoneSymbol, kZoneSymbol));
    l.zoneText = m(QRectF(x + kZoneSymbol + kZoneGap, middle - zoneTextH / 2, zoneTextW, zoneTextH));
    return l;
}

void EmptyUninstallPanel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Layout l = layoutParts();
    const QColor accent = accentTint();

    p.setFont(typescale::font(TextRole::emptyTitle));
    p.setPen(primaryTextTint());
    p.drawText(l.title, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, titleText());
    p.setFont(typescale::font(TextRole::subtitle));
    p.setPen(secondaryTint());
    p.drawText(l.subtitle, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, subtitleText());

    p.setPen(Qt::NoPen);
    p.setBrush(softFill());
    p.drawEllipse(l.disc);
    symbols::paint(p, l.disc, Glyph{QStringLiteral("shippingbox.fill"), 64, Tint::accent, 0.85});
    symbols::paint(p, l.disc.translated(0, 8), Glyph{QStringLiteral("a.square.fill"), 28, Tint::white});

    const QRectF zone = l.dropZone;
    neon::fillRoundedPath(p, zone, 10, softFill());
    QPen dash(neon::faded(accent, dropZoneBorderOpacity()), 1.5, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
    dash.setDashPattern({7 / 1.5, 7 / 1.5});
    p.setPen(dash);
    p.setBrush(Qt::NoBrush);
    p.drawPath(neon::roundedRect(zone.adjusted(0.75, 0.75, -0.75, -0.75), 10 - 0.75));

    symbols::paint(p, l.zoneSymbol, Glyph{QStringLiteral("square.and.arrow.down.on.square"), kZoneSymbol, Tint::accent});
    p.setPen(accent);
    text::drawWrapped(p, l.zoneText, typescale::font(TextRole::itemName), zoneText(), 0,
                      Mirror(*this).align(Qt::AlignLeft));
}

} // namespace tw
