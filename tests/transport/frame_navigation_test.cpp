// Where the transport's frame steps land and which neighbour flags they report,
// on key-frame patterns with dropped frames at the start, at the end, in runs,
// none and all.
#include "graph/frame_navigation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A file described by a pattern: 'K' a key frame, '.' a dropped (non-key) frame.
struct Recording {
  explicit Recording(const std::string& pattern) {
    for (char c : pattern) flags.push_back(c == 'K' ? 1u : 0u);
  }
  FrameFlags Frames() const { return {flags.data(), flags.size(), static_cast<int64_t>(flags.size())}; }
  std::vector<uint32_t> flags;
};

// Applies a step repeatedly from a start until it stops moving; the positions
// visited, the start left out.
std::vector<int64_t> Walk(const FrameFlags& frames, FrameStep step, int64_t from) {
  std::vector<int64_t> visited;
  for (int guard = 0; guard < 1000; ++guard) {
    const int64_t next = FindStepTarget(frames, step, from);
    if (next == from) break;
    visited.push_back(next);
    from = next;
  }
  return visited;
}

struct Neighbours {
  uint32_t after = 0, before = 0;
};

Neighbours NeighboursOf(const FrameFlags& frames, int64_t p) {
  Neighbours n;
  FindNonKeyNeighbours(frames, p, &n.after, &n.before);
  return n;
}

using Positions = std::vector<int64_t>;

TEST(DroppedFrameJumps, VisitEveryDroppedFrameInOrderThenStopAtTheEnds) {
  //                 0123456789012
  const Recording r("KK..KKK.KK...");
  EXPECT_EQ(Walk(r.Frames(), FrameStep::NextNonKey, 0), (Positions{2, 3, 7, 10, 11, 12, 13}));
  EXPECT_EQ(Walk(r.Frames(), FrameStep::PreviousNonKey, 13), (Positions{12, 11, 10, 7, 3, 2, 0}));
}

TEST(DroppedFrameJumps, DropsAtTheStartAreReachedButFrameZeroIsAlwaysTheLastStop) {
  //                 01234567
  const Recording r("...KK.KK");
  EXPECT_EQ(Walk(r.Frames(), FrameStep::NextNonKey, 0), (Positions{1, 2, 5, 8}));
  EXPECT_EQ(Walk(r.Frames(), FrameStep::PreviousNonKey, 8), (Positions{5, 2, 1, 0}));
  // Frame 0 is never a jump target in its own right: from 1 the jump lands on 0
  // because nothing lies between, whatever frame 0's flag.
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousNonKey, 1), 0);
}

TEST(DroppedFrameJumps, DropsRightAtTheEndLeadToTheEndPosition) {
  //                 012345
  const Recording r("KKKK..");
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextNonKey, 0), 4);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextNonKey, 4), 5);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextNonKey, 5), 6);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousNonKey, 6), 5);
}

TEST(DroppedFrameJumps, AFileWithoutDropsJumpsStraightToTheEndAndTheStart) {
  const Recording r("KKKKKKKKKK");
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextNonKey, 0), 10);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextNonKey, 4), 10);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousNonKey, 9), 0);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousNonKey, 10), 0);
}

TEST(DroppedFrameJumps, AnEverywhereDroppedFileVisitsEachFrame) {
  const Recording r("......");
  EXPECT_EQ(Walk(r.Frames(), FrameStep::NextNonKey, 0), (Positions{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(Walk(r.Frames(), FrameStep::PreviousNonKey, 6), (Positions{5, 4, 3, 2, 1, 0}));
}

TEST(KeyFrameSteps, VisitEveryKeyFrameAndSkipRunsOfDrops) {
  //                 0123456789012
  const Recording r("KK..KKK.KK...");
  EXPECT_EQ(Walk(r.Frames(), FrameStep::NextKey, 0), (Positions{1, 4, 5, 6, 8, 9, 13}));
  EXPECT_EQ(Walk(r.Frames(), FrameStep::PreviousKey, 13), (Positions{9, 8, 6, 5, 4, 1, 0}));
}

TEST(KeyFrameSteps, FromADroppedFrameGoToTheNearestKeyFrameEachWay) {
  //                 0123456789
  const Recording r("KK...KK..K");
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextKey, 3), 5);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousKey, 3), 1);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextKey, 8), 9);
}

TEST(KeyFrameSteps, BackFromFrameOneLandsOnZeroEvenWhenFrameZeroWasDropped) {
  const Recording r(".KKK");
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousKey, 1), 0);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousKey, 3), 2);
  EXPECT_EQ(Walk(r.Frames(), FrameStep::PreviousKey, 3), (Positions{2, 1, 0}));
}

TEST(KeyFrameSteps, LastFrameStepsToTheEndAndTheEndsDoNotMove) {
  const Recording r("KKKKK");
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextKey, 4), 5);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextKey, 5), 5);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousKey, 0), 0);
  EXPECT_EQ(Walk(r.Frames(), FrameStep::NextKey, 0), (Positions{1, 2, 3, 4, 5}));
}

TEST(KeyFrameSteps, AllDroppedButTheFirstStepsFromStartToEndAndBack) {
  const Recording r("K.....");
  EXPECT_EQ(Walk(r.Frames(), FrameStep::NextKey, 0), (Positions{6}));
  EXPECT_EQ(Walk(r.Frames(), FrameStep::PreviousKey, 6), (Positions{0}));
}

TEST(StepBounds, PositionsOutsideTheFileNeverReadOutsideTheFlags) {
  // Run under AddressSanitizer: a read past the vector would fail the test.
  const Recording r("K.K.");
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextKey, 9), 9);      // past the end: stays
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousKey, 9), 2);  // only real frames count
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousNonKey, 9), 3);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousKey, -3), -3);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextNonKey, -3), 1);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::NextKey, INT64_MAX), INT64_MAX);
  EXPECT_EQ(FindStepTarget(r.Frames(), FrameStep::PreviousKey, INT64_MIN), INT64_MIN);
}

TEST(StepBounds, FlagsShorterThanTheFileCountTheMissingFramesAsKeyFrames) {
  const std::vector<uint32_t> flags{1, 0, 1};
  const FrameFlags frames{flags.data(), flags.size(), 8};
  EXPECT_EQ(Walk(frames, FrameStep::NextNonKey, 0), (Positions{1, 8}));
  EXPECT_EQ(FindStepTarget(frames, FrameStep::PreviousKey, 8), 7);
  const FrameFlags none{nullptr, 0, 8};
  EXPECT_EQ(FindStepTarget(none, FrameStep::NextNonKey, 0), 8);
  EXPECT_EQ(NeighboursOf(none, 4).after + NeighboursOf(none, 4).before, 0u);
}

TEST(StepBounds, AnEmptyFileKeepsEveryStepAtZero) {
  const FrameFlags empty{nullptr, 0, 0};
  EXPECT_EQ(FindStepTarget(empty, FrameStep::NextKey, 0), 0);
  EXPECT_EQ(FindStepTarget(empty, FrameStep::NextNonKey, 0), 0);
  EXPECT_EQ(FindStepTarget(empty, FrameStep::PreviousKey, 0), 0);
  EXPECT_EQ(FindStepTarget(empty, FrameStep::PreviousNonKey, 0), 0);
}

TEST(NonKeyNeighbours, ReportDropsOnEachSideOfAPosition) {
  //                 0123456789
  const Recording r("K..KKKK.KK");
  const Neighbours atStart = NeighboursOf(r.Frames(), 0);
  EXPECT_EQ(atStart.after, 1u);
  EXPECT_EQ(atStart.before, 0u);
  const Neighbours middle = NeighboursOf(r.Frames(), 5);
  EXPECT_EQ(middle.after, 1u);
  EXPECT_EQ(middle.before, 1u);
  const Neighbours pastLastDrop = NeighboursOf(r.Frames(), 8);
  EXPECT_EQ(pastLastDrop.after, 0u);
  EXPECT_EQ(pastLastDrop.before, 1u);
  const Neighbours atEnd = NeighboursOf(r.Frames(), 10);
  EXPECT_EQ(atEnd.after, 0u);
  EXPECT_EQ(atEnd.before, 1u);
}

TEST(NonKeyNeighbours, ThePositionItselfIsNeitherSide) {
  const Recording r("KK.KK");
  const Neighbours onTheDrop = NeighboursOf(r.Frames(), 2);
  EXPECT_EQ(onTheDrop.after, 0u);
  EXPECT_EQ(onTheDrop.before, 0u);
}

TEST(NonKeyNeighbours, DropsAtFrameZeroAndAtTheLastFrameCount) {
  const Recording r(".KKK.");
  EXPECT_EQ(NeighboursOf(r.Frames(), 1).before, 1u);
  EXPECT_EQ(NeighboursOf(r.Frames(), 3).after, 1u);
  EXPECT_EQ(NeighboursOf(r.Frames(), 5).before, 1u);  // from the end position
}

TEST(NonKeyNeighbours, NoneAnywhereWithoutDropsAndBothInsideAllDropped) {
  const Recording clean("KKKKKK");
  for (int64_t p = 0; p <= 6; ++p) {
    const Neighbours n = NeighboursOf(clean.Frames(), p);
    EXPECT_EQ(n.after, 0u) << p;
    EXPECT_EQ(n.before, 0u) << p;
  }
  const Recording dropped("......");
  for (int64_t p = 1; p <= 4; ++p) {
    const Neighbours n = NeighboursOf(dropped.Frames(), p);
    EXPECT_EQ(n.after, 1u) << p;
    EXPECT_EQ(n.before, 1u) << p;
  }
}

TEST(NonKeyNeighbours, FlagsAreOnlySetNeverClearedAndNullIsNotWritten) {
  const Recording r("KKKK");
  uint32_t after = 1, before = 1;
  FindNonKeyNeighbours(r.Frames(), 2, &after, &before);
  EXPECT_EQ(after, 1u);
  EXPECT_EQ(before, 1u);
  const Recording d("K.K.K");
  uint32_t onlyAfter = 0;
  FindNonKeyNeighbours(d.Frames(), 2, &onlyAfter, nullptr);
  EXPECT_EQ(onlyAfter, 1u);
}

TEST(NonKeyNeighbours, PositionsOutsideTheFileLookOnlyAtRealFrames) {
  const Recording r("K.KK");
  const Neighbours far = NeighboursOf(r.Frames(), 1000);
  EXPECT_EQ(far.after, 0u);
  EXPECT_EQ(far.before, 1u);
  const Neighbours negative = NeighboursOf(r.Frames(), -5);
  EXPECT_EQ(negative.after, 1u);
  EXPECT_EQ(negative.before, 0u);
  const Neighbours extreme = NeighboursOf(r.Frames(), INT64_MAX);
  EXPECT_EQ(extreme.after, 0u);
  EXPECT_EQ(NeighboursOf(r.Frames(), INT64_MIN).before, 0u);
}

}  // namespace
