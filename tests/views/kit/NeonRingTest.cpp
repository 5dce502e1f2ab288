#include "views/kit/NeonRing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

using namespace tw;
using namespace tw::neonring;

namespace {

// A 236 x 136 point border (margin 8) around a 220 x 120 shape, at a pixel ratio.
Geometry geometry(qreal dpr, qreal opacity = 1.0)
{
    return {QSize(int(236 * dpr), int(136 * dpr)), QRectF(8, 8, 220, 120), 16, 1.6, opacity, dpr};
}

std::map<std::pair<int, int>, Covered> byPlace(const std::vector<Covered>& covered)
{
    std::map<std::pair<int, int>, Covered> m;
    for (const Covered& c : covered)
        m.emplace(std::pair{c.x, c.y}, c);
    return m;
}

} // namespace

TEST(NeonRing, CoverageLiesOnTheEdgeAndIsSymmetric)
{
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const Geometry g = geometry(dpr);
        const std::vector<Covered> covered = rasterise(g);
        ASSERT_FALSE(covered.empty());
        const auto at = byPlace(covered);
        const int w = g.device.width(), h = g.device.height();
        int mirrored = 0;
        for (const Covered& c : covered) {
            // Nothing in the middle of the shape, nothing outside the widget.
            ASSERT_TRUE(c.x >= 0 && c.y >= 0 && c.x < w && c.y < h);
            const bool middle = c.x > 40 * dpr && c.x < w - 40 * dpr && c.y > 40 * dpr && c.y < h - 40 * dpr;
            EXPECT_FALSE(middle) << c.x << "," << c.y;
            // The shape is symmetric about both axes, and so is the coverage.
            const auto m = at.find({w - 1 - c.x, h - 1 - c.y});
            if (m != at.end()) {
                ++mirrored;
                EXPECT_NEAR(m->second.coverage, c.coverage, 2);
            }
        }
        EXPECT_EQ(mirrored, int(covered.size()));
        // The line itself is fully covered where it runs straight.
        const auto top = at.find({w / 2, int(std::floor(8.8 * dpr))});
        ASSERT_NE(top, at.end());
        EXPECT_EQ(top->second.coverage, 255);
        // Rows are in order (a frame is written front to back).
        EXPECT_TRUE(std::is_sorted(covered.begin(), covered.end(),
                                   [](const Covered& a, const Covered& b) { return a.y < b.y; }));
    }
}

TEST(NeonRing, AnglesRunClockwiseFromThreeOClock)
{
    const Geometry g = geometry(1);
    const auto at = byPlace(rasterise(g));
    const int cy = g.device.height() / 2, cx = g.device.width() / 2;
    const int right = int(227.5), bottom = int(127.5), left = 8, top = 8;
    struct Case {
        int x, y, bucket;
    };
    // 3, 6, 9 and 12 o'clock: a quarter turn apart, clockwise on screen.
    for (const Case& c : {Case{right, cy, 0}, Case{cx, bottom, angleBuckets / 4}, Case{left, cy, angleBuckets / 2},
                          Case{cx, top, 3 * angleBuckets / 4}}) {
        const auto it = at.find({c.x, c.y});
        ASSERT_NE(it, at.end()) << c.x << "," << c.y;
        const int d = std::abs(int(it->second.angle) - c.bucket);
        EXPECT_LE(std::min(d, angleBuckets - d), 6) << c.x << "," << c.y;
    }
}

TEST(NeonRing, OpacityScalesEveryPixelsCoverage)
{
    const std::vector<Covered> full = rasterise(geometry(1, 1.0));
    const std::vector<Covered> half = rasterise(geometry(1, 0.5));
    ASSERT_EQ(full.size(), half.size());
    for (size_t i = 0; i < full.size(); ++i) {
        EXPECT_EQ(full[i].angle, half[i].angle);
        EXPECT_NEAR(half[i].coverage, full[i].coverage / 2.0, 1.0);
    }
    EXPECT_TRUE(rasterise({QSize(), QRectF(8, 8, 220, 120), 16, 1.6, 1, 1}).empty());
    EXPECT_TRUE(rasterise({QSize(236, 136), QRectF(), 16, 1.6, 1, 1}).empty());
}

TEST(NeonRing, BandHoldsEveryCoveredPixelAndPackingFindsThemAgain)
{
    for (qreal dpr : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(dpr);
        const Geometry g = geometry(dpr);
        const std::vector<Covered> covered = rasterise(g);
        const QRegion region = band(covered, g, 8);
        // The band is a frame: it holds the covered pixels, not the middle.
        for (const Covered& c : covered)
            ASSERT_TRUE(region.contains(QPoint(int(c.x / dpr), int(c.y / dpr)))) << c.x << "," << c.y;
        EXPECT_FALSE(region.contains(QPoint(118, 68)));

        size_t framePixels = 0;
        const std::vector<Piece> ps = pieces(region, g, framePixels);
        size_t sum = 0;
        for (const Piece& p : ps) {
            EXPECT_EQ(size_t(p.offset), sum);
            sum += size_t(p.device.width()) * size_t(p.device.height());
        }
        EXPECT_EQ(sum, framePixels);

        const Packed packed = pack(covered, ps);
        // Every pixel appears once per piece that holds it, and runs are contiguous.
        size_t expected = 0;
        for (const Covered& c : covered)
            for (const Piece& p : ps)
                expected += p.device.contains(c.x, c.y) ? 1 : 0;
        EXPECT_EQ(packed.info.size(), expected);
        std::uint32_t next = 0;
        std::set<std::uint32_t> offsets;
        for (const neonring::Run& r : packed.runs) {
            EXPECT_EQ(r.first, next);
            next += r.length;
            for (std::uint32_t k = 0; k < r.length; ++k) {
                EXPECT_LT(r.offset + k, framePixels);
                EXPECT_TRUE(offsets.insert(r.offset + k).second);  // no frame pixel written twice
            }
        }
        EXPECT_EQ(next, packed.info.size());
        // The first pixel keeps its angle and coverage.
        EXPECT_EQ(packed.info.front() & 0xffffu, covered.front().angle);
        EXPECT_EQ(packed.info.front() >> 16, covered.front().coverage);
    }
}
