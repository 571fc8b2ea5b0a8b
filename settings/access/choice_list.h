// The choice list of a setting as the user interface shows it (a title, a
// display kind and items with a value, a text, an icon and a palette), its
// accessors and release, the answer a feature handler gives for one choice,
// and the mark table of the whole-settings validation.
#pragma once

#include <cstddef>

#include "platform/gdi/gdi_palette_icon.h"
#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"

// One choice: its value in its type's width (a text value is the address of
// a copy the list owns), its text (owned), its icon and palette.
struct ChoiceItem {
  uint64_t value;
  WCHAR* text;
  HICON icon;
  HPALETTE palette;
};
static_assert(sizeof(ChoiceItem) == 32);

struct SettingChoiceList {
  SettingId id;
  WCHAR* title;
  WORD kind;                   // display kind; 0 is not a valid list
  SettingValueType valueType;  // of the item values
  INT count;                   // -1 = not set
  ChoiceItem* items;
};
static_assert(sizeof(SettingChoiceList) == 32 && offsetof(SettingChoiceList, items) == 24);

// Display kinds the release needs: the third item of a free-value list has no value.
constexpr WORD kChoiceKindFreeValue = 6;

const WCHAR* GetChoiceListTitle(const SettingChoiceList* list);
WORD GetChoiceListKind(const SettingChoiceList* list);
// 1, or 0 for no list.
int SetChoiceListKind(SettingChoiceList* list, WORD kind);
// The item count; -1 for no list.
INT GetChoiceListCount(const SettingChoiceList* list);
// Frees the title, each item's text, icon and palette, text values (except
// in a free-value list) and the items and list themselves: 1, 0 for null.
int FreeChoiceList(SettingChoiceList* list);

// The answer of a feature handler asked for choice n: the arguments of that
// operation as the handler receives them.
struct ChoiceAnswer {
  HMODULE module;                 // resource module of the item texts
  WCHAR* text;                    // out: the choice's text
  void* value;                    // in: the caller's value area; out: the address of the choice's value
  SettingValueType valueType;     // out
  INT index;                      // the choice asked for
  const WCHAR* const* textTable;  // item texts given by the caller
  const void* textList;           // record whose second field lists texts, each ended by 0, then an empty text
  UINT baseId;                    // added to the string ids of the texts
};

// Fills a handler's answer: the value (pointer-sized, read from `value`) is
// kept in a slot of the calling thread whose address becomes the answer's
// value; the text is string `stringId` + base id of the answer's module in a
// buffer of the calling thread (256 characters), or `text` when no string id
// is given. Both stay valid until the thread's next call. 1, 0 when the
// string is missing.
int SetChoiceAnswer(UINT stringId, WCHAR* text, const void* value, SettingValueType valueType, ChoiceAnswer* answer);

// One entry of the mark table: a setting id and its mark.
struct SettingMark {
  SettingId id;
  DWORD mark;
};
constexpr size_t kSettingMarkCount = 100;
// A zeroed table of 100 entries; null when memory runs out.
SettingMark* AllocSettingMarkList();
