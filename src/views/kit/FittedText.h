#pragma once

#include "views/kit/Tints.h"

#include <QStringList>
#include <QWidget>

namespace tw {

// A text of at most two lines that shrinks down to minimumScale of its size
// (whole points) before its second line is elided; always as tall as its lines.
class FittedText : public QWidget {
    Q_OBJECT
public:
    FittedText(qreal points, QFont::Weight weight, Tint role, qreal minimumScale = 0.75,
               QWidget* parent = nullptr);
    const QString& text() const { return m_text; }
    void setText(const QString& text);
    // The lines and the font size (in points) shown at the current width.
    const QStringList& lines() const { return m_lines; }
    int shownPoints() const { return m_shownPoints; }
    // Where the first line's baseline lies from the top.
    int firstBaseline() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

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

    int m_points;
    int m_smallestPoints;
    QFont::Weight m_weight;
    Tint m_role;
    QString m_text;
    QStringList m_lines;
    int m_shownPoints;
    mutable int m_fitWidth = -1;
    mutable Fit m_fit;
};

} // namespace tw
