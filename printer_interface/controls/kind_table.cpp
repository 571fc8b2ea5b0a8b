// The table of generic handlers by control kind, which the framework asks
// for every row without a handler of its own.
#include "printer_interface/controls/control_kinds.h"

namespace {

struct KindEntry {
  uint64_t kind;
  RowHandler handler;
};

constexpr KindEntry kKindTable[] = {
    {kKindComboBox, ComboBoxKindHandler},
    {kKindListBox, ListBoxKindHandler},
    {kKindEdit, EditKindHandler},
    {kKindRadio, RadioKindHandler},
    {kKindPushButton, ButtonKindHandler},
    {kKindCheckBox, CheckKindHandler},
    {kKindScrollBar, ScrollBarKindHandler},
    {kKindSpin, SpinKindHandler},
    {kKindValueText, ValueTextKindHandler},
    {kKindChoiceText, ChoiceTextKindHandler},
    {kKindTrackBar, TrackBarKindHandler},
    {kKindIcon, IconKindHandler},
    {kKindStateFollower, StateFollowerKindHandler},
    {0, nullptr},
};

}  // namespace

RowHandler GenericHandlerForKind(uint64_t kind) {
  for (const KindEntry* entry = kKindTable; entry->handler; ++entry)
    if (entry->kind == kind) return entry->handler;
  return nullptr;
}

void InstallGenericHandlers() {
  for (UINT kind = 0; kind < kControlKindCount; ++kind) SetGenericRowHandler(kind, GenericHandlerForKind(kind));
}
