#pragma once

// Texts laid out in a given width: wrapped at word boundaries (and inside a
// word too long for a line, as paths are), limited to a number of lines.
// Each is one paragraph: a line break in it (a name from the disk may hold
// one) is drawn as a space, as on one line.

#include "platform/Format.h"

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace tw::text {

// Line breaks, tabs and every other control character as spaces
// (tw::singleLine): what every one-line and wrapped text of the kit is drawn
// from (elided, drawElided, drawWrapped), so a name with a line break shows
// whole, on one line. A view puts a name, version or path from the disk into
// a Qt text widget through it too.
using tw::singleLine;

// A path, bundle identifier, version or size as it is drawn: one
// left-to-right run, its first character leftmost, whatever the text around
// it or the direction of the row ("/Applications" keeps its slash in front
// in Arabic). It is held between the isolates U+2066 and U+2069, so only
// the string that is drawn gets them, never a value that is copied,
// compared or searched. Isolate marks of the value's own are left out, so
// no value ends its run early.
QString leftToRight(const QString& value);
// The text without directional isolates (what a selection copies).
QString withoutIsolates(QString text);

// " · ": between a label and its value on one line.
inline const QString kLabelSeparator = QStringLiteral(" \u00B7 ");
// A "label · value" line as it is drawn: the label, the separator, then the
// value as a left-to-right run, the whole held in the label's own direction.
// So the label always reads first: at the left in English, at the right in
// Arabic, with the value after it, at its left; in a line of either
// direction. Drawn only; the plain line is label + kLabelSeparator + value.
QString labelled(const QString& label, const QString& value);

// The height of text wrapped to width, at most maxLines lines (0: no limit).
qreal wrappedHeight(const QFont& font, const QString& text, qreal width, int maxLines = 0);

// The width of the widest line of text wrapped to width (at most width).
qreal wrappedWidth(const QFont& font, const QString& text, qreal width);

// Draws text wrapped to rect's width from rect's top, at most maxLines lines
// (0: no limit); a text that goes on past the last line ends it with "…".
// A line that begins inside an isolated run (leftToRight, labelled) is
// drawn as part of it.
void drawWrapped(QPainter& p, const QRectF& rect, const QFont& font, const QString& text, int maxLines,
                 Qt::Alignment horizontal = Qt::AlignLeft);

// Draws text on one line, elided at the right, vertically centred in rect.
void drawElided(QPainter& p, const QRectF& rect, const QFont& font, const QString& text,
                Qt::Alignment horizontal = Qt::AlignLeft);

} // namespace tw::text
