#include "menubar/PaneHeader.h"

#include "state/Colour.h"
#include "views/kit/FilterBar.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QPainter>
#include <QVBoxLayout>

namespace tw {

namespace {
constexpr int kSide = 14;
constexpr int kBelow = 8;
} // namespace

PaneHeader::PaneHeader(const QString& title, const QString& subtitle, QWidget* parent)
    : QWidget(parent)
    , m_title(new TintedLabel(title, Tint::primary, typescale::font(TextRole::paneTitle), this))
    , m_subtitle(new TintedLabel(subtitle, Tint::secondary, typescale::font(TextRole::callout), this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(kSide, 28, kSide, kBelow);
    column->setSpacing(2);
    column->addWidget(m_title);
    column->addWidget(m_subtitle);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

PaneSearchField::PaneSearchField(const QString& placeholder, Binding<QString> text, QWidget* parent)
    : QWidget(parent)
    , m_bar(new FilterBar(std::move(text), placeholder, {}, this))
{
    m_bar->layout()->setContentsMargins(10, 6, 10, 6);
    static_cast<QBoxLayout*>(m_bar->layout())->setSpacing(6);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(kSide, 0, kSide, kBelow);
    box->addWidget(m_bar);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor PaneSearchField::boxColour()
{
    // The light panel is white itself: its box is the shell's light grey.
    const AppAppearance a = AppTheme::appearance();
    return isDark(a) ? faded(Qt::white, 0.08) : AppTheme::panelBase(a);
}

void PaneSearchField::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    neon::fillRoundedPath(p, QRectF(m_bar->geometry()), 8, boxColour());
}

} // namespace tw
