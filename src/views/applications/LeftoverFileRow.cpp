#include "views/applications/LeftoverFileRow.h"

#include "engine/inventory/ByteFormat.h"
#include "platform/Path.h"
#include "views/applications/ApplicationLists.h"
#include "views/applications/FileTreeRows.h"
#include "views/kit/AppKitCheckbox.h"
#include "views/kit/Mirror.h"
#include "views/kit/Symbols.h"
#include "views/kit/TextLines.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tw {

using namespace tree;

LeftoverFileRow::LeftoverFileRow(QWidget* parent)
    : QWidget(parent)
    , m_checkbox(new AppKitCheckbox(this))
{
    placeCheckbox();
    Mirror::resizeOnDirectionChange(this);
}

void LeftoverFileRow::placeCheckbox()
{
    Mirror(*this).place(m_checkbox, QRect(kIndent, 2, kBox, kBox));
}

void LeftoverFileRow::resizeEvent(QResizeEvent*)
{
    placeCheckbox();
}

Binding<bool> LeftoverFileRow::selectionBinding(const LeftoverPtr& file)
{
    std::weak_ptr<LeftoverFile> weak = file;
    return {[weak] {
                const LeftoverPtr f = weak.lock();
                return f && f->isSelected();
            },
            [weak](bool v) {
                if (const LeftoverPtr f = weak.lock())
                    f->setSelected(v, RootSync::Refresh);
            }};
}

void LeftoverFileRow::bind(LeftoverPtr file, const QString& categorySymbol)
{
    disconnect(m_watch);
    m_file = std::move(file);
    m_symbol = categorySymbol;
    if (!m_file)
        return;
    m_name = path::lastComponent(m_file->path());
    m_folder = apps::folderText(m_file->path());
    m_checkbox->bind(selectionBinding(m_file));
    m_watch = connect(m_file.get(), &LeftoverFile::changed, this, &LeftoverFileRow::fileChanged);
    fileChanged();
}

void LeftoverFileRow::fileChanged()
{
    m_size = byteformat::string(m_file->size());
    m_checkbox->refresh();
    update();
}

int LeftoverFileRow::heightFor(const LeftoverFile& file, int width)
{
    const qreal w = textWidth(byteformat::string(file.size()), width);
    const qreal texts = QFontMetricsF(typescale::font(TextRole::itemName)).height() + 2
        + text::wrappedHeight(typescale::font(TextRole::caption), apps::folderText(file.path()), w, 2);
    return 2 + std::max(kBox, int(std::ceil(texts))) + 2;
}

void LeftoverFileRow::paintEvent(QPaintEvent*)
{
    if (!m_file)
        return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const Mirror m(*this);
    const qreal nameHeight = QFontMetricsF(typescale::font(TextRole::itemName)).height();
    symbols::paint(p, m(QRectF(kIndent + kBox + kGap, 2, kSymbolWidth, nameHeight)), tintedSymbol(m_symbol, 14));
    p.setPen(primaryTextTint());
    text::drawElided(p, m(QRectF(textLeft(), 2, textWidth(m_size, width()), nameHeight)),
                     typescale::font(TextRole::itemName), text::leftToRight(m_name), m.align(Qt::AlignLeft));
    paintFolderAndSize(p, *this, 2 + nameHeight + 2, m_folder, m_size);
}

} // namespace tw
