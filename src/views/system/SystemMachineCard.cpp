#include "views/system/SystemMachineCard.h"

#include "views/kit/Mirror.h"
#include "views/kit/TextLines.h"
#include "views/system/SystemCardTexts.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <cmath>

namespace tw {

namespace T = systemcardtexts;

namespace {

constexpr int kLabelWidth = 96;
constexpr int kLabelGap = 8;
constexpr qreal kBannerSymbol = 22;

TintedLabel* label(TextRole font, Tint tint)
{
    return new TintedLabel(QString(), tint, typescale::font(font));
}

} // namespace

// ---- PermissionBanner -------------------------------------------------------------------------

PermissionBanner::PermissionBanner(QWidget* parent)
    : MonitorPanel(parent)
    , m_icon(new SymbolView(tintedSymbol(QString(), kBannerSymbol)))
    , m_title(label(TextRole::rowTitle, Tint::primary))
    , m_message(label(TextRole::caption, Tint::secondary))
    , m_button(new PushButton)
{
    m_message->setWordWrap(true);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    row->addWidget(m_icon, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(m_title);
    texts->addWidget(m_message);
    row->addLayout(texts, 1);
    row->addSpacing(8);
    row->addWidget(m_button, 0, Qt::AlignVCenter);
    connect(m_button, &QAbstractButton::clicked, this, [this] {
        if (m_enabled)
            emit settingsRequested();
        else
            emit enableRequested();
    });
    apply();
}

void PermissionBanner::setEnabledForm(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void PermissionBanner::apply()
{
    const T::Banner texts = T::banner(m_enabled);
    Glyph glyph = tintedSymbol(texts.symbol, kBannerSymbol);
    if (m_enabled)
        glyph.colour = T::enabledGreen();
    m_icon->setGlyph(glyph);
    m_title->setText(texts.title);
    m_message->setText(texts.message);
    m_button->setText(texts.button);
    m_button->setButtonStyle(texts.prominent ? PushButton::Style::prominent : PushButton::Style::bordered);
    m_button->updateGeometry();
}

QString PermissionBanner::symbol() const
{
    return m_icon->glyph().symbol;
}

QColor PermissionBanner::symbolColour() const
{
    return m_icon->glyph().colourIn(AppTheme::appearance());
}

QString PermissionBanner::title() const
{
    return m_title->text();
}

QString PermissionBanner::message() const
{
    return m_message->text();
}

// ---- SpecRowView ------------------------------------------------------------------------------

SpecRowView::SpecRowView(const QString& label, QWidget* parent)
    : QWidget(parent)
    , m_label(new FittedText(TextRole::caption, Tint::secondary, 1.0, this))
    , m_value(new FittedText(TextRole::captionMedium, Tint::primary, 0.75, this))
{
    m_label->setText(label);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    Mirror::resizeOnDirectionChange(this);
}

// How far down the label and the value start, so that their first baselines meet.
std::pair<int, int> SpecRowView::tops() const
{
    const int label = m_label->firstBaseline();
    const int value = m_value->firstBaseline();
    return {std::max(0, value - label), std::max(0, label - value)};
}

int SpecRowView::heightForWidth(int width) const
{
    const auto [labelTop, valueTop] = tops();
    const int valueHeight = m_value->heightForWidth(std::max(0, width - kLabelWidth - kLabelGap));
    return std::max(labelTop + m_label->heightForWidth(kLabelWidth), valueTop + valueHeight);
}

QSize SpecRowView::sizeHint() const
{
    return {kLabelWidth + kLabelGap + m_value->sizeHint().width(), heightForWidth(kLabelWidth + kLabelGap + 160)};
}

QSize SpecRowView::minimumSizeHint() const
{
    return {kLabelWidth + kLabelGap + m_value->minimumSizeHint().width(), m_label->minimumSizeHint().height()};
}

void SpecRowView::resizeEvent(QResizeEvent*)
{
    placeChildren();
}

bool SpecRowView::event(QEvent* event)
{
    // The value asks for another height when its lines change.
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeChildren();
    }
    return QWidget::event(event);
}

void SpecRowView::placeChildren()
{
    const auto [labelTop, valueTop] = tops();
    const Mirror m(*this);
    const int valueWidth = std::max(0, width() - kLabelWidth - kLabelGap);
    m.place(m_value, QRect(kLabelWidth + kLabelGap, valueTop, valueWidth, m_value->heightForWidth(valueWidth)));
    m.place(m_label, QRect(0, labelTop, kLabelWidth, m_label->heightForWidth(kLabelWidth)));
}

// ---- MachineCard ------------------------------------------------------------------------------

MachineCard::MachineCard(QWidget* parent)
    : MonitorPanel(parent)
    , m_well(new PictureWell)
    , m_title(label(TextRole::detailTitle, Tint::primary))
    , m_os(label(TextRole::body, Tint::secondary))
    , m_badge(new YearBadge)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 16, 16, 16);
    row->setSpacing(18);
    row->addWidget(m_well, 0, Qt::AlignTop);
    auto* details = new QVBoxLayout;
    details->setSpacing(10);
    row->addLayout(details, 1);

    auto* header = new QHBoxLayout;
    auto* names = new QVBoxLayout;
    names->setSpacing(4);
    names->addWidget(m_title);
    names->addWidget(m_os);
    header->addLayout(names, 1);
    header->addSpacing(8);
    header->addWidget(m_badge, 0, Qt::AlignTop);
    details->addLayout(header);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(0);
    auto column = [&](const QList<T::SpecRow>& rows, QList<SpecRowView*>& views) {
        auto* stack = new QVBoxLayout;
        stack->setSpacing(6);
        for (const T::SpecRow& r : rows) {
            views << new SpecRowView(r.label);
            stack->addWidget(views.back());
        }
        stack->addStretch(1);
        columns->addLayout(stack, 1);
    };
    const SystemSnapshot initial;
    column(T::leftSpecRows(initial), m_left);
    auto* divider = new QVBoxLayout;
    divider->setContentsMargins(14, 2, 14, 2);
    divider->addWidget(new DividerLine(Qt::Vertical, 0.65));
    columns->addLayout(divider);
    column(T::rightSpecRows(initial), m_right);
    details->addLayout(columns);
    m_badge->hide();
}

QString MachineCard::year() const
{
    return m_badge->isHidden() ? QString() : m_badge->text();
}

void MachineCard::display(const SystemSnapshot& s)
{
    m_title->setText(text::singleLine(s.marketingTitle));
    m_os->setText(text::singleLine(s.osVersion));
    const std::optional<QString> year = T::yearBadge(s);
    if (year)
        m_badge->setText(*year);
    if (m_badge->isHidden() == year.has_value())
        m_badge->setVisible(year.has_value());
    const QList<T::SpecRow> left = T::leftSpecRows(s);
    const QList<T::SpecRow> right = T::rightSpecRows(s);
    for (qsizetype i = 0; i < m_left.size(); ++i)
        m_left[i]->setValue(left[i].value);
    for (qsizetype i = 0; i < m_right.size(); ++i)
        m_right[i]->setValue(right[i].value);
}

} // namespace tw
