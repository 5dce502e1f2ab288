#pragma once

#include "views/kit/Tints.h"
#include "views/kit/TypeScale.h"

#include <QStringList>
#include <QWidget>

namespace tw {

// A text of at most two lines that shrinks down to minimumScale of its size
// (whole points) before its second line is elided; always as tall as its lines.
class FittedText : public QWidget {
    Q_OBJECT
public:
    FittedText(TextRole text, Tint role, qreal minimumScale = 0.75, QWidget* parent = nullptr);
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // The lines and the font size (in points) shown at the current width.
    const QStringList& lines() const
    {
        settle();
        return m_lines;
    }
    int shownPoints() const
    {
        settle();
        return m_shownPoints;
    }
    // Where the first line's baseline lies from the top.
    int firstBaseline() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    struct Fit {
        int points;
        QStringList lines;
    };
    // The lines at a width; the last width asked for is remembered.
    const Fit& fit(int width) const;
    Fit layOut(int width) const;
    QFont fontAt(int points) const;
    void relayout();
    // Brings the shown lines up to the text and width, when they were left behind.
    void settle() const;

    TextRole m_textRole;
    int m_points;
    int m_smallestPoints;
    Tint m_role;
    QString m_text;
    // While hidden, a new text is laid out only when it is shown or asked
    // for: before the first layout the width is not the one it gets.
    mutable QStringList m_lines;
    mutable int m_shownPoints;
    mutable bool m_stale = false;
    mutable int m_baselinePoints = -1;  // the size m_baseline was measured at
    mutable int m_baseline = 0;
    mutable int m_fitWidth = -1;
    mutable Fit m_fit;
};

} // namespace tw
