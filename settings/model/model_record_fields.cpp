// Reading the fields of model records the settings layer asks for: names,
// the points of range and paper records, device-font aliases and data, and
// the entries of value lists and named bytes of newer model levels.
#include "settings/model/model_queries.h"

namespace {

template <typename T>
const T* As(const ModelRecord* record, WORD a, WORD b = 0) {
  if (!record || (record->type != a && record->type != (b ? b : a))) return nullptr;
  return static_cast<const T*>(record);
}

}  // namespace

const WCHAR* GetModelRecordText(const ModelRecord* record) {
  if (!record) return nullptr;
  switch (record->type) {
    case kRecordFlagFeature:
    case kRecordSettingFeature:
    case kRecordFlagOption:
    case kRecordSettingOption: return static_cast<const ConstrainedRecord*>(record)->name;
    case kRecordRangeA:
    case kRecordRangeB: return static_cast<const RangeRecord*>(record)->name;
    case kRecordPaper: return static_cast<const PaperRecord*>(record)->name;
    case kRecordDeviceFont: return static_cast<const DeviceFontModelRecord*>(record)->face;
    default: return nullptr;
  }
}

const PointItem* GetRangeRecordPoint1(const ModelRecord* record) {
  const auto* r = As<RangeRecord>(record, kRecordRangeA, kRecordRangeB);
  return r ? &r->point1 : nullptr;
}

const PointItem* GetRangeRecordPoint2(const ModelRecord* record) {
  const auto* r = As<RangeRecord>(record, kRecordRangeA, kRecordRangeB);
  return r ? &r->point2 : nullptr;
}

const PointItem* GetPaperRecordPoint1(const ModelRecord* record) {
  const auto* r = As<PaperRecord>(record, kRecordPaper);
  return r ? &r->pair1[0] : nullptr;
}

const PointItem* GetPaperRecordPoint2(const ModelRecord* record) {
  const auto* r = As<PaperRecord>(record, kRecordPaper);
  return r ? &r->pair1[1] : nullptr;
}

ModelStatus GetPaperRecordPair2(const ModelRecord* record, PointItem* first, PointItem* second) {
  const auto* r = As<PaperRecord>(record, kRecordPaper);
  if (!r) return 1;
  if (first) *first = r->pair2[0];
  if (second) *second = r->pair2[1];
  return 0;
}

const PointItem* GetPaperRecordPoint5(const ModelRecord* record) {
  const auto* r = As<PaperRecord>(record, kRecordPaper);
  return r ? &r->pair3[0] : nullptr;
}

const PointItem* GetPaperRecordPoint6(const ModelRecord* record) {
  const auto* r = As<PaperRecord>(record, kRecordPaper);
  return r ? &r->pair3[1] : nullptr;
}

ModelStatus GetFontRecordAlias(const ModelRecord* record, WORD n, const WCHAR** text) {
  const auto* r = As<DeviceFontModelRecord>(record, kRecordDeviceFont);
  if (!r || n == 0 || !text) return 1;
  *text = nullptr;
  if (n > r->aliasCount || !r->aliases) return 2;
  *text = r->aliases[n - 1];
  return 0;
}

const BYTE* GetFontRecordData(const ModelRecord* record) {
  const auto* r = As<DeviceFontModelRecord>(record, kRecordDeviceFont);
  return r ? r->fontData : nullptr;
}

#if !PK_SETTINGS_GRAPHICS_DRIVER

ModelStatus GetType21Count(const ModelRecord* record, WORD* count) {
  const auto* r = As<ValueListRecord>(record, kRecordValueList);
  if (!r || !count || r->level < kModelLevelValueLists) return 1;
  *count = r->entryCount;
  return 0;
}

ModelStatus GetType21Entry(const ModelRecord* record, WORD n, WORD* id, WORD* valueSize, WORD* valueType,
                           const BYTE** value) {
  const auto* r = As<ValueListRecord>(record, kRecordValueList);
  if (!r || n == 0 || r->level < kModelLevelValueLists) return 1;
  if (n > r->entryCount) return 2;
  if (id) *id = r->ids[n - 1];
  if (valueSize) *valueSize = r->valueSizes[n - 1];
  if (valueType) *valueType = r->valueTypes[n - 1];
  if (value) *value = r->values[n - 1];
  return 0;
}

#else

ModelStatus GetNamedByteFlag(const ModelRecord* record, BYTE* byte) {
  const auto* r = As<NamedByteRecord>(record, kRecordNamedByte);
  if (!r || !byte || r->level < kModelLevelNamedBytes) return 1;
  *byte = r->byte;
  return 0;
}

#endif
