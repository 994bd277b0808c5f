#include <gtest/gtest.h>

#include <limits>

#include "patching/format_size.h"
#include "patching_fixture.h"

namespace patching {
namespace {

TEST(FormatSize, UnitsAndBoundaries) {
  EXPECT_EQ(formatSize(0), "0B");
  EXPECT_EQ(formatSize(1023), "1023B");
  EXPECT_EQ(formatSize(1024), "1.00KB");
  EXPECT_EQ(formatSize(1536), "1.50KB");
  EXPECT_EQ(formatSize(1048575), "1024.00KB");
  EXPECT_EQ(formatSize(1048576), "1.00MB");
  EXPECT_EQ(formatSize(1073741823), "1024.00MB");
  EXPECT_EQ(formatSize(1073741824), "1.00G");
  EXPECT_EQ(formatSize(-5), "-5B");
  EXPECT_EQ(formatSize(std::numeric_limits<int64_t>::min()), "-9223372036854775808B");
}

TEST(FormatSize, RoundsHalfAwayFromZeroToTwoPlaces) {
  EXPECT_EQ(formatSize(1029), "1.00KB");                     // 1.00488...
  EXPECT_EQ(formatSize(1030), "1.01KB");                     // 1.00585...
  EXPECT_EQ(formatSize(1034), "1.01KB");                     // 1.00976...
  EXPECT_EQ(formatSize(1035), "1.01KB");                     // 1.01074...
  EXPECT_EQ(formatSize(1536 + 10), "1.51KB");                // 1.50976...
  EXPECT_EQ(formatSize(2047), "2.00KB");                     // 1.99902...: carries into the units
  EXPECT_EQ(formatSize(10 * 1024 + 512 + 5), "10.50KB");     // one decimal printed, one zero added
  EXPECT_EQ(formatSize(3 * 1048576 + 262144), "3.25MB");
}

TEST(FormatSize, LargeValuesStayInGigabytes) {
  EXPECT_EQ(formatSize(int64_t(2) << 40), "2048.00G");
  EXPECT_EQ(formatSize(std::numeric_limits<int64_t>::max()), "8589934592.00G");
}

TEST(ParseSizeText, SignedDecimalPrefix) {
  EXPECT_EQ(parseSizeText("1048576"), 1048576);
  EXPECT_EQ(parseSizeText("  \t+42abc"), 42);
  EXPECT_EQ(parseSizeText("-17"), -17);
  EXPECT_EQ(parseSizeText(""), 0);
  EXPECT_EQ(parseSizeText("abc"), 0);
  EXPECT_EQ(parseSizeText("- 5"), 0);
  EXPECT_EQ(parseSizeText("12 34"), 12);
}

TEST(ParseSizeText, FullWidthFormsCountAsAscii) {
  using patching_test::gbk;
  EXPECT_EQ(parseSizeText(gbk("\u3000１２３")), 123);  // full-width space and digits
  EXPECT_EQ(parseSizeText(gbk("－９")), -9);
  EXPECT_EQ(parseSizeText(gbk("１2３字4")), 123);        // any other character ends the number
}

TEST(ParseSizeText, OutOfRangeIsHeldAtTheEnds) {
  EXPECT_EQ(parseSizeText("99999999999999999999"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(parseSizeText("-99999999999999999999"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(addSizes(std::numeric_limits<int64_t>::max(), 1), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(addSizes(std::numeric_limits<int64_t>::min(), -1), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(addSizes(5, -7), -2);
}

}  // namespace
}  // namespace patching
