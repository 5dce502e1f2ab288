#include "views/kit/ProgressIndicator.h"

#include "state/Theme.h"
#include "views/kit/NeonText.h"
#include "views/kit/Spinner.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace tw {

namespace {

constexpr int kGap = 8;

} // namespace

ProgressIndicator::ProgressIndicator(const QString& label, QWidget* parent)
    : QWidget(parent)
    , m_label(label)
    , m_spinner(new Spinner(this))
{
    onThemeChange(this, [this] { update(); });
}

QSize ProgressIndicator::sizeHint() const
{
    const QFontMetricsF m(typescale::font(TextRole::callout));
    return {int(std::ceil(m.horizontalAdvance(m_label))) + 8,
            m_spinner->height() + kGap + int(std::ceil(m.height()))};
}

QRectF ProgressIndicator::labelRect() const
{
    const qreal h = QFontMetricsF(typescale::font(TextRole::callout)).height();
    const qreal top = (height() - (m_spinner->height() + kGap + h)) / 2 + m_spinner->height() + kGap;
    return QRectF(0, top, width(), h);
}

void ProgressIndicator::resizeEvent(QResizeEvent*)
{
    const QRectF text = labelRect();
    m_spinner->move((width() - m_spinner->width()) / 2, int(text.top()) - kGap - m_spinner->height());
}

void ProgressIndicator::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setFont(typescale::font(TextRole::callout));
    p.setPen(secondaryTint());
    const QRectF text = labelRect();
    p.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
               neon::elided(m_label, typescale::font(TextRole::callout), text.width()));
}

} // namespace tw
