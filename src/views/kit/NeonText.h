#pragma once

#include "views/kit/NeonShadow.h"

#include <QFont>

namespace tw {

// Fonts and text of the main window's components.
namespace neon {

// The interface font at a size in points (1 pt = 1 device-independent pixel).
// rounded asks for the rounded design where the system has one.
QFont systemFont(qreal points, QFont::Weight weight, bool rounded = false);
// Starts resolving the interface's fonts on the engine pool (at start-up,
// before the first widget asks for one).
void prepareFonts();

// Text drawn with a soft glow behind it (the glow layers are cached).
void paintGlowingText(QPainter& p, const QRectF& rect, int flags, const QString& text, const QFont& font,
                      const QColor& colour, const QList<Shadow>& glows);

// The text on one line (text::singleLine), elided with "…" to fit width.
QString elided(const QString& text, const QFont& font, qreal width);
// The height of one line of text in font, in whole points.
int lineHeight(const QFont& font);

} // namespace neon

} // namespace tw
