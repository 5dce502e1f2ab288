#include "views/applications/FileTreeRows.h"

#include "engine/inventory/ByteFormat.h"
#include "platform/Path.h"
#include "views/applications/AppDetailPanel.h"
#include "views/applications/ApplicationLists.h"
#include "views/applications/DetailTexts.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/IconView.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonText.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>

namespace tw {

using namespace tree;

// ---- Shared -----------------------------------------------------------------------

qreal tree::textWidth(const QString& size, int width)
{
    return std::max<qreal>(40,
                           width - textLeft() - kGap
                               - QFontMetricsF(typescale::font(TextRole::footnote)).horizontalAdvance(size));
}

void tree::paintFolderAndSize(QPainter& p, const QWidget& row, qreal top, const QString& folder, const QString& size)
{
    const Mirror m(row);
    p.setPen(secondaryTint());
    text::drawWrapped(p, m(QRectF(textLeft(), top, textWidth(size, row.width()), row.height())),
                      typescale::font(TextRole::caption), text::leftToRight(folder), 2, m.align(Qt::AlignLeft));
    const QFont& footnote = typescale::font(TextRole::footnote);
    p.setFont(footnote);
    p.drawText(QRectF(0, 2, row.width(), QFontMetricsF(footnote).height()), m.align(Qt::AlignRight) | Qt::AlignTop,
               text::leftToRight(size));
}

// ---- Section header ---------------------------------------------------------------

void TreeSectionHeader::setSection(const QString& title, const QString& symbol, std::optional<int> count)
{
    m_title = title;
    m_symbol = symbol;
    m_count = count;
    update();
}

void TreeSectionHeader::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Mirror m(*this);
    // The first four points are the header's own padding above.
    const QRectF row(0, 4, width(), height() - 4);
    symbols::paint(p, m(QRectF(0, row.top(), 12, row.height())), Glyph{QStringLiteral("chevron.down"), 10, Tint::secondary});
    symbols::paint(p, m(QRectF(18, row.top(), 18, row.height())), tintedSymbol(m_symbol, 13));
    const QFont titleFont = typescale::font(TextRole::rowTitle);
    const QString countText = m_count ? QStringLiteral("(%1)").arg(*m_count) : QString();
    const qreal countWidth
        = m_count ? QFontMetricsF(typescale::font(TextRole::footnote)).horizontalAdvance(countText) + 6 : 0;
    const qreal titleLeft = 42;
    const qreal titleWidth = std::min(QFontMetricsF(titleFont).horizontalAdvance(text::singleLine(m_title)),
                                      std::max<qreal>(0, width() - titleLeft - countWidth));
    const Qt::Alignment leading = m.align(Qt::AlignLeft);
    p.setPen(primaryTextTint());
    text::drawElided(p, m(QRectF(titleLeft, row.top(), titleWidth, row.height())), titleFont, m_title, leading);
    if (m_count) {
        p.setPen(secondaryTint());
        text::drawElided(p, m(QRectF(titleLeft + titleWidth + 6, row.top(), countWidth, row.height())),
                         typescale::font(TextRole::footnote), text::leftToRight(countText), leading);
    }
}

// ---- Bundle row ---------------------------------------------------------------------

BundleRow::BundleRow(Naming naming, QWidget* parent)
    : QWidget(parent)
    , m_naming(naming)
    , m_checkbox(new AppKitCheckbox(this))
    , m_icon(new IconView(kSymbolWidth, 6, this))
{
    placeChildren();
    Mirror::resizeOnDirectionChange(this);
}

void BundleRow::placeChildren()
{
    const Mirror m(*this);
    m.place(m_checkbox, QRect(kIndent, 2 + 5, kBox, kBox));
    m.place(m_icon, QRect(kIndent + kBox + kGap, 2, kSymbolWidth, kSymbolWidth));
}

void BundleRow::resizeEvent(QResizeEvent*)
{
    placeChildren();
}

QString BundleRow::nameOf(const AppInfo& app, Naming naming)
{
    return naming == Naming::displayName ? apps::bundleDisplayName(app) : path::lastComponent(app.path());
}

void BundleRow::setApp(const AppInfoPtr& app)
{
    m_app = app;
    if (!app)
        return;
    m_name = nameOf(*app, m_naming);
    m_shownName = m_naming == Naming::displayName ? apps::bundleDisplayName(*app, apps::Run::drawn)
                                                  : text::leftToRight(m_name);
    m_folder = apps::folderText(app->path());
    m_size = byteformat::string(app->appSize());
    m_checkbox->bind(AppDetailPanel::bundleRemovalBinding(app));
    m_icon->setIcon(app->icon());
    update();
}

void BundleRow::refresh()
{
    m_checkbox->refresh();
}

int BundleRow::heightFor(const AppInfo& app, Naming naming, int width)
{
    const qreal w = textWidth(byteformat::string(app.appSize()), width);
    const qreal texts = text::wrappedHeight(typescale::font(TextRole::itemName), nameOf(app, naming), w) + 2
        + text::wrappedHeight(typescale::font(TextRole::caption), apps::folderText(app.path()), w, 2);
    return 2 + std::max(kSymbolWidth, int(std::ceil(texts))) + 2;
}

void BundleRow::paintEvent(QPaintEvent*)
{
    if (!m_app)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Mirror m(*this);
    const qreal w = textWidth(m_size, width());
    const qreal nameHeight = text::wrappedHeight(typescale::font(TextRole::itemName), m_name, w);
    p.setPen(primaryTextTint());
    text::drawWrapped(p, m(QRectF(textLeft(), 2, w, nameHeight)), typescale::font(TextRole::itemName), m_shownName, 0,
                      m.align(Qt::AlignLeft));
    paintFolderAndSize(p, *this, 2 + nameHeight + 2, m_folder, m_size);
}

} // namespace tw
