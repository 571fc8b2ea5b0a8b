// Paper fit checks: user papers against the ranges of paper sources and
// output options, against point pairs and against their own paper records,
// and the fit of a document scaled over several output sheets.
#include "settings/conflicts/paper_fit.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/win/windows.h"
#include "settings/access/setting_access.h"
#include "settings/conflicts/conflict_engine.h"
#include "settings/conflicts/conflict_values.h"
#include "settings/model/model_queries.h"
#include "settings/services/user_paper.h"

namespace {

constexpr WORD kFieldModelFlags = 26;
constexpr DWORD kModelFlagSourceOwnRange = 0x10;  // source 258 keeps its own range
constexpr DWORD kPaperSameAsDocument = 267;
constexpr DWORD kPaperSameAsDocumentB = 305;
constexpr DWORD kSourceFromBin = 258;

struct Limits {
  LONG minimumWidth, minimumLength, maximumWidth, maximumLength;
};

bool Within(LONG width, LONG length, const Limits& l) {
  return l.minimumWidth <= width && width <= l.maximumWidth && l.minimumLength <= length && length <= l.maximumLength;
}
bool WithinRotated(LONG width, LONG length, const Limits& l) { return Within(length, width, l); }

WORD RangeOf(DeviceModel* model, WORD type, DWORD key, Limits* l) {
  return GetRangeLimits(model, type, static_cast<WORD>(key), &l->minimumWidth, &l->minimumLength, &l->maximumWidth,
                        &l->maximumLength);
}

struct OwnedModelRecord {
  ModelRecord* record = nullptr;
  ~OwnedModelRecord() {
    if (record != nullptr) FreeModelRecord(&record, -1);
  }
};

bool ReadNumber(const SettingsContext* context, const SettingValueRef* valueRef, SettingId id, DWORD* out) {
  int64_t n = 0;
  if (ReadSettingNumber(context, valueRef, id, &n) != kSettingOk) return false;
  *out = static_cast<DWORD>(n);
  return true;
}

// The paper of setting 262, where 267 and 305 stand for dmPaperSize.
bool ReadOutputPaper(const SettingsContext* context, const SettingValueRef* valueRef, DWORD* paper, bool* fromDevMode) {
  if (!ReadNumber(context, valueRef, 262, paper)) return false;
  *fromDevMode = *paper == kPaperSameAsDocument || *paper == kPaperSameAsDocumentB;
  return !*fromDevMode || ReadNumber(context, valueRef, 8, paper);
}

// One row of the paper kinds a constraint's rule word names.
struct RangeKind {
  WORD kind;
  enum Subject { kPaper, kSetting410, kSetting411 } subject;
  WORD rangeType;
  enum Key { kSource, kKey389, kKey266, kKey333, kFixed4, kFixed264 } key;
  WORD bitsMask;
};
constexpr RangeKind kRangeKinds[] = {
    {kPaperKindSource, RangeKind::kPaper, 5, RangeKind::kSource, 0x0F},
    {kPaperKindOutput389, RangeKind::kPaper, 5, RangeKind::kKey389, 0x13},
    {kPaperKindOutput266, RangeKind::kPaper, 6, RangeKind::kKey266, 0x23},
    {kPaperKind410, RangeKind::kSetting410, 5, RangeKind::kFixed4, 0x40},
    {kPaperKind411, RangeKind::kSetting411, 5, RangeKind::kFixed264, 0x80},
    {kPaperKind411On266, RangeKind::kSetting411, 6, RangeKind::kKey266, 0xA0},
    {kPaperKind410On266, RangeKind::kSetting410, 6, RangeKind::kKey266, 0x60},
    {kPaperKind333, RangeKind::kPaper, 5, RangeKind::kKey333, 0x803},
};

}  // namespace

WORD ReadPaperContext(const SettingsContext* context, const SettingValueRef* valueRef, PaperContext* paper,
                      WORD* bits) {
  if (context == nullptr || context->model == nullptr || paper == nullptr) return 1;
  *paper = PaperContext{};
  WORD found = 0;
  bool fromDevMode = false;
  if (!ReadOutputPaper(context, valueRef, &paper->paper, &fromDevMode)) return 1;
  found |= kPaperBitPaper | (fromDevMode ? kPaperBitDevModePaper : 0);

  if (!ReadNumber(context, valueRef, 265, &paper->source)) return 1;
  found |= kPaperBitSource;
  if (paper->source == kSourceFromBin) {
    DWORD flags = 0;
    if (ReadModelHeaderItem(context->model->primary, kFieldModelFlags, 4, 0, &flags) != 0) flags = 0;
    if ((flags & kModelFlagSourceOwnRange) == 0) {
      if (!ReadNumber(context, valueRef, 13, &paper->source)) return 1;
      found |= kPaperBitDevModeSource;
    }
  }
  struct Field {
    SettingId id;
    DWORD* out;
    WORD bit;
  };
  const Field fields[] = {
      {389, &paper->setting389, kPaperBitSetting389}, {481, &paper->flag481, 0},
      {333, &paper->setting333, kPaperBitSetting333}, {332, &paper->setting332, 0},
      {266, &paper->setting266, kPaperBitSetting266}, {410, &paper->setting410, kPaperBitSetting410},
      {411, &paper->setting411, kPaperBitSetting411},
  };
  for (const Field& f : fields) {
    if (!ReadNumber(context, valueRef, f.id, f.out)) return 1;
    found |= f.bit;
  }
  if (bits != nullptr) *bits |= found;
  return 0;
}

int GetUserPaperSize(const SettingsContext* context, DWORD paperCode, LONG* width, LONG* length) {
  if (context == nullptr || width == nullptr || length == nullptr || !IsUserPaperCode(paperCode)) return 0;
  const WORD slot = GetUserPaperIndex(paperCode);
  DWORD w = 0, l = 0;
  if (!ReadNumber(context, nullptr, static_cast<SettingId>(1311 + slot), &w) ||
      !ReadNumber(context, nullptr, static_cast<SettingId>(1321 + slot), &l))
    return 0;
  *width = static_cast<LONG>(w);
  *length = static_cast<LONG>(l);
  return 1;
}

int GetPaperDimensions(const SettingsContext* context, DWORD paperCode, LONG* width, LONG* length) {
  if (context == nullptr || context->model == nullptr || width == nullptr || length == nullptr) return 0;
  if (IsUserPaperCode(paperCode)) return GetUserPaperSize(context, paperCode, width, length);
  if (paperCode == 0 || paperCode > 0xFFFF) return 0;
  OwnedModelRecord paper;
  if (LoadModelRecordByKey(false, context->model->primary, context->model->secondary, kRecordPaper,
                           static_cast<WORD>(paperCode), 0, &paper.record) != 0)
    return 0;
  const PointItem* size = GetPaperRecordPoint1(paper.record);
  if (size == nullptr) return 0;
  *width = size->x;
  *length = size->y;
  return 1;
}

WORD GetPrintablePaperSize(const SettingsContext* context, DWORD paperCode, LONG* width, LONG* length) {
  if (context == nullptr || context->model == nullptr || width == nullptr || length == nullptr) return 1;
  if (paperCode == 0 || paperCode > 0xFFFF) return 1;
  OwnedModelRecord paper;
  if (LoadModelRecordByKey(false, context->model->primary, context->model->secondary, kRecordPaper,
                           static_cast<WORD>(paperCode), 0, &paper.record) != 0)
    return 1;
  const PointItem* low = GetPaperRecordPoint5(paper.record);
  const PointItem* high = GetPaperRecordPoint6(paper.record);
  if (low == nullptr || high == nullptr) return 1;
  if (!IsUserPaperCode(paperCode)) {
    *width = low->x;
    *length = low->y;
    return 0;
  }
  LONG w = 0, l = 0;
  if (!GetUserPaperSize(context, paperCode, &w, &l)) return 1;
  PointItem first{}, second{};
  if (GetPaperRecordPair2(paper.record, &first, &second) != 0 || first.kind == 0) return 1;
  w -= first.x + second.x;
  l -= first.y + second.y;
  *width = std::max<LONG>(std::min<LONG>(w, high->x), low->x);
  *length = std::max<LONG>(std::min<LONG>(l, high->y), low->y);
  return 0;
}

WORD GetRangeLimits(DeviceModel* model, WORD rangeType, WORD key, LONG* minimumWidth, LONG* minimumLength,
                    LONG* maximumWidth, LONG* maximumLength) {
  if (model == nullptr || minimumWidth == nullptr || minimumLength == nullptr || maximumWidth == nullptr ||
      maximumLength == nullptr)
    return kRangeFailed;
  if (rangeType != kRecordRangeA && rangeType != kRecordRangeB) return kRangeFailed;
  OwnedModelRecord loaded;
  if (LoadModelRecordByKey(true, model->primary, model->secondary, rangeType, key, 0, &loaded.record) != 0)
    return kRangeFailed;
  const auto* range = static_cast<const RangeRecord*>(loaded.record);
  bool listsPaper = false;
  for (WORD k = 0; k < range->settingCount && range->settingIds != nullptr; ++k)
    listsPaper = listsPaper || range->settingIds[k].key == 262;
  if (!listsPaper) return kRangeWithoutPaper;
  if (range->point1.kind == 0 && range->point2.kind == 0) return kRangeFailed;
  if (range->point1.x == 0 && range->point1.y == 0 && range->point2.x == 0 && range->point2.y == 0) return kRangeFailed;
  *minimumWidth = range->point1.x;
  *minimumLength = range->point1.y;
  *maximumWidth = range->point2.x;
  *maximumLength = range->point2.y;
  return kRangeFound;
}

WORD CheckPaperCondition(const SettingsContext* context, const SettingValueRef* valueRef,
                         const ConditionItem* condition, WORD* bits) {
  if (context == nullptr || condition == nullptr) return 1;
  PaperContext paper{};
  WORD found = 0;
  if (ReadPaperContext(context, valueRef, &paper, &found) != 0) return 1;
  found &= 0x1F;
  if (!IsUserPaperCode(paper.paper)) return kCompareFails;
  LONG width = 0, length = 0;
  if (!GetUserPaperSize(context, paper.paper, &width, &length)) return 1;

  Limits limits{};
  switch (condition->comparison) {
    case kComparePaperSource:
    case kComparePaperSourceB:
    case kComparePaperRotated:
    case kComparePaperEither: {
      const WORD ranged = RangeOf(context->model, kRecordRangeA, paper.source, &limits);
      if (ranged == kRangeFailed) return 1;
      bool fits = false;
      if (ranged == kRangeFound) {
        const bool straight = Within(width, length, limits);
        const bool turned = WithinRotated(width, length, limits);
        fits = condition->comparison == kComparePaperRotated  ? turned
               : condition->comparison == kComparePaperEither ? straight || turned
                                                              : straight;
      }
      found = fits ? 0 : static_cast<WORD>(found & ~kPaperBitSetting389);
      break;
    }
    case kComparePaperOutput: {
      found &= static_cast<WORD>(~(kPaperBitDevModeSource | kPaperBitSource));
      const WORD ranged = RangeOf(context->model, kRecordRangeA, paper.setting389, &limits);
      if (ranged == kRangeFailed) return 1;
      if (ranged == kRangeFound && Within(width, length, limits)) found = 0;
      break;
    }
    default: return 1;
  }
  if (found == 0) return kCompareFails;
  if (bits != nullptr) *bits |= found;
  return kCompareHolds;
}

WORD GetConditionPointPairKey(const SettingsContext* context, const SettingValueRef* valueRef,
                              const ConditionItem* condition, const ModelRecord* record, WORD* key) {
  if (context == nullptr || context->model == nullptr || condition == nullptr || key == nullptr) return 1;
  *key = 0;
  const bool hasValue = condition->data != nullptr && condition->count > 0;
  // The record being evaluated answers for itself when the condition names it.
  if (record != nullptr && valueRef != nullptr && condition->settingId == valueRef->id) {
    const bool feature = record->type == kRecordFlagFeature || record->type == kRecordSettingFeature;
    const bool option = record->type == kRecordFlagOption || record->type == kRecordSettingOption;
    if (feature && !hasValue) {
      *key = static_cast<const ConstrainedRecord*>(record)->auxiliary.key;
      return 0;
    }
    const UINT conditionWidth = ConflictNumberWidth(condition->valueType);
    // Only numbers of their full width compare; other values name no record here.
    if (option && hasValue && conditionWidth != 0 && condition->itemSize >= conditionWidth) {
      const auto* o = static_cast<const OptionRecord*>(record);
      if (o->value != nullptr && o->valueSize >= ConflictNumberWidth(o->valueType) &&
          CompareConditionValue(kCompareEqual, condition->valueType, condition->data, o->valueType, o->value) ==
              kCompareHolds) {
        *key = o->auxiliary.key;
        return 0;
      }
    }
  }
  uint64_t widened = 0;
  std::u16string text;
  const void* value = nullptr;
  if (hasValue) {
    const UINT width = ConflictNumberWidth(condition->valueType);
    if (width != 0) {
      if (condition->itemSize < width) return 1;
      std::memcpy(&widened, condition->data, width);
      value = &widened;
    } else {
      text = ConditionItemText(condition->data, condition->itemSize);
      value = text.c_str();
    }
  }
  WORD type = 0, mappedKey = 0;
  MapSettingToModelKey(condition->settingId, value, &type, &mappedKey);
  if (mappedKey == 0) return 0;
  ModelRecord* found = nullptr;
  WORD foundType = 0;
  const ModelStatus status = FindSettingModelRecord(true, context->model->primary, context->model->secondary,
                                                    condition->settingId, value, &foundType, &found);
  if (status == 2) return 0;
  if (status != 0) return 1;
  if (foundType == kRecordFileInfo) {
    GlobalFree(found);
    return 0;
  }
  if (foundType == kRecordFlagFeature || foundType == kRecordSettingFeature || foundType == kRecordFlagOption ||
      foundType == kRecordSettingOption)
    *key = static_cast<const ConstrainedRecord*>(found)->auxiliary.key;
  FreeModelRecord(&found, -1);
  return 0;
}

WORD CheckPaperAgainstPointPair(const SettingsContext* context, const SettingValueRef* valueRef, WORD key, WORD* bits) {
  if (context == nullptr || context->model == nullptr) return 1;
  if (key == 0) return kCompareFails;
  DWORD paper = 0;
  bool fromDevMode = false;
  if (!ReadOutputPaper(context, valueRef, &paper, &fromDevMode)) return 1;
  if (!IsUserPaperCode(paper)) return kCompareFails;
  LONG width = 0, length = 0;
  if (!GetUserPaperSize(context, paper, &width, &length)) return 1;
  OwnedModelRecord pair;
  if (LoadModelRecordByKey(false, context->model->primary, context->model->secondary, kRecordPointPair, key, 0,
                           &pair.record) != 0)
    return 1;
  const auto* points = static_cast<const PointPairRecord*>(pair.record);
  const bool inside = points->point1.x <= width && width <= points->point2.x && points->point1.y <= length &&
                      length <= points->point2.y;
  if (inside) return kCompareFails;
  if (bits != nullptr) *bits |= kPaperBitPaper;
  return kCompareHolds;
}

WORD CheckPaperRange(int mode, const SettingsContext* context, const SettingValueRef* valueRef,
                     const ConstraintRecord* constraint, WORD* bits) {
  if (context == nullptr || constraint == nullptr || bits == nullptr) return 2;
  const WORD kind = constraint->rule & kRulePaperKindMask;
  const RangeKind* row = nullptr;
  for (const RangeKind& r : kRangeKinds) {
    if (r.kind == kind) row = &r;
  }
  if (row == nullptr || IsRuleHiddenInMode(mode, constraint->rule)) {
    *bits = 0;
    return 0;
  }
  PaperContext paper{};
  WORD found = 0;
  if (ReadPaperContext(context, valueRef, &paper, &found) != 0) return 2;

  bool checked = true;
  if (kind == kPaperKindOutput389) checked = paper.flag481 != 0;
  if (kind == kPaperKind333) checked = paper.setting332 != 0;
  if (!checked) {
    *bits = 0;
    return 0;
  }
  const DWORD subject = row->subject == RangeKind::kPaper        ? paper.paper
                        : row->subject == RangeKind::kSetting410 ? paper.setting410
                                                                 : paper.setting411;
  DWORD key = 0;
  switch (row->key) {
    case RangeKind::kSource: key = paper.source; break;
    case RangeKind::kKey389: key = paper.setting389; break;
    case RangeKind::kKey266: key = paper.setting266; break;
    case RangeKind::kKey333: key = paper.setting333; break;
    case RangeKind::kFixed4: key = 4; break;
    case RangeKind::kFixed264: key = 264; break;
  }
  LONG width = 0, length = 0;
  if (!GetPaperDimensions(context, subject, &width, &length)) return 2;
  Limits limits{};
  const WORD ranged = RangeOf(context->model, row->rangeType, key, &limits);
  if (ranged == kRangeFailed) return 2;
  // A range that does not take setting 262 was not tested, as in the paper
  // condition: no conflict.
  if (ranged == kRangeWithoutPaper || Within(width, length, limits)) {
    *bits = 0;
    return 0;
  }
  WORD conflictBits = found & row->bitsMask;
  if (kind == kPaperKind410 || kind == kPaperKind411) {
    const SettingId outputs[] = {407, 408, 409};
    const WORD outputBits[] = {kPaperBitSetting407, kPaperBitSetting408, kPaperBitSetting409};
    for (int k = 0; k < 3; ++k) {
      DWORD value = 0;
      if (!ReadNumber(context, valueRef, outputs[k], &value)) return 2;
      if (value == key) conflictBits |= outputBits[k];
    }
  }
  *bits |= conflictBits;
  return 1;
}

WORD CheckPaperInRecord(int mode, const SettingsContext* context, const SettingValueRef* valueRef,
                        const ConstraintRecord* constraint) {
  if (context == nullptr || constraint == nullptr) return 2;
  if (IsRuleHiddenInMode(mode, constraint->rule)) return 0;
  PaperContext paper{};
  WORD found = 0;
  if (ReadPaperContext(context, valueRef, &paper, &found) != 0) return 2;
  if (!IsUserPaperCode(paper.paper)) return 0;
  LONG width = 0, length = 0;
  if (!GetPaperDimensions(context, paper.paper, &width, &length)) return 2;
  OwnedModelRecord record;
  const ModelStatus loaded = LoadModelRecordByKey(false, context->model->primary, context->model->secondary,
                                                  kRecordPaper, static_cast<WORD>(paper.paper), 0, &record.record);
  if (loaded == 2) return 0;  // no record: the paper's own size is its limit
  if (loaded != 0) return 2;
  PointItem lower{}, upper{};
  if (GetPaperRecordPair2(record.record, &lower, &upper) != 0) return 2;
  const bool inside = lower.x <= width && width <= upper.x && lower.y <= length && length <= upper.y;
  return inside ? 0 : 1;
}

WORD CheckScaledPaperFit(const SettingsContext* context, const SettingValueRef* valueRef, WORD** ids) {
  if (ids != nullptr) *ids = nullptr;
  if (context == nullptr || context->model == nullptr) return kScaledPaperFailed;
  DWORD sheets = 0, poster = 0, flag = 0;
  if (!ReadNumber(context, valueRef, 296, &sheets) || !ReadNumber(context, valueRef, 321, &poster))
    return kScaledPaperFailed;
  if (poster != 1) return kScaledPaperFits;
  if (!ReadNumber(context, valueRef, 449, &flag)) return kScaledPaperFailed;
  if (flag == 0) return kScaledPaperFits;
  DWORD document = 0, output = 0, scaling = 0;
  if (!ReadNumber(context, valueRef, 8, &document) || !ReadNumber(context, valueRef, 262, &output) ||
      !ReadNumber(context, valueRef, 263, &scaling))
    return kScaledPaperFailed;
  document &= 0xFFFF;
  if (output == kPaperSameAsDocument || output == kPaperSameAsDocumentB) output = document;

  LONG w1 = 0, h1 = 0, w2 = 0, h2 = 0;
  if (GetPrintablePaperSize(context, document, &w1, &h1) != 0) return kScaledPaperFailed;
  if (output == document) {
    w2 = w1;
    h2 = h1;
  } else if (GetPrintablePaperSize(context, output, &w2, &h2) != 0) {
    return kScaledPaperFailed;
  }
  const int64_t across = (sheets >> 8) & 0xFF;
  const int64_t down = sheets & 0xFF;
  // Sizes, sheet counts and a scaling from an application's DEVMODE overflow
  // 32 bits together; 64 bits hold every combination.
  const int64_t l = static_cast<int64_t>(w2) * across * 100 - static_cast<int64_t>(w1) * scaling;
  const int64_t m = static_cast<int64_t>(h2) * down * 100 - static_cast<int64_t>(h1) * scaling;
  WORD answer = kScaledPaperFits;
  if (l >= 100 * static_cast<int64_t>(w2) && m >= 100 * static_cast<int64_t>(h2)) answer = kScaledPaperTooSmall;
  else if (l < 0 || m < 0) answer = kScaledPaperTooLarge;
  if (answer == kScaledPaperFits || ids == nullptr) return answer;

  const SettingId involved[] = {8, 262, 296, 449, 263};
  auto* list = static_cast<WORD*>(GlobalAlloc(GPTR, (std::size(involved) + 1) * sizeof(WORD)));
  if (list == nullptr) return kScaledPaperFailed;
  size_t n = 0;
  for (SettingId id : involved) {
    if (valueRef == nullptr || id != valueRef->id) list[n++] = id;
  }
  *ids = list;
  return answer;
}
