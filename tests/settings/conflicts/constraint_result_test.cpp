// Constraint results: status priorities, id lists that grow from their rooms
// onto the heap, and copies whose lists are independent of the source's.
#include <gtest/gtest.h>

#include "conflict_fixture.h"
#include "platform/win/win_seams.h"

namespace {

using pk::test::Ids;
using pk::test::Related;
using pk::test::Result;
using pk::test::TypeEight;
using pk::test::TypeSeven;

TEST(ConstraintStatus, ReplacedOnlyByHigherPriority) {
  struct Row {
    WORD current, incoming, expected;
  } rows[] = {
      // A current status without priority (12) counts as 0.
      {7, 1, 7}, {4, 8, 8}, {1, 0, 1},    {1, 12, 1},   {0, 4, 4}, {0, 0, 0},  {0, 12, 0}, {6, 7, 6},
      {9, 3, 3}, {3, 9, 3}, {10, 11, 10}, {11, 10, 10}, {2, 5, 2}, {12, 4, 4}, {5, 1, 1},
  };
  for (const Row& row : rows) {
    WORD status = row.current;
    RaiseConstraintStatus(&status, row.incoming);
    EXPECT_EQ(status, row.expected) << row.current << " <- " << row.incoming;
  }
  EXPECT_EQ(ConstraintStatusPriority(6), 900);
  EXPECT_EQ(ConstraintStatusPriority(4), 200);
  EXPECT_EQ(ConstraintStatusPriority(12), 0);
  for (WORD s : {1, 6, 7, 8}) EXPECT_TRUE(IsExistingConflictStatus(s)) << s;
  for (WORD s : {0, 2, 3, 4, 5, 9, 10, 11}) EXPECT_FALSE(IsExistingConflictStatus(s)) << s;
}

TEST(ConstraintResultLists, NinthIdMovesToAHeapBlockOfThirteen) {
  const SIZE_T before = pk::seams::GlobalLiveBlocks();
  {
    Result result;
    ASSERT_NE(result.r, nullptr);
    EXPECT_EQ(result->typeSevenKeys, result->typeSevenRoom);
    EXPECT_EQ(result->relatedIds, result->relatedRoom);
    for (WORD id = 1; id <= 8; ++id)
      ASSERT_EQ(AddSettingIdToList(id, kConstraintKeyRoom, &result->typeSevenKeys, &result->typeSevenCount), 0);
    EXPECT_EQ(result->typeSevenKeys, result->typeSevenRoom);
    // Present already: nothing changes.
    EXPECT_EQ(AddSettingIdToList(3, kConstraintKeyRoom, &result->typeSevenKeys, &result->typeSevenCount), 0);
    EXPECT_EQ(result->typeSevenCount, 8);
    const SIZE_T inRoom = pk::seams::GlobalLiveBlocks();
    EXPECT_EQ(AddSettingIdToList(9, kConstraintKeyRoom, &result->typeSevenKeys, &result->typeSevenCount), 0);
    EXPECT_NE(result->typeSevenKeys, result->typeSevenRoom);
    EXPECT_EQ(GlobalSize(result->typeSevenKeys), 13 * sizeof(WORD));
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), inRoom + 1);
    // Growing again replaces the heap block: still one block.
    for (WORD id = 10; id <= 14; ++id)
      ASSERT_EQ(AddSettingIdToList(id, kConstraintKeyRoom, &result->typeSevenKeys, &result->typeSevenCount), 0);
    EXPECT_EQ(GlobalSize(result->typeSevenKeys), 18 * sizeof(WORD));
    EXPECT_EQ(pk::seams::GlobalLiveBlocks(), inRoom + 1);
    EXPECT_EQ(TypeSeven(result.r), (std::vector<WORD>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}));
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST(ConstraintResultLists, FailuresLeaveTheListAsItWas) {
  WORD room[5] = {};
  WORD* list = room;
  WORD count = 0;
  const WORD ids[] = {1, 2, 3, 4, 5, 6, 7};
  EXPECT_EQ(AddSettingIdsToList(5, &list, &count, ids, 5), 0);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(AddSettingIdToList(6, 5, &list, &count), kIdListNoMemory);
  pk::seams::FailNthAllocation(0);
  EXPECT_EQ(list, room);
  EXPECT_EQ(Ids(list, count), (std::vector<WORD>{1, 2, 3, 4, 5}));
  // A run stops at the first failure, keeping what it added before.
  WORD room2[2] = {};
  WORD* list2 = room2;
  WORD count2 = 0;
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(AddSettingIdsToList(2, &list2, &count2, ids, 4), kIdListNoMemory);
  pk::seams::FailNthAllocation(0);
  EXPECT_EQ(Ids(list2, count2), (std::vector<WORD>{1, 2}));
  EXPECT_EQ(AddSettingIdToList(1, 5, nullptr, &count), kIdListMissing);
  EXPECT_EQ(AddSettingIdToList(1, 5, &list, nullptr), kIdListMissing);
  EXPECT_EQ(AddSettingIdsToList(5, &list, &count, nullptr, 1), kIdListMissing);
  ReleaseSettingIdList(5, room, &list, &count);
}

TEST(ConstraintResultLists, CopiesJudgeEachListByItsOwnCount) {
  const SIZE_T before = pk::seams::GlobalLiveBlocks();
  {
    Result source;
    source->status = 3;
    source->paperBits = 0x0A;
    for (WORD id = 100; id < 112; ++id)  // list 1 on the heap
      ASSERT_EQ(AddSettingIdToList(id, kConstraintKeyRoom, &source->typeSevenKeys, &source->typeSevenCount), 0);
    ASSERT_EQ(AddSettingIdToList(7, kConstraintKeyRoom, &source->typeEightKeys, &source->typeEightCount), 0);
    for (WORD id = 200; id < 203; ++id)  // list 3 in its room
      ASSERT_EQ(AddSettingIdToList(id, kRelatedIdRoom, &source->relatedIds, &source->relatedCount), 0);

    Result copy;
    ASSERT_EQ(CopyConstraintResult(copy.r, source.r), 0);
    EXPECT_EQ(copy->status, 3);
    EXPECT_EQ(copy->paperBits, 0x0A);
    EXPECT_NE(copy->typeSevenKeys, source->typeSevenKeys);
    EXPECT_NE(copy->typeSevenKeys, copy->typeSevenRoom);
    EXPECT_EQ(copy->typeEightKeys, copy->typeEightRoom);
    EXPECT_EQ(copy->relatedIds, copy->relatedRoom);
    EXPECT_EQ(TypeSeven(copy.r), TypeSeven(source.r));
    EXPECT_EQ(TypeEight(copy.r), (std::vector<WORD>{7}));
    EXPECT_EQ(Related(copy.r), (std::vector<WORD>{200, 201, 202}));

    // Freeing the source leaves the copy whole (the address sanitizer reads it).
    FreeConstraintResult(source.r);
    source.r = nullptr;
    EXPECT_EQ(copy->typeSevenCount, 12);
    EXPECT_EQ(copy->typeSevenKeys[11], 111);
    // The copy keeps growing on its own block.
    ASSERT_EQ(AddSettingIdToList(300, kConstraintKeyRoom, &copy->typeSevenKeys, &copy->typeSevenCount), 0);
    EXPECT_EQ(copy->typeSevenKeys[12], 300);

    // Copying over a result with heap lists frees them first.
    Result again;
    ASSERT_EQ(CopyConstraintResult(again.r, copy.r), 0);
    ASSERT_EQ(CopyConstraintResult(again.r, copy.r), 0);
    FreeConstraintResult(copy.r);
    copy.r = nullptr;
    EXPECT_EQ(again->typeSevenKeys[12], 300);
    ResetConstraintResult(again.r);
    EXPECT_EQ(again->typeSevenCount, 0);
    EXPECT_EQ(again->typeSevenKeys, again->typeSevenRoom);
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
}

TEST(ConstraintResultLists, CopyThatRunsOutOfMemoryLeavesAnEmptyResult) {
  const SIZE_T before = pk::seams::GlobalLiveBlocks();
  {
    Result source;
    for (WORD id = 1; id <= 10; ++id) {
      ASSERT_EQ(AddSettingIdToList(id, kConstraintKeyRoom, &source->typeSevenKeys, &source->typeSevenCount), 0);
      ASSERT_EQ(AddSettingIdToList(id, kConstraintKeyRoom, &source->typeEightKeys, &source->typeEightCount), 0);
    }
    for (unsigned n = 1; n <= 2; ++n) {
      Result copy;
      pk::seams::FailNthAllocation(n);
      EXPECT_EQ(CopyConstraintResult(copy.r, source.r), kIdListNoMemory) << n;
      pk::seams::FailNthAllocation(0);
      EXPECT_EQ(copy->typeSevenCount, 0);
      EXPECT_EQ(copy->typeEightCount, 0);
      EXPECT_EQ(copy->typeSevenKeys, copy->typeSevenRoom);
    }
    EXPECT_EQ(CopyConstraintResult(nullptr, source.r), 1);
  }
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  EXPECT_EQ(FreeConstraintResult(nullptr), 0);
  pk::seams::FailNthAllocation(1);
  EXPECT_EQ(AllocConstraintResult(), nullptr);
  pk::seams::FailNthAllocation(0);
}

}  // namespace
