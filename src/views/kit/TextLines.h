#pragma once

// Texts laid out in a given width: wrapped at word boundaries (and inside a
// word too long for a line, as paths are), limited to a number of lines.

#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace tw::text {

// Line breaks and tabs as spaces, for a text shown on one line.
QString singleLine(QString text);

// A path, bundle identifier, version or size as it is drawn: one
// left-to-right run, its first character leftmost, whatever the text around
// it or the direction of the row ("/Applications" keeps its slash in front
// in Arabic). It is held between the isolates U+2066 and U+2069, so only
// the string that is drawn gets them, never a value that is copied,
// compared or searched.
QString leftToRight(const QString& value);
// The text without the marks leftToRight puts in (what a selection copies).
QString withoutIsolates(QString text);

// The height of text wrapped to width, at most maxLines lines (0: no limit).
qreal wrappedHeight(const QFont& font, const QString& text, qreal width, int maxLines = 0);

// Draws text wrapped to rect's width from rect's top, at most maxLines lines
// (0: no limit); a text that goes on past the last line ends it with "…".
void drawWrapped(QPainter& p, const QRectF& rect, const QFont& font, const QString& text, int maxLines,
                 Qt::Alignment horizontal = Qt::AlignLeft);

// Draws text on one line, elided at the right, vertically centred in rect.
void drawElided(QPainter& p, const QRectF& rect, const QFont& font, const QString& text,
                Qt::Alignment horizontal = Qt::AlignLeft);

} // namespace tw::text
