#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/crypto.h"
#include "text/byte_encodings.h"
#include "vector_file.h"
#include "test_locations.h"

namespace {

std::string hexOf(const std::optional<platform::Sha256Digest>& d) {
  return d ? text::lowerHex({reinterpret_cast<const char*>(d->data()), d->size()}) : "(none)";
}

TEST(Crypto, SharedVectorsHold) {
  std::ifstream in(std::string(LAUNCHER_SOURCE_DIR) + "/tests/platform/crypto_vectors.txt", std::ios::binary);
  ASSERT_TRUE(in);
  std::ostringstream s;
  s << in.rdbuf();
  std::vector<std::string> failures;
  int run = cryptocheck::runVectors(s.str(), failures);
  EXPECT_GE(run, 18);
  for (const auto& f : failures) ADD_FAILURE() << f;
}

TEST(Crypto, VectorReaderReportsWrongExpectations) {
  std::vector<std::string> failures;
  cryptocheck::runVectors("sha256 616263 00\nsha256 zz 00\nmd5 - 00\n", failures);
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_NE(failures[0].find("line 1: digest ba7816bf"), std::string::npos);
  EXPECT_NE(failures[1].find("malformed"), std::string::npos);
  EXPECT_NE(failures[2].find("unknown kind"), std::string::npos);
}

TEST(Crypto, StreamedDigestEqualsOneShotWhateverThePieces) {
  std::string data;
  for (int i = 0; i < 200000; ++i) data += static_cast<char>(i * 7 + i / 256);
  std::string whole = hexOf(platform::sha256Of(data));
  for (size_t piece : {1u, 63u, 64u, 65u, 4096u, 199999u}) {
    platform::Sha256 hash;
    for (size_t at = 0; at < data.size(); at += piece) hash.update(data.substr(at, piece));
    hash.update(nullptr, 0);
    EXPECT_EQ(hexOf(hash.finish()), whole) << "pieces of " << piece;
  }
}

TEST(Crypto, DigestIsGivenOnce) {
  platform::Sha256 hash;
  hash.update("abc");
  EXPECT_EQ(hexOf(hash.finish()), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_FALSE(hash.finish().has_value());
}

TEST(ByteEncodings, HexBothWays) {
  EXPECT_EQ(text::lowerHex(std::string("\x00\xff\x1a", 3)), "00ff1a");
  EXPECT_EQ(text::fromHex("00FFa1"), std::string("\x00\xff\xa1", 3));
  EXPECT_FALSE(text::fromHex("abc").has_value());
  EXPECT_FALSE(text::fromHex("0g").has_value());
}

TEST(ByteEncodings, Base64RoundTripsAndRefusesLooseSpellings) {
  std::string all;
  for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
  for (size_t n = 0; n < 7; ++n) EXPECT_EQ(text::fromBase64(text::toBase64(all.substr(0, n))), all.substr(0, n));
  EXPECT_EQ(text::fromBase64(text::toBase64(all)), all);
  EXPECT_EQ(text::toBase64("foobar"), "Zm9vYmFy");
  EXPECT_EQ(text::toBase64("fo"), "Zm8=");
  EXPECT_EQ(text::fromBase64("Zg=="), "f");
  for (const char* bad : {"Zg=", "Zg", "Z===", "Zg=a", "Zh==", "Zm9=", "Zm9v!A==", "Zg==Zg==", "Zm 9"})
    EXPECT_FALSE(text::fromBase64(bad).has_value()) << bad;
}

}  // namespace
