// ConstraintResult allocation, copies and status priorities, and the id lists
// that start in a caller's room and grow on the heap in steps of five.
#include "settings/conflicts/constraint_result.h"

#include <cstring>

#include "platform/win/windows.h"

namespace {

struct StatusPriority {
  WORD status;
  int priority;
};

// A status is only replaced by one of higher priority.
constexpr StatusPriority kStatusPriorities[] = {
    {kConflictStatusHidden, 900},        {kConflictStatusForbidden, 800},  {kConflictStatusAskOrRefuse, 700},
    {kConflictStatusDisabled, 600},      {kConflictStatusGroupValue, 550}, {kConflictStatusGroup, 540},
    {kConflictStatusRefuse, 500},        {kConflictStatusAskLayout, 400},  {kConflictStatusAsk, 300},
    {kConflictStatusResolveInform, 270}, {kConflictStatusResolve, 200},
};
constexpr int kFreeStatusPriority = 100;  // status 0, as the current status only

void PointAtRooms(ConstraintResult* result) {
  result->typeSevenKeys = result->typeSevenRoom;
  result->typeEightKeys = result->typeEightRoom;
  result->relatedIds = result->relatedRoom;
}

void FreeHeapList(WORD* list, WORD count, WORD room) {
  if (count > room && list != nullptr) GlobalFree(list);
}

void FreeHeapLists(ConstraintResult* result) {
  FreeHeapList(result->typeSevenKeys, result->typeSevenCount, kConstraintKeyRoom);
  FreeHeapList(result->typeEightKeys, result->typeEightCount, kConstraintKeyRoom);
  FreeHeapList(result->relatedIds, result->relatedCount, kRelatedIdRoom);
}

// The destination list of a copy: its room while the count fits, else a new
// block with the capacity the list-growing rule would have given it.
bool CopyList(WORD* room, WORD roomSize, WORD** destination, const WORD* source, WORD count) {
  if (count <= roomSize) {
    if (count > 0) std::memcpy(room, source, count * sizeof(WORD));
    *destination = room;
    return true;
  }
  const DWORD capacity = roomSize + ((count - roomSize + kIdListStep - 1) / kIdListStep) * kIdListStep;
  auto* block = static_cast<WORD*>(GlobalAlloc(GPTR, capacity * sizeof(WORD)));
  if (block == nullptr) {
    *destination = room;
    return false;
  }
  std::memcpy(block, source, count * sizeof(WORD));
  *destination = block;
  return true;
}

}  // namespace

int ConstraintStatusPriority(WORD status) {
  for (const StatusPriority& entry : kStatusPriorities) {
    if (entry.status == status) return entry.priority;
  }
  return 0;
}

void RaiseConstraintStatus(WORD* current, WORD status) {
  if (current == nullptr) return;
  const int incoming = ConstraintStatusPriority(status);
  if (incoming == 0) return;
  const int present = *current == kConflictStatusFree ? kFreeStatusPriority : ConstraintStatusPriority(*current);
  if (incoming > present) *current = status;
}

bool IsExistingConflictStatus(WORD status) {
  return status == kConflictStatusDisabled || status == kConflictStatusHidden || status == kConflictStatusForbidden ||
         status == kConflictStatusAskOrRefuse;
}

ConstraintResult* AllocConstraintResult() {
  auto* result = static_cast<ConstraintResult*>(GlobalAlloc(GPTR, sizeof(ConstraintResult)));
  if (result != nullptr) PointAtRooms(result);
  return result;
}

void ResetConstraintResult(ConstraintResult* result) {
  if (result == nullptr) return;
  FreeHeapLists(result);
  std::memset(result, 0, sizeof *result);
  PointAtRooms(result);
}

WORD CopyConstraintResult(ConstraintResult* destination, const ConstraintResult* source) {
  if (destination == nullptr || source == nullptr) return 1;
  if (destination == source) return 0;
  ResetConstraintResult(destination);
  destination->status = source->status;
  destination->paperBits = source->paperBits;
  destination->typeSevenCount = source->typeSevenCount;
  destination->typeEightCount = source->typeEightCount;
  destination->relatedCount = source->relatedCount;
  // Each list is judged by its own count: one list may lie on the heap while
  // another still fits its room.
  const bool copied = CopyList(destination->typeSevenRoom, kConstraintKeyRoom, &destination->typeSevenKeys,
                               source->typeSevenKeys, source->typeSevenCount) &&
                      CopyList(destination->typeEightRoom, kConstraintKeyRoom, &destination->typeEightKeys,
                               source->typeEightKeys, source->typeEightCount) &&
                      CopyList(destination->relatedRoom, kRelatedIdRoom, &destination->relatedIds, source->relatedIds,
                               source->relatedCount);
  if (copied) return 0;
  // Lists not yet copied still point at their rooms: their counts must not
  // make the reset free them.
  if (destination->typeEightKeys == destination->typeEightRoom) destination->typeEightCount = 0;
  if (destination->relatedIds == destination->relatedRoom) destination->relatedCount = 0;
  if (destination->typeSevenKeys == destination->typeSevenRoom) destination->typeSevenCount = 0;
  ResetConstraintResult(destination);
  return kIdListNoMemory;
}

int FreeConstraintResult(ConstraintResult* result) {
  if (result == nullptr) return 0;
  FreeHeapLists(result);
  GlobalFree(result);
  return 1;
}

WORD AddSettingIdToList(WORD id, WORD room, WORD** list, WORD* count) {
  if (list == nullptr || count == nullptr || *list == nullptr) return kIdListMissing;
  for (WORD k = 0; k < *count; ++k) {
    if ((*list)[k] == id) return kIdListOk;
  }
  const WORD n = *count;
  // At a full capacity (room, room + 5, ...) the list moves to a larger block.
  if (n >= room && (n - room) % kIdListStep == 0) {
    const DWORD capacity = static_cast<DWORD>(n) + kIdListStep;
    if (capacity > 0xFFFF) return kIdListNoMemory;
    auto* block = static_cast<WORD*>(GlobalAlloc(GPTR, capacity * sizeof(WORD)));
    if (block == nullptr) return kIdListNoMemory;
    if (n > 0) std::memcpy(block, *list, n * sizeof(WORD));
    if (n > room) GlobalFree(*list);
    *list = block;
  }
  (*list)[n] = id;
  *count = static_cast<WORD>(n + 1);
  return kIdListOk;
}

WORD AddSettingIdsToList(WORD room, WORD** list, WORD* count, const WORD* ids, WORD n) {
  if (n > 0 && ids == nullptr) return kIdListMissing;
  for (WORD k = 0; k < n; ++k) {
    const WORD added = AddSettingIdToList(ids[k], room, list, count);
    if (added != kIdListOk) return added;
  }
  return kIdListOk;
}

void ReleaseSettingIdList(WORD room, WORD* inlineRoom, WORD** list, WORD* count) {
  if (list == nullptr || count == nullptr) return;
  FreeHeapList(*list, *count, room);
  *list = inlineRoom;
  *count = 0;
}

WORD* CopySettingIdList(const WORD* list, WORD count, WORD last) {
  const DWORD entries = static_cast<DWORD>(count) + (last != 0 ? 1 : 0) + 1;
  auto* block = static_cast<WORD*>(GlobalAlloc(GPTR, entries * sizeof(WORD)));
  if (block == nullptr) return nullptr;
  if (count > 0 && list != nullptr) std::memcpy(block, list, count * sizeof(WORD));
  if (last != 0) block[count] = last;
  return block;
}
