#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "patching/time_left.h"
#include "patching/time_left_text.h"
#include "patching_fixture.h"

namespace patching {
namespace {

using patching_test::gbk;

// A download of a little over three minutes at about 200 KB/s, per second: the speed wanders
// by up to a fifth either way, the connection stalls for 8 s at 50 s, and 5 s of three times
// the speed arrive at 100 s.
std::vector<int64_t> recordedTrace() {
  const double wander[] = {0.92, 1.13, 0.84, 1.07, 1.18, 0.96, 0.81, 1.02, 1.11, 0.88, 1.04, 0.95, 1.19};
  std::vector<int64_t> perSecond;
  for (int second = 0; second < 190; ++second) {
    double bytes = 200000 * wander[second % std::size(wander)];
    if (second >= 50 && second < 58) bytes = 0;
    if (second >= 100 && second < 105) bytes = 600000;
    perSecond.push_back(static_cast<int64_t>(bytes));
  }
  return perSecond;
}

struct Shown {
  int second;
  int64_t shown;
  int64_t truth;
};

// Feeds the trace second by second; what was shown after each, with the true time left.
std::vector<Shown> replay(const std::vector<int64_t>& perSecond) {
  int64_t remaining = 0;
  for (int64_t b : perSecond) remaining += b;
  TimeLeftEstimator estimator;
  std::vector<Shown> out;
  for (size_t i = 0; i < perSecond.size(); ++i) {
    estimator.addSample(1000, perSecond[i]);
    remaining -= perSecond[i];
    int64_t truth = static_cast<int64_t>(perSecond.size() - i - 1);
    out.push_back({static_cast<int>(i + 1), estimator.update(remaining), truth});
  }
  return out;
}

TEST(TimeLeft, FollowsARecordedTraceWithAStallAndABurst) {
  std::vector<Shown> shown = replay(recordedTrace());
  int checked = 0;
  for (const Shown& s : shown) {
    if (s.second < 10 || s.truth == 0) continue;
    // A fifth either way; in the last seconds the 5-second rounding unit sets the bound.
    double allowed = std::max(0.2 * static_cast<double>(s.truth), 5.0);
    EXPECT_LE(std::abs(static_cast<double>(s.shown - s.truth)), allowed)
        << "at " << s.second << " s: shown " << s.shown << " s, truly " << s.truth << " s";
    ++checked;
  }
  EXPECT_GT(checked, 170);
}

TEST(TimeLeft, NeverRisesByMoreThanOneUnitBetweenRefreshes) {
  std::vector<int64_t> trace = recordedTrace();
  // A second, long stall and the speed halving for good afterwards: the estimate must climb,
  // step by step.
  for (int i = 0; i < 30; ++i) trace.insert(trace.begin() + 140, 0);
  for (size_t i = 170; i < trace.size(); ++i) trace[i] /= 2;
  std::vector<Shown> shown = replay(trace);
  int rises = 0;
  for (size_t i = 1; i < shown.size(); ++i) {
    int64_t before = shown[i - 1].shown, after = shown[i].shown;
    if (before == 0 || after <= before) continue;
    ++rises;
    EXPECT_LE(after - before, timeLeftUnit(before)) << "at " << shown[i].second << " s: " << before << " -> " << after;
  }
  EXPECT_GT(rises, 3);  // the stall and the slower speed did raise it
}

TEST(TimeLeft, ShownOnlyOnceSettled) {
  TimeLeftEstimator estimator;
  for (int i = 1; i < TimeLeftEstimator::kSettleSamples; ++i) {
    estimator.addSample(1000, 100000);
    EXPECT_EQ(estimator.update(5000000), 0) << "after " << i << " samples";
  }
  estimator.addSample(1000, 100000);
  EXPECT_EQ(estimator.update(5000000), 50);
  EXPECT_EQ(estimator.update(0), 0);  // nothing left: nothing shown
}

TEST(TimeLeft, ALateTickCoversALongerPeriod) {
  TimeLeftEstimator estimator;
  for (int i = 0; i < 6; ++i) estimator.addSample(1000, 100000);
  estimator.addSample(2500, 250000);  // the window thread was busy
  estimator.addSample(0, 999999);     // no time passed: no figure
  EXPECT_DOUBLE_EQ(estimator.speed(), 100000);
}

TEST(TimeLeft, AStallLongerThanTheHoldCounts) {
  TimeLeftEstimator estimator;
  for (int i = 0; i < 10; ++i) estimator.addSample(1000, 100000);
  for (int i = 0; i < 9; ++i) estimator.addSample(1000, 0);
  EXPECT_DOUBLE_EQ(estimator.speed(), 100000);  // a short stall is held out
  for (int i = 0; i < 15; ++i) estimator.addSample(1000, 0);
  EXPECT_LT(estimator.speed(), 50000);
}

TEST(TimeLeftRounding, UnitsByRange) {
  EXPECT_EQ(roundTimeLeft(0), 5);
  EXPECT_EQ(roundTimeLeft(3), 5);
  EXPECT_EQ(roundTimeLeft(44), 45);
  EXPECT_EQ(roundTimeLeft(58), 60);
  EXPECT_EQ(roundTimeLeft(125), 130);
  EXPECT_EQ(roundTimeLeft(184), 180);
  EXPECT_EQ(roundTimeLeft(194), 180);
  EXPECT_EQ(roundTimeLeft(196), 210);
  EXPECT_EQ(roundTimeLeft(3599), 3600);
  EXPECT_EQ(roundTimeLeft(4790), 4800);
  EXPECT_EQ(roundTimeLeft(50000), 50400);
  EXPECT_EQ(roundTimeLeft(int64_t{1} << 40), kLongestTimeLeft);
  // Each unit ends on the next range's grid.
  for (int64_t s = 5; s < kLongestTimeLeft; s += timeLeftUnit(s)) {
    int64_t next = s + timeLeftUnit(s);
    ASSERT_EQ(next % timeLeftUnit(next), 0) << s;
  }
}

TEST(TimeLeftText, PlainWordsForPlayersAndTheLog) {
  EXPECT_EQ(timeLeftText(45), gbk("剩余约45秒"));
  EXPECT_EQ(timeLeftText(150), gbk("剩余约2分30秒"));
  EXPECT_EQ(timeLeftText(180), gbk("剩余约3分钟"));
  EXPECT_EQ(timeLeftText(1500), gbk("剩余约25分钟"));
  EXPECT_EQ(timeLeftText(4800), gbk("剩余约1小时20分钟"));
  EXPECT_EQ(timeLeftText(43200), gbk("剩余约12小时"));
  EXPECT_EQ(timeLeftText(0), "");
  EXPECT_EQ(timeLeftLogText(45), "about 45 s left");
  EXPECT_EQ(timeLeftLogText(150), "about 2 min 30 s left");
  EXPECT_EQ(timeLeftLogText(4800), "about 1 h 20 min left");
  EXPECT_EQ(timeLeftLogText(0), "");
}

}  // namespace
}  // namespace patching
