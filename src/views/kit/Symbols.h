#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QString>

namespace tw {

// The named symbols the interface shows ("globe", "gearshape.fill", ...),
// drawn from the freely licensed icon set under resources/symbols.
namespace Symbols {

// The icon file of a symbol name ("" when the name is unknown).
QString fileFor(const QString& name);

// The symbol in one colour at size x size device pixels; a null image when unknown.
QImage image(const QString& name, int size, const QColor& color);
QIcon icon(const QString& name, int size, const QColor& color);

} // namespace Symbols

} // namespace tw
