// The push-button kind and its actions: closing a sub-dialog with OK or
// Cancel, restoring the page's defaults (with the conflicts the defaults make
// resolved and confirmed), opening a sub-dialog on a copy of the settings,
// help and opening a document with the shell.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ui/win_commdlg.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_resource.h"
#include "printer_interface/controls/kind_support.h"
#include "settings/access/setting_access.h"
#include "settings/choices/validate_all_settings.h"
#include "settings/conflict_actions/conflict_actions.h"
#include "settings/conflict_actions/conflict_messages.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_layout.h"

using namespace controls;

namespace {

constexpr UINT kHeaderDocumentText = 30;
constexpr int kDocumentChars = 259;
// Passes of the conflict resolution before it counts as a failure; the
// validation marks a conflict met twice, so real models end far sooner.
constexpr int kMaxResolutionPasses = 1000;

const void* EngineValue(const ItemSlot* slot) {
  if (slot->valueType != kSettingTypeText) return &slot->value;
  return reinterpret_cast<const void*>(static_cast<uintptr_t>(slot->value));
}

// A copy of one pair's blocks; absent blocks stay absent.
struct PairBackup {
  void* devMode = nullptr;
  void* settings = nullptr;
  bool Take(const void* dm, const void* ps) {
    if (dm && !(devMode = GlobalAlloc(GPTR, kWorkingDevModeSize))) return false;
    if (ps && !(settings = GlobalAlloc(GPTR, kPrinterSettingsBlockSize))) return false;
    if (dm) std::memcpy(devMode, dm, kWorkingDevModeSize);
    if (ps) std::memcpy(settings, ps, kPrinterSettingsBlockSize);
    return true;
  }
  void RestoreInto(void* dm, void* ps) const {
    if (dm && devMode) std::memcpy(dm, devMode, kWorkingDevModeSize);
    if (ps && settings) std::memcpy(ps, settings, kPrinterSettingsBlockSize);
  }
  ~PairBackup() {
    if (devMode) GlobalFree(devMode);
    if (settings) GlobalFree(settings);
  }
};

bool ReadRaw(WORD id, const void* devMode, const void* settings, SettingValueType* type, uint64_t* value) {
  UINT size = 0;
  *value = 0;
  return GetSettingValue(id, devMode, settings, type, &size, value) == kSettingOk;
}

// 1 when the setting reads differently from the two pairs (0 when the same or unreadable).
bool ValuesDiffer(WORD id, const void* dm1, const void* ps1, const void* dm2, const void* ps2) {
  SettingValueType t1 = 0, t2 = 0;
  uint64_t v1 = 0, v2 = 0;
  if (!ReadRaw(id, dm1, ps1, &t1, &v1) || !ReadRaw(id, dm2, ps2, &t2, &v2) || t1 != t2) return false;
  if (t1 == kSettingTypeText) {
    const auto* a = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(v1));
    const auto* b = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(v2));
    return CompareSettingValues(t1, &a, &b) != 0;
  }
  return CompareSettingValues(t1, &v1, &v2) != 0;
}

WORD* IdListOf(const std::vector<WORD>& ids) {
  auto* list = static_cast<WORD*>(GlobalAlloc(GPTR, sizeof(WORD) * (ids.size() + 1)));
  if (list && !ids.empty()) std::memcpy(list, ids.data(), sizeof(WORD) * ids.size());
  return list;
}

}  // namespace

INT FilterChangedIds(const DeviceModel*, WORD* ids, INT count, const WORD* resetIds, INT resetCount,
                     const void* devMode, const void* settings, const void* resetDevMode, const void* resetSettings) {
  if (!ids || count <= 0) return 0;
  INT kept = 0;
  for (INT i = 0; i < count; ++i) {
    bool listed = false;
    for (INT r = 0; resetIds && r < resetCount && !listed; ++r) listed = resetIds[r] == ids[i];
    if (!listed || ValuesDiffer(ids[i], devMode, settings, resetDevMode, resetSettings)) ids[kept++] = ids[i];
  }
  return kept;
}

INT RestorePageDefaults(HandlerContext* context, const ControlRow* row) {
  if (!context || !context->sheet || !context->sheet->state) return -1;
  SheetState* state = context->sheet->state;
  void* devMode = context->devMode;
  void* settings = context->settings;
  uint64_t unit = 0;
  SetSheetUnit(state, ReadPageSetting(context, 1044, &unit) && unit == 1 ? 1 : 0);

  PairBackup backup;
  if (!backup.Take(devMode, settings)) return -1;
  INT resetCount = 0;
  WORD* resetIds = nullptr;
  if (!ResetPageToDefaults(context, devMode, settings, &resetCount, &resetIds)) {
    backup.RestoreInto(devMode, settings);
    SetContextChange(context, 1, nullptr, row);
    return -1;
  }
  PairBackup afterReset;
  bool ok = afterReset.Take(devMode, settings);

  // Each pass of the validation names a conflict; the defaults of the
  // settings in it are written until no conflict is left.
  std::vector<std::vector<WORD>> passes;
  bool confirmed = true;
  std::vector<WORD> remaining;
  SettingMark* marks = ok ? AllocSettingMarkList() : nullptr;
  ok = marks != nullptr;
  SettingId lastId = 0;
  for (int pass = 0; ok; ++pass) {
    if (pass == kMaxResolutionPasses) {
      ok = false;
      break;
    }
    WORD* conflictIds = nullptr;
    const int answer = ValidateAllSettings(GetPagesResourceModule(), state->printer, context->model, devMode, settings,
                                           &conflictIds, context->window, marks, &lastId);
    if (answer == kValidationConflict) {
      std::vector<WORD> changed;
      const WORD single[] = {lastId, 0};
      for (const WORD* id = conflictIds ? conflictIds : single; *id; ++id) {
        PairBackup before;
        if (!before.Take(devMode, settings)) {
          ok = false;
          break;
        }
        ResetSettingToDefault(context->model, devMode, *id, settings);
        if (ValuesDiffer(*id, before.devMode, before.settings, devMode, settings)) changed.push_back(*id);
      }
      if (conflictIds) GlobalFree(conflictIds);
      passes.push_back(std::move(changed));
      continue;
    }
    if (conflictIds) GlobalFree(conflictIds);
    if (answer != kValidationClean) {
      ok = false;
      break;
    }
    for (auto pass = passes.rbegin(); pass != passes.rend(); ++pass)
      for (WORD id : *pass)
        if (std::find(remaining.begin(), remaining.end(), id) == remaining.end()) remaining.push_back(id);
    const INT kept = FilterChangedIds(context->model, remaining.data(), static_cast<INT>(remaining.size()), resetIds,
                                      resetCount, devMode, settings, afterReset.devMode, afterReset.settings);
    remaining.resize(static_cast<size_t>(kept));
    if (!remaining.empty() && EvaluateConstraintNode(context->window, context->model, devMode, settings,
                                                     remaining.data(), static_cast<int>(remaining.size())) == 8) {
      confirmed = false;
      backup.RestoreInto(devMode, settings);
    }
    break;
  }
  if (marks) GlobalFree(marks);
  if (!ok) {
    backup.RestoreInto(devMode, settings);
    confirmed = false;
  }
  WORD* list = nullptr;
  if (confirmed && resetCount > 0) {
    std::vector<WORD> all(resetIds, resetIds + resetCount);
    all.insert(all.end(), remaining.begin(), remaining.end());
    list = IdListOf(all);
  }
  if (resetIds) GlobalFree(resetIds);
  SetContextChange(context, 1, list, row);
  return ok ? 1 : -1;
}

INT CloseSubDialogOk(HandlerContext* context) {
  if (!context) return -1;
  if (CallRowHandlers(context, kMsgValidate, 0, 0, 0) == 0) {
    KillActiveHandler(context, WM_NOTIFY, 0, 0);
    ApplyHandler(context, WM_NOTIFY, 0, 0);
    EndDialog(context->window, 1);
    return 1;
  }
  SetContextChangedFlag(context, 0);
  WORD* ids = GetChangedIdList(context);
  ReevaluatePage(context, ids);
  if (ids) GlobalFree(ids);
  SetChangedIdList(context, nullptr);
  return 0;
}

INT CloseSubDialogCancel(HandlerContext* context) {
  if (!context) return -1;
  CallRowHandlers(context, kMsgRefill, 0, 0, 0);
  CallRowHandlers(context, PSN_KILLACTIVE, 0, 0, 0);
  ResetHandler(context, WM_NOTIFY, 0, 0);
  EndDialog(context->window, 2);
  return 1;
}

INT OpenSubDialog(HandlerContext* context, const ControlRow* row, const SubDialogSpec* spec) {
  (void)row;
  if (!context || !context->sheet || !spec || !spec->entries || spec->entryCount == 0) return -1;
  for (WORD i = 0; i < spec->entryCount; ++i)
    if (spec->entries[i].templateId == 0) return -1;
  if (!context->rows) return -1;
  SheetContext* sheet = context->sheet;
  if (spec->checkFlag == 1) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t value = 0;
    if (GetSettingValue(spec->settingId, context->devMode, context->settings, &type, &size, &value) != kSettingOk)
      return -1;
    ItemSlot current{};
    current.valueType = type;
    current.value = value;
    ConstraintResult* result = AllocConstraintResult();
    if (!result) return -1;
    INT answer = 0;
    if (CheckSettingConflicts(kConflictModeChange, context->window, context->model, context->devMode, context->settings,
                              nullptr, spec->settingId, type, EngineValue(&current), result,
                              nullptr) != kConflictCheckOk) {
      answer = -1;
    } else {
      WORD* ids = nullptr;
      // Without a value the settings model checks the current one.
      const WORD r = ApplySettingChange(context->window, sheet->state->printer, context->model, context->devMode,
                                        context->settings, spec->settingId, type, nullptr, &ids, result);
      if (ids) GlobalFree(ids);
      if (r == kActionRefusedWithMessage) answer = 1;
      else if (r == kActionFailed) answer = -1;
    }
    FreeConstraintResult(result);
    if (answer != 0) return answer;
  }
  // The page gives up what is typed before the copy is taken, so that a
  // value committed now is in the copy the dialog hands back.
  if (KillActiveHandler(context, WM_NOTIFY, 0, 0) != 0) return 1;
  SheetContext* copy = CopySheetContext(sheet);
  if (!copy) return -1;
  const SubDialogEntry& entry = spec->entries[0];
  const INT_PTR answer = DialogBoxParamW(GetPagesResourceModule(), MAKEINTRESOURCEW(entry.templateId), context->window,
                                         entry.procedure, reinterpret_cast<LPARAM>(copy));
  SetApplyDoneFlag(sheet->state, 0);
  bool ok = answer != -1;
  if (ok) {
    // The page gets a printer settings block when the dialog made one.
    if (copy->working.settings && !sheet->working.settings) {
      sheet->working.settings = GlobalAlloc(GPTR, kPrinterSettingsBlockSize);
      ok = sheet->working.settings != nullptr;
    }
    if (ok) CopySettingsPair(&sheet->working, &copy->working);
  }
  FreeSheetContextCopy(copy);
  InitHandlerContext(context, context->window, context->owner, context->pageId, context->message);
  ActivatePage(context, PSN_SETACTIVE);
  return ok ? 1 : -1;
}

INT ShowButtonHelp(HandlerContext* context) {
  if (!context) return -1;
  NMHDR header{};
  header.hwndFrom = context->window;
  header.code = static_cast<UINT>(PSN_HELP);
  HelpMessageHandler(context, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  return 1;
}

INT OpenButtonDocument(HandlerContext* context, INT stringId) {
  WCHAR file[kDocumentChars + 1] = {};
  if (stringId == kNoControl) {
    DeviceModel* model = GetContextModel(context);
    WCHAR* text = model ? GetModelHeaderText(model->primary, kHeaderDocumentText, 0) : nullptr;
    if (!text) return -1;
    size_t n = 0;
    for (; text[n] && n < kDocumentChars; ++n) file[n] = text[n];
    GlobalFree(text);
  } else if (LoadStringW(GetPagesResourceModule(), static_cast<UINT>(stringId), file, kDocumentChars + 1) <= 0) {
    return -1;
  }
  if (!file[0]) return -1;
  ShellExecuteW(nullptr, u"open", file, u"", u"", SW_SHOW);
  return 1;
}

LRESULT RunButtonAction(HandlerContext* context, UINT, WPARAM, const NMHDR*, const ControlRow* row) {
  if (!row) return 1;
  const auto* action = static_cast<const ButtonAction*>(row->params);
  if (!action || !context) return 0;
  SetContextValue(context, action->action);
  switch (action->action) {
    case kActionOk: CloseSubDialogOk(context); break;
    case kActionCancel: CloseSubDialogCancel(context); break;
    case kActionDefaults: RestorePageDefaults(context, row); break;
    case kActionSubDialog: OpenSubDialog(context, row, static_cast<const SubDialogSpec*>(action->parameters)); break;
    case kActionHelp: ShowButtonHelp(context); break;
    case kActionChooseFile: RunFileDialog(context, row, static_cast<const FileDialogSpec*>(action->parameters)); break;
    case kActionDocument:
      if (action->parameters) OpenButtonDocument(context, *static_cast<const INT*>(action->parameters));
      break;
    default: break;
  }
  if (action->action == kActionDefaults || action->action == kActionSubDialog || action->action == kActionChooseFile)
    if (HWND button = RowControl(context, row)) SetFocus(button);
  SetContextValue(context, -1);
  return 0;
}

LRESULT UpdateButtonState(HandlerContext* context, UINT message, const NMHDR*, const ControlRow* row) {
  if (message != static_cast<UINT>(PSN_SETACTIVE) && message != kMsgRefresh) return 1;
  const ItemSlot* slot = GetCurrentItemSlot(context, row);
  HWND button = RowControl(context, row);
  if (!slot || !button || slot->settingId == 0 || slot->settingId >= kFirstUiId) return 0;
  ConstraintResult* result = AllocConstraintResult();
  if (!result) return 0;
  if (CheckSettingConflicts(kConflictModeCheck, context->window, context->model, context->devMode, context->settings,
                            nullptr, slot->settingId, slot->valueType, EngineValue(slot), result,
                            nullptr) == kConflictCheckOk)
    SetControlState(button, PermittedStatus(context, result->status));
  FreeConstraintResult(result);
  return 0;
}

LRESULT ButtonKindHandler(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam, const ControlRow* row,
                          const void*) {
  if (message == WM_COMMAND)
    return RunButtonAction(context, message, wParam, reinterpret_cast<const NMHDR*>(lParam), row);
  if (message == static_cast<UINT>(PSN_SETACTIVE) || message == kMsgRefresh)
    UpdateButtonState(context, message, nullptr, row);
  return 0;
}
