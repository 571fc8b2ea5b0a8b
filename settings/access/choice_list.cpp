// Choice lists: accessors, release, the answer of a handler's choice, and
// the mark table.
#include "settings/access/choice_list.h"

#include <cstring>

#include "platform/win/windows.h"

namespace {

constexpr int kAnswerTextChars = 256;

// The interface library is called on several spooler threads: each thread
// keeps its own answer.
thread_local ULONG_PTR t_answerValue = 0;
thread_local WCHAR t_answerText[kAnswerTextChars];

}  // namespace

const WCHAR* GetChoiceListTitle(const SettingChoiceList* list) { return list ? list->title : nullptr; }

WORD GetChoiceListKind(const SettingChoiceList* list) { return list ? list->kind : 0; }

int SetChoiceListKind(SettingChoiceList* list, WORD kind) {
  if (!list) return 0;
  list->kind = kind;
  return 1;
}

INT GetChoiceListCount(const SettingChoiceList* list) { return list ? list->count : -1; }

int FreeChoiceList(SettingChoiceList* list) {
  if (!list) return 0;
  if (list->title) GlobalFree(list->title);
  bool textValues = list->valueType == kSettingTypeText && list->kind != kChoiceKindFreeValue;
  if (list->items) {
    for (INT n = 0; n < list->count; ++n) {
      ChoiceItem& item = list->items[n];
      if (item.text) GlobalFree(item.text);
      if (item.icon) DestroyIcon(item.icon);
      if (item.palette) DeleteObject(item.palette);
      if (textValues && item.value) GlobalFree(reinterpret_cast<void*>(static_cast<uintptr_t>(item.value)));
    }
    GlobalFree(list->items);
  }
  GlobalFree(list);
  return 1;
}

int SetChoiceAnswer(UINT stringId, WCHAR* text, const void* value, SettingValueType valueType, ChoiceAnswer* answer) {
  if (!answer) return 0;
  answer->text = nullptr;
  t_answerValue = 0;
  if (value) memcpy(&t_answerValue, value, sizeof t_answerValue);
  answer->value = &t_answerValue;
  answer->valueType = valueType;
  if (stringId != 0) {
    t_answerText[0] = 0;
    if (LoadStringW(answer->module, stringId + answer->baseId, t_answerText, kAnswerTextChars) <= 0) return 0;
    answer->text = t_answerText;
  } else if (text) {
    answer->text = text;
  }
  return 1;
}

SettingMark* AllocSettingMarkList() {
  return static_cast<SettingMark*>(GlobalAlloc(GPTR, sizeof(SettingMark) * kSettingMarkCount));
}
