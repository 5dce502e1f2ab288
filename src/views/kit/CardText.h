#pragma once

#include "views/kit/TypeScale.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <QString>

class QPainter;
class QRectF;

namespace tw {

class Mirror;

// One line of a row's text block.
struct CardLine {
    QString text;
    QFont font;
    QColor colour;

    // A title: primaryTextTint in the role's font.
    static CardLine title(const QString& text, TextRole role = TextRole::rowTitle);
    // A caption: secondaryTint in the role's font.
    static CardLine caption(const QString& text, TextRole role = TextRole::caption);
};

// How a row sets its text block, a title over a caption (or more lines):
// each line cut to the box's width with "…", gap points between lines, the
// block centred in the box's height. In a row that mirrors, the box is the
// row's left-to-right rect and the alignment its leading (Qt::AlignLeft) or
// trailing side; the Mirror places both.
struct CardText {
    qreal gap = 2;
    // Lines as tall as the font's height, or rounded up to whole points.
    bool wholePoints = false;
    Qt::Alignment alignment = Qt::AlignLeft;

    qreal lineHeight(const QFont& font) const;
    qreal height(const QList<CardLine>& lines) const;
    void paint(QPainter& p, const QRectF& box, const QList<CardLine>& lines) const;
    void paint(QPainter& p, const Mirror& m, const QRectF& box, const QList<CardLine>& lines) const;
    // The common pair: title over caption in the rows' roles.
    qreal titleCaptionHeight() const;
    void paint(QPainter& p, const Mirror& m, const QRectF& box, const QString& title, const QString& caption) const;
};

} // namespace tw
