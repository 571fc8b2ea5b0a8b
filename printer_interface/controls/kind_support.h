// What the generic kinds share inside this folder: the row's control, the
// state of the current item, a change of the current item through the
// framework, the slot's value as a number, and the images of the list kinds.
#pragma once

#include "printer_interface/controls/control_kinds.h"

namespace controls {

HWND RowControl(const HandlerContext* context, const ControlRow* row);
// Applies the status of the current item's setting to the row's control and
// gives it back (-1 when the row has none).
INT ApplyRowControlState(HandlerContext* context, const ControlRow* row);
// The status shown for a status s: s with permission or for 0 and 6, else 1.
INT PermittedStatus(const HandlerContext* context, INT status);
// A change of the slot's setting: result 1 tells the context (the framework
// re-evaluates the page); result 2 reloads the slot from the settings.
INT ChangeSlot(HandlerContext* context, const ControlRow* row, ItemSlot* slot, const void* value);
// Reads the slot's setting again (value and choice index).
void ReloadSlot(HandlerContext* context, ItemSlot* slot);
// The slot's value read as a signed or unsigned number of its type.
LONG SlotNumber(const ItemSlot* slot);
LONG ChoiceNumber(const SettingChoiceList* list, INT index);
// A number as the slot's type stores it (what TryChangeSetting compares).
uint64_t NumberForType(WORD valueType, LONG value);
// The largest value of a number type (LONG_MAX for 32-bit signed).
uint64_t TypeMaximum(WORD valueType);
bool IsSignedType(WORD valueType);

// The record an edit row keeps in store 0 of the sheet from set-active to
// kill-active, apply or reset: in text mode the shown text and the text at
// activation, and the flag the spin sets while it scrolls the box.
constexpr INT kEditStore = 0;
struct EditRecord {
  INT spinning;
  INT restoring;   // the kept text is being put back
  WCHAR* current;  // GlobalAlloc
  WCHAR* initial;  // GlobalAlloc
};
EditRecord* FindEditRecord(const HandlerContext* context, INT controlId);

// The images of the list kinds (bitmaps 223, 224; icons 252, 253), loaded
// per page window and released again.
constexpr UINT kBitmapStateNote = 223;
constexpr UINT kBitmapStateWarning = 224;
constexpr UINT kIconValueZero = 252;
constexpr UINT kIconValueSet = 253;
void LoadListImages(HandlerContext* context);
void ReleaseListImages(HandlerContext* context);
// The image of a key (one of the four ids), loaded for the page, or null.
HGDIOBJ ListImage(const HandlerContext* context, UINT id);

}  // namespace controls
