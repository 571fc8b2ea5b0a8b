// Making, copying and freeing the context of one open sheet, and the small
// accessors of its state.
#include "printer_interface/sheets/sheet_context.h"
#include "printer_interface/pages/preview_controls.h"

#include <cstring>

#include "platform/win/win_memory.h"
#include "printer_interface/framework/page_framework.h"
#include "settings/devmode/devmode_layout.h"

namespace {

void* CopyBlock(const void* source, UINT size) {
  if (!source) return nullptr;
  void* block = GlobalAlloc(GPTR, size);
  if (block) std::memcpy(block, source, size);
  return block;
}

void FreePair(SettingsPair* pair) {
  if (pair->devMode) GlobalFree(pair->devMode);
  if (pair->settings) GlobalFree(pair->settings);
  *pair = SettingsPair{};
}

// A pair of copies; false when a block present in the source cannot be made.
bool DuplicatePair(SettingsPair* destination, const void* devMode, const void* settings) {
  destination->devMode = CopyBlock(devMode, kWorkingDevModeSize);
  destination->settings = CopyBlock(settings, kPrinterSettingsBlockSize);
  return (!devMode || destination->devMode) && (!settings || destination->settings);
}

void FreeStores(SheetContext* context) {
  FreeSheetRecords(context);
  for (KeyedList*& store : context->stores) FreeKeyedList(&store);
  FreeKeyedList(&context->rowCaches);
  FreeKeyedList(&context->constraintRecords);
}

bool CreateStores(SheetContext* context) {
  for (KeyedList*& store : context->stores)
    if (!(store = CreateKeyedList())) return false;
  context->rowCaches = CreateKeyedList();
  context->constraintRecords = CreateKeyedList();
  return context->rowCaches && context->constraintRecords;
}

}  // namespace

SheetContext* CreateSheetContext(HANDLE printer, DeviceModel* model, const void* devMode, const void* settings,
                                 INT permission, WORD sheetMode) {
  if (!devMode) return nullptr;
  auto* context = static_cast<SheetContext*>(GlobalAlloc(GPTR, sizeof(SheetContext)));
  if (!context) return nullptr;
  context->state = static_cast<SheetState*>(GlobalAlloc(GPTR, sizeof(SheetState)));
  if (!context->state || !DuplicatePair(&context->working, devMode, settings) ||
      !DuplicatePair(&context->initial, devMode, settings) || !CreateStores(context)) {
    FreeSheetContext(context);
    return nullptr;
  }
  SheetState* state = context->state;
  state->printer = printer;
  state->model = model;
  state->permission = permission;
  state->sheetMode = sheetMode;
  state->activePageId = -1;
  if (model && model->primary) state->modelOptions = ReadModelHeaderValue(model->primary, 26, 4, 0);
  CreatePageControlIndex(state);
  state->controlResources = CreateKeyedList();
  if (!state->choiceLists || !state->controlResources) {
    FreeSheetContext(context);
    return nullptr;
  }
  return context;
}

void FreeSheetContext(SheetContext* context) {
  if (!context) return;
  FreePair(&context->working);
  FreePair(&context->initial);
  FreePair(&context->applied);
  FreeStores(context);
  if (SheetState* state = context->state) {
    // A sheet closed on the page that shows the colour sample never left it.
    FreeColourSampleData(state);
    for (WCHAR* text : {state->printerName, state->warnings[0], state->warnings[1], state->stampsKey, state->helpFile})
      if (text) GlobalFree(text);
    FreeKeyedList(&state->choiceLists);
    FreeKeyedList(&state->controlResources);
    GlobalFree(state);
  }
  GlobalFree(context);
}

SheetContext* CopySheetContext(SheetContext* sheet) {
  if (!sheet) return nullptr;
  auto* copy = static_cast<SheetContext*>(GlobalAlloc(GPTR, sizeof(SheetContext)));
  if (!copy) return nullptr;
  copy->state = sheet->state;
  copy->owner = sheet;
  copy->sheetWindow = sheet->sheetWindow;
  if (!DuplicatePair(&copy->working, sheet->working.devMode, sheet->working.settings) ||
      !DuplicatePair(&copy->initial, sheet->working.devMode, sheet->working.settings) || !CreateStores(copy)) {
    FreeSheetContextCopy(copy);
    return nullptr;
  }
  return copy;
}

void FreeSheetContextCopy(SheetContext* copy) {
  if (!copy) return;
  FreePair(&copy->working);
  FreePair(&copy->initial);
  FreePair(&copy->applied);
  FreeStores(copy);
  GlobalFree(copy);
}

int CopySettingsPair(SettingsPair* destination, const SettingsPair* source) {
  if (!destination || !source) return 0;
  // A block absent on either side (a sheet opened without printer settings)
  // is left alone rather than read or written through a null pointer.
  if (destination->devMode && source->devMode) std::memcpy(destination->devMode, source->devMode, kWorkingDevModeSize);
  if (destination->settings && source->settings)
    std::memcpy(destination->settings, source->settings, kPrinterSettingsBlockSize);
  return 1;
}

int CommitWorkingPair(SheetContext* context) {
  if (!context) return 0;
  if (context->working.devMode && !context->applied.devMode &&
      !(context->applied.devMode = GlobalAlloc(GPTR, kWorkingDevModeSize)))
    return 0;
  if (context->working.settings && !context->applied.settings &&
      !(context->applied.settings = GlobalAlloc(GPTR, kPrinterSettingsBlockSize)))
    return 0;
  return CopySettingsPair(&context->applied, &context->working);
}

int RestoreWorkingPair(SheetContext* context, BOOL initial) {
  if (!context) return 0;
  const bool hasApplied = context->applied.devMode || context->applied.settings;
  return CopySettingsPair(&context->working, initial || !hasApplied ? &context->initial : &context->applied);
}

int TestModelOption(const SheetState* state, DWORD mask) { return state && (state->modelOptions & mask) ? 1 : 0; }

void SetSheetUnit(SheetState* state, WORD unit) {
  if (state) state->unit = unit == 1 ? 1 : 0;
}
