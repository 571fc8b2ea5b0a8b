// The lists behind the paper, resolution and bin capabilities: the model's
// options, each checked with the conflict engine against the current
// settings so that only the choices they allow are listed.
#include <cstring>
#include <string>

#include "platform/win/win_format.h"
#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/capabilities/device_capabilities.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/conflicts/constraint_result.h"
#include "settings/model/model_queries.h"
#include "settings/services/module_state.h"
#include "settings/services/spooler_records.h"
#include "settings/services/user_paper.h"

namespace {

constexpr SettingId kPaperSetting = 8;
constexpr SettingId kResolutionSetting = 14;
constexpr SettingId kBinSetting = 13;
constexpr SettingId kSourceSetting = 265;
constexpr SettingId kFirstUserPaperName = 1331;
constexpr int kCheckMode = 2;

// The feature of a setting (type 4, keyed by the id), or null.
ModelRecord* LoadFeature(DeviceModel* model, SettingId id) {
  if (!model) return nullptr;
  ModelRecord* feature = nullptr;
  if (LoadModelRecordByKey(true, model->primary, model->secondary, kRecordSettingFeature, id, 0, &feature))
    return nullptr;
  return feature;
}

WORD OptionCount(DeviceModel* model, SettingId id) {
  ModelRecord* feature = LoadFeature(model, id);
  if (!feature) return 0;
  WORD count = static_cast<const FeatureRecord*>(feature)->optionCount;
  ReleaseModelRecord(feature);
  return count;
}

// Option n of the feature and the paper record it points to.
struct PaperOption {
  ModelRecord* option = nullptr;
  ModelRecord* paper = nullptr;
  ~PaperOption() {
    if (paper) ReleaseModelRecord(paper);
    if (option) ReleaseModelRecord(option);
  }
  bool Load(DeviceModel* model, const ModelRecord* feature, WORD n) {
    WORD type = 0;
    if (LoadFeatureOptionRecord(false, false, model->primary, model->secondary, feature, n, &type, &option))
      return false;
    WORD targetType = 0;
    return LoadOptionTarget(true, model->primary, model->secondary, option, &targetType, &paper) == 0 &&
           targetType == kRecordPaper;
  }
};

// True when the engine answers that the paper cannot be chosen now. The paper
// record stands for the value: its key, the paper code, is its first field.
bool PaperUnavailable(HANDLE printer, DeviceModel* model, void* devMode, void* settings, const ModelRecord* paper,
                      ConstraintResult* result) {
  WORD answer = CheckSettingConflicts(kCheckMode, printer, model, devMode, settings, nullptr, kPaperSetting,
                                      kSettingTypeInt16, paper, result, nullptr);
  return answer == kConflictCheckOk &&
         (result->status == kConflictStatusDisabled || result->status == kConflictStatusHidden);
}

// The 1-based number of the form of that name, 0 when none has it.
DWORD FormNumber(const FORM_INFO_1W* forms, DWORD count, const WCHAR* name) {
  if (!name) return 0;
  for (DWORD n = 0; n < count; ++n) {
    const WCHAR* formName = forms[n].pName;
    if (formName && std::u16string_view(formName) == std::u16string_view(name)) return n + 1;
  }
  return 0;
}

void CopyName(WCHAR* field, const std::u16string& text) {
  size_t chars = std::min<size_t>(text.size(), kPaperNameChars - 1);
  memcpy(field, text.data(), chars * sizeof(WCHAR));
  field[chars] = 0;
}

// Fills the entry of an available paper: false when a setting cannot be read.
bool FillPaperEntry(void* devMode, void* settings, const FORM_INFO_1W* forms, DWORD formCount,
                    const ModelRecord* option, const ModelRecord* paper, PaperListEntry* entry) {
  const WCHAR* paperName = GetModelRecordText(paper);
  DWORD form = FormNumber(forms, formCount, paperName);
  if (IsUserPaperCode(paper->key)) {
    // A user paper: named after its slot, sized by its spooler form.
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t value = 0;
    SettingId nameId = static_cast<SettingId>(kFirstUserPaperName + GetUserPaperIndex(paper->key));
    if (GetSettingValue(nameId, devMode, settings, &type, &size, &value) != kSettingOk) return false;
    const auto* slotName = reinterpret_cast<const WCHAR*>(static_cast<uintptr_t>(value));
    std::u16string name;
    for (size_t k = 0; slotName && k < kUserPaperNameBytes / sizeof(WCHAR) && slotName[k]; ++k)
      name.push_back(slotName[k]);
    if (form) {
      entry->code = static_cast<WORD>(form);
      entry->width = forms[form - 1].Size.cx / 100;
      entry->length = forms[form - 1].Size.cy / 100;
    }
    WCHAR width[16] = {};
    WCHAR length[16] = {};
    wsprintfW(width, u"%d", static_cast<int>(entry->width / 10));
    wsprintfW(length, u"%d", static_cast<int>(entry->length / 10));
    name += u" (";
    name += width;
    name += u"x";
    name += length;
    name += u"mm)";
    CopyName(entry->name, name);
    return true;
  }
  const PointItem* sizePoint = GetPaperRecordPoint1(paper);
  if (!sizePoint) return false;
  entry->code = static_cast<WORD>(form);
  entry->width = sizePoint->x;
  entry->length = sizePoint->y;
  const WCHAR* optionName = GetModelRecordText(option);
  CopyName(entry->name, optionName ? std::u16string(optionName) : std::u16string());
  return true;
}

}  // namespace

WORD GetPaperOptionCount(DeviceModel* model) { return OptionCount(model, kPaperSetting); }

int BuildPaperList(HANDLE printer, void* devMode, void* settings, DeviceModel* model, PaperListEntry* entries) {
  ModelRecord* feature = LoadFeature(model, kPaperSetting);
  if (!feature) return 0;
  const WORD options = static_cast<const FeatureRecord*>(feature)->optionCount;
  int available = options;
  if (!entries) {
    // Counting: options or papers that cannot be loaded still count.
    ConstraintResult* result = AllocConstraintResult();
    for (WORD n = 1; result && n <= options; ++n) {
      PaperOption paper;
      if (paper.Load(model, feature, n) && PaperUnavailable(printer, model, devMode, settings, paper.paper, result))
        --available;
    }
    if (!result) available = 0;
    FreeConstraintResult(result);
    ReleaseModelRecord(feature);
    return available;
  }
  FORM_INFO_1W* forms = nullptr;
  DWORD formCount = 0;
  if (EnumPrinterForms(printer, &forms, nullptr, &formCount) != kFormOk) {
    // The caller sized its buffer by a count taken with the forms; without
    // them no list can be given that agrees with it.
    ReleaseModelRecord(feature);
    return kPaperListNoForms;
  }
  int filled = 0;
  bool ok = GetResourceModule() != nullptr;
  for (WORD n = 1; ok && n <= options; ++n) {
    PaperOption paper;
    ConstraintResult* result = paper.Load(model, feature, n) ? AllocConstraintResult() : nullptr;
    ok = result != nullptr;
    if (ok && PaperUnavailable(printer, model, devMode, settings, paper.paper, result)) {
      --available;
    } else if (ok) {
      ok = FillPaperEntry(devMode, settings, forms, formCount, paper.option, paper.paper, &entries[filled++]);
    }
    FreeConstraintResult(result);
  }
  GlobalFree(forms);
  ReleaseModelRecord(feature);
  return ok ? available : 0;
}

int BuildResolutionList(DeviceModel* model, ResolutionEntry* items) {
  WORD count = OptionCount(model, kResolutionSetting);
  for (WORD n = 1; items && n <= count; ++n) {
    BYTE* value = nullptr;
    WORD type = 0;
    if (LoadSettingOptionValue(model->primary, model->secondary, kResolutionSetting, n, nullptr, &value, &type) ||
        !value)
      return 0;
    DWORD number = 0;
    memcpy(&number, value, sizeof number);  // the copy holds at least four bytes
    GlobalFree(value);
    items[n - 1].x = static_cast<LONG>(number & 0xFFFF);
    items[n - 1].y = static_cast<LONG>(number >> 16);
  }
  return count;
}

int BuildSourceOptionList(DeviceModel* model, SettingId id, WORD* count, OptionEntry** list) {
  if (!count || !list) return 0;
  *count = 0;
  *list = nullptr;
  if ((id != kBinSetting && id != kSourceSetting) || !model) return 0;
  WORD options = OptionCount(model, id);
  if (options == 0) return 1;
  auto* entries = static_cast<OptionEntry*>(GlobalAlloc(GPTR, sizeof(OptionEntry) * options));
  if (!entries) return 0;
  WORD found = 0;
  for (WORD n = 1; n <= options; ++n) {
    WCHAR* name = nullptr;
    BYTE* value = nullptr;
    WORD type = 0;
    ModelStatus s = LoadSettingOptionValue(model->primary, model->secondary, id, n, &name, &value, &type);
    if (s == 2) break;
    if (s) {
      FreeOptionEntryList(entries, found);
      return 0;
    }
    entries[found].name = name;
    if (value) memcpy(&entries[found].value, value, sizeof(WORD));
    if (value) GlobalFree(value);
    ++found;
  }
  *count = found;
  *list = entries;
  return 1;
}

void FreeOptionEntryList(OptionEntry* list, WORD count) {
  if (!list) return;
  for (WORD n = 0; n < count; ++n)
    if (list[n].name) GlobalFree(list[n].name);
  GlobalFree(list);
}

int BuildBinList(HANDLE printer, DeviceModel* model, void* devMode, void* settings, WORD* count,
                 BinAnswerEntry** list) {
  if (!count || !list) return 0;
  *count = 0;
  *list = nullptr;
  WORD binCount = 0, sourceCount = 0;
  OptionEntry* bins = nullptr;
  OptionEntry* sources = nullptr;
  if (!BuildSourceOptionList(model, kBinSetting, &binCount, &bins)) return 0;
  if (!BuildSourceOptionList(model, kSourceSetting, &sourceCount, &sources)) {
    FreeOptionEntryList(bins, binCount);
    return 0;
  }
  for (WORD b = 0; b < binCount; ++b)
    for (WORD s = 0; s < sourceCount; ++s)
      if (bins[b].value == sources[s].value) bins[b].flags |= kBinAlsoSource;
  bool ok = true;
  WORD available = 0;
  ConstraintResult* result = AllocConstraintResult();
  ok = result != nullptr;
  for (WORD b = 0; ok && b < binCount; ++b) {
    const bool asSource = bins[b].flags & kBinAlsoSource;
    WORD value = bins[b].value;
    WORD answer = CheckSettingConflicts(kCheckMode + (asSource ? 1 : 0), printer, model, devMode, settings, nullptr,
                                        asSource ? kSourceSetting : kBinSetting,
                                        asSource ? kSettingTypeUInt16 : kSettingTypeInt16, &value, result, nullptr);
    ok = answer == kConflictCheckOk;
    if (ok && result->status != kConflictStatusDisabled && result->status != kConflictStatusHidden) {
      bins[b].flags |= kBinAvailable;
      ++available;
    }
  }
  FreeConstraintResult(result);
  BinAnswerEntry* answers = nullptr;
  if (ok && available) {
    answers = static_cast<BinAnswerEntry*>(GlobalAlloc(GPTR, sizeof(BinAnswerEntry) * available));
    ok = answers != nullptr;
  }
  WORD n = 0;
  for (WORD b = 0; ok && b < binCount; ++b) {
    if (!(bins[b].flags & kBinAvailable)) continue;
    answers[n].value = bins[b].value;
    for (int k = 0; bins[b].name && k < kBinNameChars && bins[b].name[k]; ++k) answers[n].name[k] = bins[b].name[k];
    ++n;
  }
  FreeOptionEntryList(bins, binCount);
  FreeOptionEntryList(sources, sourceCount);
  if (!ok) return 0;
  *count = n;
  *list = answers;
  return 1;
}
