// Spooler forms against the model's papers (see form_matching.h).
#include "settings/services/form_matching.h"

#include <vector>

#include "platform/win/win_memory.h"
#include "platform/win/win_text.h"
#include "settings/model/model_queries.h"
#include "settings/model/model_records.h"
#include "settings/access/setting_values.h"
#include "settings/services/user_paper.h"

namespace {

constexpr SettingId kPaperSize = 8;
// Form sizes are in micrometres, papers in tenths of a millimetre.
constexpr LONG kMicrometresPerTenth = 100;

bool SameName(const WCHAR* a, const WCHAR* b) { return a && b && lstrcmpW(a, b) == 0; }

// The form of a position as a PaperMatch with a new copy of its name.
int FillFound(const FORM_INFO_1W* forms, DWORD position, PaperMatch* found) {
  if (forms[position].pName == nullptr) return 0;
  LPWSTR name = CopyModelText(forms[position].pName);
  if (name == nullptr) return 0;
  found->key = static_cast<WORD>(position + 1);
  found->width = static_cast<SHORT>(forms[position].Size.cx / kMicrometresPerTenth);
  found->height = static_cast<SHORT>(forms[position].Size.cy / kMicrometresPerTenth);
  found->name = name;
  found->further = nullptr;
  return 1;
}

// The candidate named `name`, if any.
bool CandidateNamed(const FORM_INFO_1W* forms, const std::vector<DWORD>& candidates, const WCHAR* name,
                    DWORD* position) {
  PaperMatch query = {0, 0, 0, const_cast<WCHAR*>(name), nullptr};
  return MatchFormAmongCandidates(forms, candidates.data(), static_cast<DWORD>(candidates.size()), kFormByName, &query,
                                  position) == 1;
}

// Mode 2: the forms of the query's size, and the one among them that fits.
bool MatchBySize(DeviceModel* model, const FORM_INFO_1W* forms, DWORD count, const PaperMatch* query, DWORD* position) {
  std::vector<DWORD> candidates;
  for (DWORD i = 0; i < count; ++i)
    if (forms[i].Size.cx / kMicrometresPerTenth == query->width &&
        forms[i].Size.cy / kMicrometresPerTenth == query->height)
      candidates.push_back(i);
  if (candidates.empty()) return false;
  auto among = [&](int mode) {
    return MatchFormAmongCandidates(forms, candidates.data(), static_cast<DWORD>(candidates.size()), mode, query,
                                    position) == 1;
  };
  if (query->name && among(kFormByName)) return true;
  if (!query->name && query->key && among(kFormByNumber)) return true;
  // The model's paper of this size names the form.
  PaperMatch paper = {};
  ModelInterfaceStatus status = 0;
  if (FindPaperByKeySizeOrName(model, kPaperSize, kPaperBySize, query, &paper, &status) == 1) {
    bool named = CandidateNamed(forms, candidates, paper.name, position);
    FreePaperMatch(&paper);
    if (named) return true;
  }
  // A form named like a user paper slot.
  for (DWORD slot = 0; slot < kUserPaperSlotCount; ++slot) {
    WCHAR name[kUserPaperNameBytes / sizeof(WCHAR)];
    FormatUserPaperName(slot, name);
    if (CandidateNamed(forms, candidates, name, position)) return true;
  }
  *position = candidates.front();
  return true;
}

}  // namespace

FormStatus FormIndexToPaperCode(HANDLE printer, DWORD index, WORD* code) {
  if (code == nullptr) return kFormFailed;
  DWORD flags = 0;
  FormStatus status = GetFormFlagsAt(printer, index, &flags);
  if (status != kFormOk) return status;
  if (flags == FORM_BUILTIN) {
    *code = static_cast<WORD>(index);
    return kFormOk;
  }
  LPWSTR name = nullptr;
  status = GetFormNameAt(printer, index, &name);
  if (status != kFormOk) return status;
  if (name == nullptr) return kFormFailed;
  DeviceModel* model = OpenDeviceModel(printer);
  if (model == nullptr) {
    GlobalFree(name);
    return kFormFailed;
  }
  // The paper options in order, until one carries the form's name.
  for (WORD option = 1;; ++option) {
    ModelValue* value = nullptr;
    ModelInterfaceStatus query = kModelFailed;
    if (GetModelFeatureOption(model, kPaperSize, option, &value, &query) != 1) {
      status = query;
      break;
    }
    BYTE* data = nullptr;
    WCHAR* optionName = nullptr;
    WORD type = 0;
    bool match = UnpackModelValue(value, &data, &optionName, &type, nullptr) && SameName(optionName, name);
    if (match) *code = static_cast<WORD>(ReadValueAsUInt32(type, data));
    FreeModelValue(value);
    if (match) {
      status = kFormOk;
      break;
    }
  }
  CloseDeviceModel(model);
  GlobalFree(name);
  return status;
}

int MatchFormAmongCandidates(const FORM_INFO_1W* forms, const DWORD* candidates, DWORD candidateCount, int mode,
                             const PaperMatch* query, DWORD* position) {
  if (forms == nullptr || candidates == nullptr || query == nullptr || position == nullptr) return 0;
  for (DWORD i = 0; i < candidateCount; ++i) {
    DWORD at = candidates[i];
    bool match = mode == kFormByName     ? SameName(forms[at].pName, query->name)
                 : mode == kFormByNumber ? at + 1 == query->key
                                         : false;
    if (match) {
      *position = at;
      return 1;
    }
  }
  return 0;
}

int MatchPrinterForm(DeviceModel* model, void*, void*, HANDLE printer, int mode, const PaperMatch* query,
                     PaperMatch* found) {
  if (query == nullptr || found == nullptr) return 0;
  if (mode == kFormByName && query->name == nullptr) return 0;
  FORM_INFO_1W* forms = nullptr;
  DWORD count = 0;
  if (EnumPrinterForms(printer, &forms, nullptr, &count) != kFormOk) return 0;
  DWORD position = 0;
  bool matched = false;
  switch (mode) {
    case kFormByName:
      for (DWORD i = 0; i < count && !matched; ++i)
        if (SameName(forms[i].pName, query->name)) {
          position = i;
          matched = true;
        }
      break;
    case kFormByNumber:
      matched = query->key >= 1 && query->key <= count;
      position = matched ? query->key - 1u : 0;
      break;
    case kFormBySize: matched = MatchBySize(model, forms, count, query, &position); break;
    default: break;
  }
  int result = matched ? FillFound(forms, position, found) : 0;
  GlobalFree(forms);
  return result;
}

int ResolvePaperForm(DeviceModel* model, void* reserved1, void* reserved2, HANDLE printer, int mode,
                     PaperMatch* record) {
  if (record == nullptr) return 0;
  PaperMatch paper = {};
  ModelInterfaceStatus status = 0;
  auto modelHas = [&](int paperMode) {
    int found = FindPaperByKeySizeOrName(model, kPaperSize, paperMode, record, &paper, &status);
    FreePaperMatch(&paper);
    return found == 1 ? 1 : 0;
  };
  switch (mode) {
    case kFormByName: return modelHas(kPaperByName);
    case kFormBySize: return modelHas(kPaperBySize);
    case kFormByNumber: {
      if (GetFormFlags(printer, record->key) == FORM_BUILTIN) return 1;
      if (record->name && modelHas(kPaperByName)) return 1;
      // The model's paper of this size names the spooler form that replaces the record.
      if (FindPaperByKeySizeOrName(model, kPaperSize, kPaperBySize, record, &paper, &status) != 1) return 0;
      PaperMatch byName = *record;
      byName.name = paper.name;
      PaperMatch form = {};
      int found = MatchPrinterForm(model, reserved1, reserved2, printer, kFormByName, &byName, &form);
      FreePaperMatch(&paper);
      if (!found) return 0;
      FreePaperMatch(record);
      *record = form;
      return 1;
    }
    default: return 0;
  }
}
