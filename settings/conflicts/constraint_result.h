// What every conflict check reads and answers: the settings context, a
// setting with the value it is checked for, the ConstraintResult with its
// three growable id lists, the status priorities and the id-list helpers.
// Every block handed out here is a GlobalAlloc block.
#pragma once

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"

struct DeviceModel;

// The settings every check reads and every resolution writes.
struct SettingsContext {
  DeviceModel* model;
  void* devMode;   // the working DEVMODE (the extension lives in it)
  void* settings;  // the printer settings block
};

// A setting with the value it is checked for or written with. The value
// points at the value in its type's width; a text (type 6) is given by the
// address of its characters. No value means the setting's current value.
struct SettingValueRef {
  SettingId id;
  SettingValueType valueType;
  const void* value;
};

// ---- Statuses -------------------------------------------------------------------
// How the user interface reacts to a checked value.
constexpr WORD kConflictStatusFree = 0;           // write it
constexpr WORD kConflictStatusDisabled = 1;       // shown but not selectable
constexpr WORD kConflictStatusRefuse = 2;         // refused with a warning
constexpr WORD kConflictStatusAsk = 3;            // asked; OK writes it with the resolutions
constexpr WORD kConflictStatusResolve = 4;        // written with the resolutions
constexpr WORD kConflictStatusAskLayout = 5;      // asked through a dependent layout setting
constexpr WORD kConflictStatusHidden = 6;         // not shown at all
constexpr WORD kConflictStatusForbidden = 7;      // refused with the fixed warning
constexpr WORD kConflictStatusAskOrRefuse = 8;    // asked; cancel refuses
constexpr WORD kConflictStatusResolveInform = 9;  // written with the resolutions, then told
constexpr WORD kConflictStatusGroupValue = 10;    // group warning with the value
constexpr WORD kConflictStatusGroup = 11;         // group warning

// The priority of a status; 0 for a status without one. Status 0 has 100 as
// the current status only.
int ConstraintStatusPriority(WORD status);
// Raises the result's status to `status` when that has the higher priority
// (a new 0 never replaces anything).
void RaiseConstraintStatus(WORD* current, WORD status);
// Statuses that make an existing conflict for a mode-1 check: 1, 6, 7, 8.
bool IsExistingConflictStatus(WORD status);

// ---- The result -------------------------------------------------------------------

constexpr WORD kConstraintKeyRoom = 8;  // lists 1 and 2
constexpr WORD kRelatedIdRoom = 20;     // list 3
constexpr WORD kIdListRoom = 5;         // the id lists of callers (changed, written ids)
constexpr WORD kIdListStep = 5;         // a full list grows by this many entries

// Paper check bits: the settings whose values made a paper check fail.
constexpr WORD kPaperBitDevModePaper = 0x1;   // setting 8 stood for the paper
constexpr WORD kPaperBitPaper = 0x2;          // setting 262
constexpr WORD kPaperBitDevModeSource = 0x4;  // setting 13 stood for the source
constexpr WORD kPaperBitSource = 0x8;         // setting 265
constexpr WORD kPaperBitSetting389 = 0x10;
constexpr WORD kPaperBitSetting266 = 0x20;
constexpr WORD kPaperBitSetting410 = 0x40;
constexpr WORD kPaperBitSetting411 = 0x80;
constexpr WORD kPaperBitSetting407 = 0x100;
constexpr WORD kPaperBitSetting408 = 0x200;
constexpr WORD kPaperBitSetting409 = 0x400;
constexpr WORD kPaperBitSetting333 = 0x800;

// Each list's pointer points at its inline room while the count stays within
// it, and at a heap block of its own beyond that.
struct ConstraintResult {
  WORD status;
  WORD paperBits;
  WORD typeSevenCount;  // list 1: keys of type-7 constraints in conflict
  WORD typeSevenRoom[kConstraintKeyRoom];
  WORD* typeSevenKeys;
  WORD typeEightCount;  // list 2: keys of type-8 constraints in conflict
  WORD typeEightRoom[kConstraintKeyRoom];
  WORD* typeEightKeys;
  WORD relatedCount;  // list 3: setting ids to check and redraw together
  WORD relatedRoom[kRelatedIdRoom];
  WORD* relatedIds;
};

// A zeroed result with its lists in their rooms; null when memory runs out.
ConstraintResult* AllocConstraintResult();
// Frees heap lists and zeroes the result, lists back in their rooms.
void ResetConstraintResult(ConstraintResult* result);
// Copies everything; each list of the source that lies beyond its room gets
// a heap block of its own in the destination, whose own heap lists are freed
// first. 0; 1 for a missing argument; 2 when memory runs out (the
// destination is reset then).
WORD CopyConstraintResult(ConstraintResult* destination, const ConstraintResult* source);
// Frees heap lists and the result: 1, or 0 for none.
int FreeConstraintResult(ConstraintResult* result);

// ---- Id lists -----------------------------------------------------------------------
constexpr WORD kIdListOk = 0;
constexpr WORD kIdListMissing = 1;
constexpr WORD kIdListNoMemory = 2;

// Appends the id unless present. Entries live in the caller's room of `room`
// entries while they fit; at a full capacity (room, room + 5, ...) a zeroed
// block of capacity + 5 entries takes over and a previous heap block is
// freed. kIdListOk, kIdListMissing or kIdListNoMemory (the list unchanged).
WORD AddSettingIdToList(WORD id, WORD room, WORD** list, WORD* count);
// Adds n ids in order, stopping at the first failure.
WORD AddSettingIdsToList(WORD room, WORD** list, WORD* count, const WORD* ids, WORD n);
// Frees the list when it lies beyond its room, points it back at the room
// and clears the count.
void ReleaseSettingIdList(WORD room, WORD* inlineRoom, WORD** list, WORD* count);
// A new zero-terminated copy of the list followed by `last` (unless 0);
// null when memory runs out.
WORD* CopySettingIdList(const WORD* list, WORD count, WORD last);
