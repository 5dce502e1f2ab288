#include "engine/updates/UpdateChecker.h"

#include <gtest/gtest.h>

namespace tw {
namespace {

TEST(VersionParts, KeepsDigitGroupsOfTheFirstWord)
{
    const struct {
        const char* text;
        std::vector<qint64> parts;
    } rows[] = {
        {"1.2.3", {1, 2, 3}},
        {"1.2b3", {1, 23}},                     // letters vanish, digits join
        {"v2.1", {2, 1}},
        {"1.0-beta.2", {1, 0, 2}},
        {"4_5-6", {4, 5, 6}},
        {"1.4 (build 77)", {1, 4}},             // cut before the first space
        {" \n 7.0.1 \t", {7, 0, 1}},            // trimmed first
        {"..1..2..", {1, 2}},                   // empty pieces dropped
        {"007.010", {7, 10}},
        {"99999999999999999999.3", {3}},        // beyond 64 bits: dropped
        {"9223372036854775807", {9223372036854775807LL}},
        {"beta", {}},
        {"", {}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(UpdateChecker::versionParts(QString::fromUtf8(row.text)), row.parts) << row.text;
}

TEST(VersionComparison, Table)
{
    const struct {
        const char* offered;
        const char* installed;
        bool newer;
    } rows[] = {
        {"1.10", "1.9", true},
        {"1.9", "1.10", false},
        {"2.0", "2", false},            // missing parts count as 0
        {"2", "2.0", false},
        {"1.0.1", "1.0", true},
        {"1.0", "1.0.1", false},
        {"1.0.0.0", "1", false},
        {"3.0", "3.0", false},
        {"1.2b3", "1.2.9", true},       // 1.23 against 1.2.9
        {"v2.1", "2.0.9", true},
        {"1.0-beta.2", "1.0.1", true},  // 1.0.2
        {"1.4 (build 77)", "1.4", false},
        {"1.4 (build 77)", "1.3.9", true},
        {"10.0", "9.99.99", true},
        {"2.0", "", true},
        {"", "0.0", false},
        {"abc", "xyz", false},
        {"99999999999999999999.1", "0.2", true},  // the overflowing part is gone: 1 against 0.2
    };
    for (const auto& row : rows)
        EXPECT_EQ(UpdateChecker::isVersion(QString::fromUtf8(row.offered), QString::fromUtf8(row.installed)), row.newer)
            << row.offered << " vs " << row.installed;
}

} // namespace
} // namespace tw
