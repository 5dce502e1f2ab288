#include "views/kit/FilterBar.h"

#include "views/kit/KeyFocus.h"
#include "views/kit/Mirror.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/SymbolButton.h"
#include "views/kit/SymbolView.h"
#include "views/kit/TypeScale.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>

namespace tw {

FilterBar::FilterBar(Binding<QString> searchText, const QString& placeholder, std::function<void()> onRefresh,
                     QWidget* parent)
    : QWidget(parent)
    , m_text(std::move(searchText))
    , m_glass(new SymbolView({QStringLiteral("magnifyingglass"), 13, Tint::secondary}, this))
    , m_field(new QLineEdit(this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 10, 10, 10);
    row->setSpacing(8);
    row->addWidget(m_glass, 0, Qt::AlignVCenter);
    m_field->setFrame(false);
    m_field->setPlaceholderText(placeholder);
    m_field->setFont(typescale::font(TextRole::body));
    m_field->setAttribute(Qt::WA_MacShowFocusRect, false);
    row->addWidget(m_field, 1);
    if (onRefresh) {
        m_refresh = new SymbolButton({QStringLiteral("arrow.clockwise"), 13, Tint::primary}, this);
        connect(m_refresh, &QAbstractButton::clicked, this, [action = std::move(onRefresh)] { action(); });
        row->addWidget(m_refresh, 0, Qt::AlignVCenter);
    }
    refresh();
    connect(m_field, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (m_text.set)
            m_text.set(text);
    });
    restyle();
    onThemeChange(this, [this] { restyle(); });
    // The row shows where the focus is, not only the caret.
    m_field->installEventFilter(this);
}

void FilterBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // What is typed, and the prompt, stand against the leading side.
    if (event->type() == QEvent::LayoutDirectionChange)
        m_field->setAlignment(Mirror::leading(*this) | Qt::AlignVCenter);
}

bool FilterBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_field && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        update();
    return QWidget::eventFilter(watched, event);
}

void FilterBar::paintEvent(QPaintEvent*)
{
    if (!m_field->hasFocus())
        return;
    QPainter p(this);
    const QRectF r = QRectF(rect()).adjusted(5, 5, -5, -5);
    focusring::paint(p, r, 7, focusring::Placement::outside, AppTheme::appearance());
}

void FilterBar::refresh()
{
    if (m_text && m_text.get() != m_field->text())
        m_field->setText(m_text.get());
}

void FilterBar::restyle()
{
    // No bezel or background of its own: the column shows through.
    QPalette pal = m_field->palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::Text, primaryTextTint());
    pal.setColor(QPalette::PlaceholderText, secondaryTint());
    pal.setColor(QPalette::Highlight, neon::faded(accentTint(), 0.45));
    m_field->setPalette(pal);
}

FilterBar* filterBar(Binding<QString> searchText, const QString& placeholder, std::function<void()> onRefresh)
{
    return new FilterBar(std::move(searchText), placeholder, std::move(onRefresh));
}

} // namespace tw
