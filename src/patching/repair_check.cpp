#include "patching/repair_check.h"

#include "patching/check_code.h"
#include "patching/current_checks.h"
#include "patching/format_size.h"
#include "patching/patch_paths.h"
#include "patching/patch_texts.h"
#include "patching/signed_files.h"
#include "support/support_notes.h"

namespace patching {

namespace {

std::string signedDamage(platform::Files& files, const PatchEntry& e) {
  int64_t size = 0;
  // The size is the cheap refusal; without one the digest alone decides.
  if (!e.size.empty() && files.fileSize(e.localPath, size) && size != parseSizeText(e.size))
    return "its size " + std::to_string(size) + " differs from the signed size " + support::manifestText(e.size);
  std::string hex;
  if (!fileSha256Hex(files, e.localPath, hex)) return "the file cannot be read";
  return hex == e.sha256 ? std::string() : "its sha256 differs from the signed one";
}

std::string codeDamage(platform::Files& files, const PatchEntry& e, const char* what) {
  std::string code;
  if (!computeCheckCode(files, e.localPath, e.CheckCode, code)) return "the file cannot be read";
  // Only an upper-case code of 16 or 32 hexadecimal digits can be equalled, as at start.
  if (isMatchableCode(e.CheckCode) && code == e.CheckCode) return {};
  return std::string("its ") + what + " differs from CheckCode " + support::manifestText(e.CheckCode);
}

}  // namespace

RepairCheck strongestCheck(const state::AppState& app, const PatchEntry& entry) {
  if (hasSignedDigest(app, entry)) return RepairCheck::kSigned;
  return entry.CheckCode.size() == kMd5Length ? RepairCheck::kMd5 : RepairCheck::kHeader;
}

RepairFinding checkForRepair(state::AppState& app, const PatchEntry& entry) {
  auto& files = app.platform.files;
  RepairFinding f{strongestCheck(app, entry), {}};
  // A location installation would refuse is never opened (it could be a device that never
  // ends); the install that follows refuses it with its message.
  if (!isSafePatchLocation(entry))
    f.damage = "unsafe location";
  else if (!files.exists(entry.localPath))
    f.damage = "file missing";
  else if (f.check == RepairCheck::kSigned)
    f.damage = signedDamage(files, entry);
  else
    f.damage = codeDamage(files, entry, f.check == RepairCheck::kMd5 ? "MD5" : "header code");
  return f;
}

std::vector<RepairFinding> checkAllForRepair(state::AppState& app, const std::vector<PatchEntry>& entries,
                                             unsigned threads) {
  // Each finding is its own element, written by one thread only.
  std::vector<RepairFinding> findings(entries.size());
  forEachInParallel(entries.size(), threads, [&](size_t i) { findings[i] = checkForRepair(app, entries[i]); });
  return findings;
}

std::string repairResultText(const RepairTally& tally) {
  std::string text = std::string(texts::kRepairChecked) + std::to_string(tally.checked) + texts::kRepairFilesRepaired +
                     std::to_string(tally.repaired) + texts::kRepairCountWord;
  if (tally.headerOnly > 0)
    text += texts::kRepairOfThem + std::to_string(tally.headerOnly) + texts::kRepairHeaderOnly;
  return text;
}

std::string repairLogText(const RepairTally& tally) {
  return "repair finished: " + std::to_string(tally.checked) + " checked, " + std::to_string(tally.repaired) +
         " repaired, " + std::to_string(tally.headerOnly) + " by header only";
}

}  // namespace patching
