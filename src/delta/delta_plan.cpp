#include "delta/delta_plan.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace delta {

namespace {

struct Place {
  int source = -1;
  uint64_t offset = 0;
};

struct HashKey {
  size_t operator()(const ChunkHash& h) const {
    size_t v;
    std::memcpy(&v, h.data(), sizeof v);
    return v;
  }
};

using PlaceMap = std::unordered_map<ChunkHash, std::pair<uint32_t, Place>, HashKey>;

PlaceMap placesOf(const std::vector<std::vector<LocalChunk>>& local) {
  PlaceMap places;
  for (int s = 0; s < static_cast<int>(local.size()); ++s)
    for (const LocalChunk& c : local[static_cast<size_t>(s)])
      places.try_emplace(c.hash, c.length, Place{s, c.offset});
  return places;
}

// Runs of consecutive chunks to fetch, as [first, end) chunk numbers.
struct Run {
  size_t first = 0, end = 0;
};

std::vector<Run> missingRuns(const std::vector<Place>& found) {
  std::vector<Run> runs;
  for (size_t i = 0; i < found.size(); ++i) {
    if (found[i].source >= 0) continue;
    if (!runs.empty() && runs.back().end == i) runs.back().end = i + 1;
    else runs.push_back({i, i + 1});
  }
  return runs;
}

// Joins neighbouring runs whose gap is at most `gap` bytes, and then the closest ones until
// at most `limit` runs are left.
std::vector<Run> joinRuns(std::vector<Run> runs, const std::vector<uint64_t>& starts, uint64_t gap, size_t limit) {
  auto gapAfter = [&](size_t r) { return starts[runs[r + 1].first] - starts[runs[r].end]; };
  std::vector<bool> join(runs.size(), false);
  std::vector<size_t> order;
  for (size_t r = 0; r + 1 < runs.size(); ++r) {
    if (gapAfter(r) <= gap) join[r] = true;
    else order.push_back(r);
  }
  size_t left = runs.size() - static_cast<size_t>(std::count(join.begin(), join.end(), true));
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return gapAfter(a) < gapAfter(b); });
  for (size_t k = 0; k < order.size() && left > limit; ++k, --left) join[order[k]] = true;
  std::vector<Run> joined;
  for (size_t r = 0; r < runs.size(); ++r) {
    if (r > 0 && join[r - 1]) joined.back().end = runs[r].end;
    else joined.push_back(runs[r]);
  }
  return joined;
}

// Cuts a run into pieces of about `most` bytes, at chunk boundaries.
void appendFetches(const Run& run, const std::vector<uint64_t>& starts, uint64_t most, std::vector<FetchRange>& out) {
  size_t first = run.first;
  while (first < run.end) {
    size_t end = first + 1;
    while (end < run.end && starts[end + 1] - starts[first] <= most) ++end;
    out.push_back({starts[first], starts[end] - starts[first], first, end - first});
    first = end;
  }
}

}  // namespace

DeltaPlan planDelta(const ChunkIndex& target, const std::vector<std::vector<LocalChunk>>& local, const PlanRules& rules) {
  DeltaPlan plan;
  const auto& chunks = target.chunks;
  std::vector<uint64_t> starts(chunks.size() + 1, 0);
  for (size_t i = 0; i < chunks.size(); ++i) starts[i + 1] = starts[i] + chunks[i].length;

  PlaceMap places = placesOf(local);
  std::vector<Place> found(chunks.size());
  for (size_t i = 0; i < chunks.size(); ++i) {
    auto it = places.find(chunks[i].hash);
    if (it != places.end() && it->second.first == chunks[i].length) found[i] = it->second.second;
  }
  // Half the requests for the runs, half for cutting them: the pieces are then large enough
  // that both halves together stay within the bound.
  uint64_t limit = std::max<uint64_t>(2, target.fileSize / std::max<uint64_t>(1, rules.bytesPerRequest));
  std::vector<Run> runs = joinRuns(missingRuns(found), starts, rules.bridgeGap, limit / 2);
  uint64_t missing = 0;
  for (const Run& run : runs) {
    for (size_t i = run.first; i < run.end; ++i) found[i].source = -1;
    missing += starts[run.end] - starts[run.first];
  }
  uint64_t piece = missing / (2 * static_cast<uint64_t>(std::max(1, rules.connections)));
  piece = std::clamp(piece, rules.leastPiece, std::max(rules.leastPiece, rules.mostPiece));
  piece = std::max(piece, 2 * missing / limit);

  for (size_t i = 0; i < chunks.size(); ++i) {
    if (found[i].source < 0) continue;
    CopyStep* last = plan.copies.empty() ? nullptr : &plan.copies.back();
    if (last && last->source == found[i].source && last->to + last->length == starts[i] &&
        last->from + last->length == found[i].offset)
      last->length += chunks[i].length;
    else
      plan.copies.push_back({found[i].source, found[i].offset, starts[i], chunks[i].length});
    plan.reusedBytes += chunks[i].length;
  }
  for (const Run& run : runs) appendFetches(run, starts, piece, plan.fetches);
  plan.fetchedBytes = target.fileSize - plan.reusedBytes;
  plan.whole = plan.reusedBytes < std::max(rules.leastReuse, target.fileSize / 10);
  if (plan.whole) {
    plan.copies.clear();
    plan.fetches.clear();
    plan.reusedBytes = 0;
    plan.fetchedBytes = target.fileSize;
  }
  return plan;
}

}  // namespace delta
