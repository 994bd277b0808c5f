#pragma once
#include <string>
#include <vector>

#include "patching/patch_entry.h"
#include "state/app_state.h"

namespace patching {

// The strongest check an entry's file can be given: its signed sha256 (trust keys configured
// and the entry has one), else the MD5 of a 32-character CheckCode, else the header code.
enum class RepairCheck { kSigned, kMd5, kHeader };

RepairCheck strongestCheck(const state::AppState& app, const PatchEntry& entry);

// The answer for one entry: the check it was given and, for a file that failed it, why (plain
// text for the support log). Every byte of the file is read for a digest: nothing remembered
// from an earlier check is trusted, since a damaged file may keep its size and time.
struct RepairFinding {
  RepairCheck check = RepairCheck::kHeader;
  std::string damage;  // empty: the file is whole
  bool whole() const { return damage.empty(); }
};

RepairFinding checkForRepair(state::AppState& app, const PatchEntry& entry);

// The findings for `entries`, in their order, the files read on `threads` threads.
std::vector<RepairFinding> checkAllForRepair(state::AppState& app, const std::vector<PatchEntry>& entries,
                                             unsigned threads);

// What a repair did: entries checked, files downloaded and installed again, and files judged
// whole by their header code alone (a damaged body cannot be seen that way).
struct RepairTally {
  int checked = 0;
  int repaired = 0;
  int headerOnly = 0;
};

// The status line: "检查完毕: 共检查N个文件, 修复M个", with ", 其中K个文件只检查了文件头" when K > 0.
std::string repairResultText(const RepairTally& tally);
// "repair finished: N checked, M repaired, K by header only" for the support log.
std::string repairLogText(const RepairTally& tally);

}  // namespace patching
