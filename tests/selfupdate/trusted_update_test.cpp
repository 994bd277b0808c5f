#include <gtest/gtest.h>

#include "platform/crypto.h"
#include "self_update_fixture.h"
#include "text/byte_encodings.h"
#include "ui/component_names.h"

namespace selfupdate_test {
namespace {

const std::string kNewFile = "C:\\Game\\DownloadCache\\DLQ.exe.tmp";
const std::string kPayload = "MZ new launcher";

std::string sha256Hex(const std::string& bytes) {
  auto d = platform::sha256Of(bytes);
  return text::lowerHex({reinterpret_cast<const char*>(d->data()), d->size()});
}

// The update script of this system (update.bat or update.sh) was written.
bool scriptWritten(const SelfUpdateFixture& f) {
  return f.hasFile("C:\\Game\\update.bat") || f.hasFile("C:\\Game\\update.sh");
}

// A launcher built with a key: what the signed manifest says of the new launcher decides.
class TrustedUpdate : public ::testing::Test, public SelfUpdateFixture {
 protected:
  TrustedUpdate() { app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04}; }
  void offerDigest(const std::string& digest) {
    offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\"" + (digest.empty() ? "" : " sha256=\"" + digest + "\""));
  }
  void expectKeptRunning() {
    EXPECT_EQ(backend.messages, std::vector<std::string>{gbk("新版登录器未通过验证,继续使用当前登录器!")});
    EXPECT_FALSE(fake.system.ended());
    EXPECT_FALSE(scriptWritten(*this));
    EXPECT_FALSE(hasFile(kNewFile));
    EXPECT_TRUE(fake.starter.created.empty());
    EXPECT_EQ(fake.files.files["C:\\Game\\launcher.exe"], "old launcher");
  }
};

TEST_F(TrustedUpdate, AMatchingLauncherIsInstalled) {
  offerDigest(sha256Hex(kPayload));
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(3, kPayload)));
  EXPECT_EQ(backend.messages.size(), 1u);
  EXPECT_TRUE(scriptWritten(*this));
  EXPECT_EQ(fake.system.endCodes, std::vector<int>{0});
}

TEST_F(TrustedUpdate, ASwappedPayloadIsDeletedAndTheCurrentLauncherGoesOn) {
  offerDigest(sha256Hex("MZ the real launcher"));
  EXPECT_TRUE(startup::selfUpdate(app, downloadAnswering(3, kPayload)));
  EXPECT_EQ(downloads.size(), 1u);
  expectKeptRunning();
}

TEST_F(TrustedUpdate, WithoutADigestNothingIsFetchedWhenSignaturesAreRequired) {
  fake.files.files[kNewFile] = "half of an earlier download";
  offerDigest("");
  EXPECT_TRUE(startup::selfUpdate(app, downloadAnswering(3, kPayload)));
  EXPECT_TRUE(downloads.empty());
  // What the folder held before stays as it was.
  EXPECT_EQ(fake.files.files[kNewFile], "half of an earlier download");
  fake.files.files.erase(kNewFile);
  expectKeptRunning();
}

TEST_F(TrustedUpdate, AMalformedDigestIsRefusedBeforeDownloading) {
  offerDigest(sha256Hex(kPayload).substr(2));
  EXPECT_TRUE(startup::selfUpdate(app, downloadAnswering(3, kPayload)));
  EXPECT_TRUE(downloads.empty());
  expectKeptRunning();
}

TEST_F(TrustedUpdate, NotRequiredUpdatesWithoutADigestButChecksOneThatIsGiven) {
  app.endpoints.signaturesRequiredSetting = false;
  offerDigest("");
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(3, kPayload)));
  EXPECT_TRUE(scriptWritten(*this));

  SelfUpdateFixture second;
  second.app.endpoints.trustKeys[0] = platform::P256PublicKey{0x04};
  second.app.endpoints.signaturesRequiredSetting = false;
  second.offer("url=\"http://127.0.0.1/DLQ.exe\" ver=\"0.0.2\" sha256=\"" + sha256Hex("other") + "\"");
  EXPECT_TRUE(startup::selfUpdate(second.app, second.downloadAnswering(3, kPayload)));
  EXPECT_FALSE(scriptWritten(second));
}

TEST_F(TrustedUpdate, WithoutKeysTheDigestIsNotLookedAt) {
  app.endpoints.trustKeys = {};
  offerDigest(sha256Hex("something else"));
  EXPECT_FALSE(startup::selfUpdate(app, downloadAnswering(3, kPayload)));
  EXPECT_TRUE(scriptWritten(*this));
}

}  // namespace
}  // namespace selfupdate_test
