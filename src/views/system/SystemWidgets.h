#pragma once

// Small painted pieces of the System tab: one-line texts, the
// banner's button, the year badge, the picture well and the dividers.

#include "state/AppAppearance.h"
#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QAbstractButton>
#include <QImage>
#include <QWidget>

#include <optional>

namespace tw {

// One line of text, elided with "…" when it does not fit. By default it
// asks the layout for its text's width; one that fills the width its column
// gives it leaves the layout alone when its text changes.
class LineText : public QWidget {
    Q_OBJECT
public:
    LineText(TextRole text, Tint role, QWidget* parent = nullptr);
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    void setFillsWidth(bool fills);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_font;
    Tint m_role;
    QString m_text;
    bool m_fillsWidth = false;
};

// One line with a text at each end: the leading one (after an 8 pt dot, when
// the row has one) elided to leave room for the trailing one. Its height is
// fixed, so a change of text repaints it without laying anything out again.
class RowText : public QWidget {
    Q_OBJECT
public:
    RowText(const QFont& leadingFont, Tint leadingRole, const QFont& trailingFont, Tint trailingRole,
            QWidget* parent = nullptr);
    const QString& leading() const { return m_leading; }
    const QString& trailing() const { return m_trailing; }
    void setLeading(const QString& text);
    void setTrailing(const QString& text);
    // Shows the dot, in the colour given or else the theme's accent.
    void setDot(const std::optional<QColor>& colour);
    QColor dotColour() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QFont m_leadingFont;
    QFont m_trailingFont;
    Tint m_leadingRole;
    Tint m_trailingRole;
    QString m_leading;
    QString m_trailing;
    bool m_hasDot = false;
    std::optional<QColor> m_dot;
};

// The model year in a rounded outline.
class YearBadge : public QWidget {
    Q_OBJECT
public:
    explicit YearBadge(QWidget* parent = nullptr);
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

// The machine's picture on its gradient well (150 x 118), fitted into 128 x
// 96 with a soft shadow; the laptop symbol while there is none. The shadowed
// picture is made once, when the picture is set.
class PictureWell : public QWidget {
    Q_OBJECT
public:
    explicit PictureWell(QWidget* parent = nullptr);
    bool hasPicture() const { return !m_picture.isNull(); }
    void setPicture(const QImage& picture);
    // The well's middle gradient stop in a theme.
    static QColor middleStop(AppAppearance a);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_picture;
    QImage m_composed;  // the fitted picture over its shadow
    QPointF m_composedAt;
};

// A thin line in the card border colour (at a further opacity).
class DividerLine : public QWidget {
    Q_OBJECT
public:
    DividerLine(Qt::Orientation orientation, qreal opacity = 1.0, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_opacity;
};

} // namespace tw
