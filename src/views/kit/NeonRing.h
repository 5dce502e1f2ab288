#pragma once

#include <QRect>
#include <QRegion>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tw::neonring {

// The ring of a neon border worked out without a widget: which device pixels
// its line and glow cover (with their angle and coverage), the band of the
// widget that holds them, and where each of those pixels lies in a frame of
// the band's pixels.

// The angle buckets of one turn (a power of two).
constexpr int angleBuckets = 1024;

struct Geometry {
    QSize device;        // the widget's size in device pixels
    QRectF shape;        // the rounded rectangle, in points
    qreal cornerRadius;  // in points
    qreal lineWidth;     // in points
    qreal opacity;       // 0..1, made part of each pixel's coverage
    qreal dpr;
};

// One covered device pixel: its clockwise angle bucket (0 at 3 o'clock, as
// seen from the shape's centre) and its coverage (0..255).
struct Covered {
    int x, y;
    std::uint16_t angle;
    std::uint8_t coverage;
};

// The pixels the line (a stroke of lineWidth inside the edge) and its glow
// (a stroke of lineWidth + 3 inside it, blurred with sigma 2.5, at 0.7)
// cover, row by row; the faintest tail of the glow is left out.
std::vector<Covered> rasterise(const Geometry& g);

// The band, in points: what the covered pixels reach along the edges, and
// the squares of the four corners.
QRegion band(const std::vector<Covered>& covered, const Geometry& g, int margin);

// One rectangle of the band, in points and in device pixels, and where its
// pixels start in a band frame (the pieces' pixels laid end to end).
struct Piece {
    QRect logical;
    QRect device;
    int offset = 0;
};
std::vector<Piece> pieces(const QRegion& band, const Geometry& g, std::size_t& framePixels);

// Ring pixels lying side by side in a band frame: where they start there
// and where they start in the ring's arrays.
struct Run {
    std::uint32_t offset;
    std::uint32_t first;
    std::uint32_t length;
};
// The covered pixels in frame order: their runs, and for each pixel its
// angle | coverage << 16. A pixel that pieces share (at fractional pixel
// ratios) is listed for each; one outside every piece is left out.
struct Packed {
    std::vector<Run> runs;
    std::vector<std::uint32_t> info;
};
Packed pack(const std::vector<Covered>& covered, const std::vector<Piece>& pieces);

} // namespace tw::neonring
