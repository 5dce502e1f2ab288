#include "views/kit/AlertDialog.h"

#include "views/kit/KeyFocus.h"
#include "views/kit/NeonShapes.h"
#include "views/kit/PushButton.h"
#include "views/kit/SymbolView.h"
#include "views/kit/TextLines.h"
#include "views/kit/TintedLabel.h"
#include "views/kit/TypeScale.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace tw {

using neon::faded;
using neon::rgb;

namespace {

using Role = PromptButton::Role;

Glyph iconFor(Prompt::Style style)
{
    switch (style) {
    case Prompt::Style::informational: return {QStringLiteral("info.circle"), 40, Tint::accent};
    case Prompt::Style::warning:
        return {QStringLiteral("exclamationmark.triangle.fill"), 40, Tint::accent, 1.0, rgb(0.98, 0.72, 0.18)};
    case Prompt::Style::critical:
        return {QStringLiteral("exclamationmark.triangle.fill"), 40, Tint::accent, 1.0, rgb(0.95, 0.27, 0.23)};
    }
    return {};
}

} // namespace

AlertDialog::AlertDialog(const Prompt& given, QWidget* parent)
    : QDialog(parent)
    , m_prompt(given)
    // One paragraph: a name in it may hold a line break from the disk.
    , m_title(new TintedLabel(text::singleLine(given.title), Tint::primary, typescale::font(TextRole::alertTitle)))
    , m_text(new TintedLabel(given.text, Tint::secondary, typescale::font(TextRole::callout)))
{
    if (m_prompt.buttons.isEmpty())
        m_prompt.buttons = Prompt::alert(m_prompt.style, {}, {}).buttons;
    m_chosen = m_prompt.cancelIndex();
    setObjectName(QStringLiteral("alert"));
    setModal(true);
    // Over a window that stays above the others, the alert has to as well.
    if (parent && parent->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
        setWindowFlag(Qt::WindowStaysOnTopHint);
    // The title bar names the program: an alert's title may be a long message.
    setWindowTitle(QApplication::applicationDisplayName());
    setFixedWidth(440);

    auto* body = new QHBoxLayout;
    body->setSpacing(16);
    if (m_prompt.icon.isNull()) {
        body->addWidget(new SymbolView(iconFor(m_prompt.style)), 0, Qt::AlignTop);
    } else {
        auto* icon = new QLabel;
        icon->setObjectName(QStringLiteral("alertIcon"));
        icon->setPixmap(m_prompt.icon.pixmap(QSize(64, 64), devicePixelRatioF()));
        icon->setFixedSize(64, 64);
        body->addWidget(icon, 0, Qt::AlignTop);
    }
    auto* texts = new QVBoxLayout;
    texts->setSpacing(6);
    m_title->setWordWrap(true);
    m_text->setWordWrap(true);
    m_text->setVisible(!m_prompt.text.isEmpty());
    texts->addWidget(m_title);
    texts->addWidget(m_text);
    body->addLayout(texts, 1);

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    // The first button stands rightmost; they are made from the left, so
    // Tab goes through them as they stand.
    for (qsizetype i = m_prompt.buttons.size() - 1; i >= 0; --i) {
        const PromptButton& given = m_prompt.buttons[i];
        // The button Return presses is drawn filled.
        auto* button = new PushButton(given.title,
                                      i == m_prompt.returnIndex() ? PushButton::Style::prominent
                                                                  : PushButton::Style::bordered,
                                      this);
        button->setTitleFont(TextRole::itemName);
        button->setDestructive(given.role == Role::destructive);
        button->setMinimumWidth(76);
        button->setFixedHeight(28);
        button->setObjectName(QStringLiteral("alertButton%1").arg(i));
        connect(button, &QAbstractButton::clicked, this, [this, i] { choose(int(i)); });
        m_buttons.prepend(button);
        row->addWidget(button);
    }
    // The alert holds the focus itself until Tab moves it: Return presses
    // the button drawn filled, not whichever button comes first.
    keyfocus::holdFocusItself(this);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 16);
    column->setSpacing(18);
    column->addLayout(body);
    column->addLayout(row);
}

void AlertDialog::choose(int index)
{
    m_chosen = index;
    done(index == m_prompt.cancelIndex() ? QDialog::Rejected : QDialog::Accepted);
}

void AlertDialog::reject()
{
    m_chosen = m_prompt.cancelIndex();
    QDialog::reject();
}

void AlertDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        choose(m_prompt.returnIndex());
        return;
    }
    QDialog::keyPressEvent(event);
}

void AlertDialog::showEvent(QShowEvent* event)
{
    // A window takes no height from its wrapped text by itself: it gets the
    // height its fixed width needs, so a long message is never cut.
    setFixedHeight(layout()->totalHeightForWidth(width()));
    QDialog::showEvent(event);
}

void AlertDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    neon::fillRect(p, rect(), AppTheme::cardFill());
}

} // namespace tw
