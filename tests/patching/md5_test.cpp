#include <gtest/gtest.h>

#include <string>

#include "patching/md5.h"

namespace patching {
namespace {

std::string pattern(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 7 + 3) & 255);
  return s;
}

TEST(Md5, Rfc1321TestSuite) {
  EXPECT_EQ(md5Hex(""), "D41D8CD98F00B204E9800998ECF8427E");
  EXPECT_EQ(md5Hex("a"), "0CC175B9C0F1B6A831C399E269772661");
  EXPECT_EQ(md5Hex("abc"), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(md5Hex("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
  EXPECT_EQ(md5Hex("abcdefghijklmnopqrstuvwxyz"), "C3FCD3D76192E4007DFB496CCA67E13B");
  EXPECT_EQ(md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "D174AB98D277D9F5A5611C2C9F419D9F");
  EXPECT_EQ(md5Hex("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57EDF4A22BE3C955AC49DA2E2107B67A");
}

// Lengths around the 56-byte padding limit and the 64-byte block, where padding goes wrong.
TEST(Md5, PaddingBoundaries) {
  const std::pair<size_t, const char*> cases[] = {
      {55, "52C0E574E1198DE5FE3F8F11440DCB1B"},  {56, "46C9907FC908EE68B1E7B8E71286A518"},
      {57, "1C805DD236C35CAB25FCB1BC73802C51"},  {63, "A62F6D59E837867693F042F5B8F5A236"},
      {64, "7160B8FB5E9E4023D549C3971FBAEEAD"},  {65, "70BD662E7AEFBDA85A0F7244167B7897"},
      {127, "ACCE2474D6CC8302120D09C818D17EF7"}, {128, "10B2DA1A82F16D99A81A7203FE9F02CB"},
      {129, "03FEFBBCEBE2959CF2270241AAFE0250"},
  };
  for (auto [n, hex] : cases) EXPECT_EQ(md5Hex(pattern(n)), hex) << n << " bytes";
}

// Fed in pieces that straddle blocks in every way, the digest is that of the whole.
TEST(Md5, PiecewiseFeedingGivesTheSameDigest) {
  std::string data = pattern(1000003);
  for (size_t piece : {1u, 3u, 63u, 64u, 65u, 4096u, 65537u}) {
    Md5 md5;
    for (size_t at = 0; at < data.size(); at += piece) md5.update(data.data() + at, std::min(piece, data.size() - at));
    auto digest = md5.finish();
    EXPECT_EQ(upperHex(digest.data(), digest.size()), "1842C03D6FAEB87AEE097C047EAD698B") << "pieces of " << piece;
  }
}

TEST(Md5, UpperHexWritesEveryByteAsTwoDigits) {
  const uint8_t bytes[] = {0x00, 0x0F, 0xA0, 0xFF};
  EXPECT_EQ(upperHex(bytes, 4), "000FA0FF");
}

}  // namespace
}  // namespace patching
