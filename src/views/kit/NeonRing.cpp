#include "views/kit/NeonRing.h"

#include <algorithm>
#include <cmath>

namespace tw::neonring {

namespace {

// atan2 in degrees, 0..360, clockwise on screen (y grows downwards); within
// a hundredth of a degree, well under one angle bucket.
double clockwiseDegrees(double y, double x)
{
    const double ax = std::abs(x), ay = std::abs(y);
    const double hi = std::max(ax, ay);
    if (hi == 0)
        return 0;
    const double a = std::min(ax, ay) / hi;
    const double s = a * a;
    double r = ((-0.0464964749 * s + 0.15931422) * s - 0.327622764) * s * a + a;
    if (ay > ax)
        r = M_PI_2 - r;
    if (x < 0)
        r = M_PI - r;
    if (y < 0)
        r = 2 * M_PI - r;
    return r * 180.0 / M_PI;
}

constexpr int kProfileSteps = 8;  // glow samples per pixel of distance

// The glow across its width: a stroke of width gw blurred with sigma is the
// difference of two error functions; sampled by distance from its middle.
std::vector<double> glowProfile(double gw, double sigma)
{
    std::vector<double> profile(size_t(std::ceil((gw / 2 + 3 * sigma + 2) * kProfileSteps)) + 1);
    const double k = 1.0 / (sigma * M_SQRT2);
    for (size_t i = 0; i < profile.size(); ++i) {
        const double d = double(i) / kProfileSteps;
        profile[i] = 0.7 * 0.5 * (std::erf((d + gw / 2) * k) - std::erf((d - gw / 2) * k));
    }
    return profile;
}

} // namespace

std::vector<Covered> rasterise(const Geometry& g)
{
    std::vector<Covered> covered;
    if (g.device.isEmpty() || g.shape.isEmpty())
        return covered;
    const double dpr = g.dpr;
    const double lw = g.lineWidth * dpr;
    const double gw = (g.lineWidth + 3) * dpr;
    const double sigma = 2.5 * dpr;
    const double halfW = g.shape.width() * dpr / 2;
    const double halfH = g.shape.height() * dpr / 2;
    const double r = std::min({double(g.cornerRadius) * dpr, halfW, halfH});
    const double cx = g.shape.center().x() * dpr;
    const double cy = g.shape.center().y() * dpr;
    // Pixels deeper inside than the glow reaches, or further out than its blur, are never covered.
    const double inward = gw + 2 * sigma + 1;
    const double outward = 2 * sigma + 1;
    const std::vector<double> profile = glowProfile(gw, sigma);
    const double opacity = std::clamp(double(g.opacity), 0.0, 1.0);
    auto visit = [&](int x, int y) {
        // The signed distance to the rounded rectangle's edge (negative inside).
        const double px = x + 0.5 - cx, py = y + 0.5 - cy;
        const double qx = std::abs(px) - (halfW - r), qy = std::abs(py) - (halfH - r);
        const double ox = std::max(qx, 0.0), oy = std::max(qy, 0.0);
        const double sd = std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0) - r;
        const double line = std::clamp(lw / 2 + 0.5 - std::abs(sd + lw / 2), 0.0, 1.0);
        const double dg = std::abs(sd + gw / 2) * kProfileSteps;
        const double glow = dg < double(profile.size() - 1) ? profile[size_t(dg)] : 0.0;
        const int cov = int((line + glow * (1 - line)) * 255 + 0.5);
        if (cov < 20)  // the glow's far tail: at a border's usual opacity (about half) under 4/255
            return;
        covered.push_back({x, y, std::uint16_t(int(clockwiseDegrees(py, px) / 360.0 * angleBuckets) % angleBuckets),
                           std::uint8_t(std::min(255.0, std::min(cov, 255) * opacity))});
    };
    const int x0 = int(std::floor(cx - halfW - outward)), x1 = int(std::ceil(cx + halfW + outward));
    const int y0 = int(std::floor(cy - halfH - outward)), y1 = int(std::ceil(cy + halfH + outward));
    const double innerLeft = cx - halfW + inward, innerRight = cx + halfW - inward;
    const double innerTop = cy - halfH + inward, innerBottom = cy + halfH - inward;
    for (int y = std::max(0, y0); y < std::min(g.device.height(), y1); ++y) {
        const bool edgeRow = y + 0.5 < innerTop || y + 0.5 > innerBottom;
        for (int x = std::max(0, x0); x < std::min(g.device.width(), x1); ++x) {
            if (!edgeRow && x + 0.5 > innerLeft && x + 0.5 < innerRight) {
                x = int(std::floor(innerRight));  // skip the middle of the row
                continue;
            }
            visit(x, y);
        }
    }
    return covered;
}

QRegion band(const std::vector<Covered>& covered, const Geometry& g, int margin)
{
    if (covered.empty())
        return {};
    QRect reach;
    int depth = 0;  // how far the ring reaches into the shape at the top middle, in points
    for (const Covered& c : covered) {
        reach |= QRect(int(c.x / g.dpr), int(c.y / g.dpr), 1, 1);
        if (c.x == g.device.width() / 2 && c.y < g.device.height() / 2)
            depth = std::max(depth, int(std::ceil((c.y + 1) / g.dpr)));
    }
    const int t = std::max(0, depth - reach.top()) + 1;
    const int c = int(std::ceil(g.cornerRadius)) + margin + t - reach.top();
    QRegion region(reach);
    region -= QRegion(reach.adjusted(t, t, -t, -t));
    region += QRegion(QRect(reach.left(), reach.top(), c, c));
    region += QRegion(QRect(reach.right() - c + 1, reach.top(), c, c));
    region += QRegion(QRect(reach.left(), reach.bottom() - c + 1, c, c));
    region += QRegion(QRect(reach.right() - c + 1, reach.bottom() - c + 1, c, c));
    return region;
}

std::vector<Piece> pieces(const QRegion& band, const Geometry& g, std::size_t& framePixels)
{
    std::vector<Piece> out;
    framePixels = 0;
    const QRect deviceBounds(QPoint(0, 0), g.device);
    for (const QRect& lr : band) {
        const QRect dr = QRect(QPoint(int(std::floor(lr.left() * g.dpr)), int(std::floor(lr.top() * g.dpr))),
                               QPoint(int(std::ceil((lr.right() + 1) * g.dpr)) - 1,
                                      int(std::ceil((lr.bottom() + 1) * g.dpr)) - 1))
                             & deviceBounds;
        if (dr.isEmpty())
            continue;
        out.push_back({lr, dr, int(framePixels)});
        framePixels += std::size_t(dr.width()) * std::size_t(dr.height());
    }
    return out;
}

Packed pack(const std::vector<Covered>& covered, const std::vector<Piece>& pieces)
{
    Packed packed;
    packed.info.reserve(covered.size());
    for (const Covered& cv : covered) {
        for (const Piece& piece : pieces) {
            if (!piece.device.contains(cv.x, cv.y))
                continue;
            const auto offset = std::uint32_t(piece.offset + (cv.y - piece.device.top()) * piece.device.width()
                                              + (cv.x - piece.device.left()));
            Run* last = packed.runs.empty() ? nullptr : &packed.runs.back();
            if (last && last->offset + last->length == offset)
                ++last->length;
            else
                packed.runs.push_back({offset, std::uint32_t(packed.info.size()), 1});
            packed.info.push_back(std::uint32_t(cv.angle) | std::uint32_t(cv.coverage) << 16);
        }
    }
    return packed;
}

} // namespace tw::neonring
