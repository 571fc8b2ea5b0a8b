// Finding the records, options and defaults of settings by id.
#include "settings/model/model_queries.h"

#include <cstring>

#include "settings/access/setting_access.h"

namespace {

bool IsFeature(WORD type) { return type == kRecordFlagFeature || type == kRecordSettingFeature; }

WORD OptionTypeOf(WORD featureType) {
  return featureType == kRecordFlagFeature ? kRecordFlagOption : kRecordSettingOption;
}

WORD FirstU16(const void* value) {
  WORD v = 0;
  memcpy(&v, value, 2);
  return v;
}

// Releases what FindSettingModelRecord handed out: the model name of type 1
// is a plain text.
void ReleaseFound(WORD type, ModelRecord** record) {
  if (!*record) return;
  if (type == kRecordFileInfo) {
    GlobalFree(*record);
    *record = nullptr;
  } else {
    FreeModelRecord(record, -1);
  }
}

// The kind of value a type holds: its byte width for the numbers, apart from
// texts and model values (floats), which only compare with their own kind.
int ValueKind(SettingValueType type) {
  switch (type) {
    case kSettingTypeText: return -1;
    case kSettingTypeModelValue: return -2;
    default: {
      UINT size = 0;
      return GetValueTypeSize(0, type, &size) ? static_cast<int>(size) : 0;
    }
  }
}

// An option's value against the given one, by the option's value type. With a
// setting type, the given value has that type's width: an option stored in a
// type of another kind does not match, so neither value is read past its end.
bool ValueMatches(const OptionRecord* option, const void* value, SettingValueType settingType) {
  const BYTE* stored = option->value;
  if (!stored) return false;
  if (settingType != 0 && ValueKind(option->valueType) != ValueKind(settingType)) return false;
  switch (option->valueType) {
    case kSettingTypeInt32:
    case kSettingTypeSInt32:
    case kSettingTypeUInt32:
    case kSettingTypeFontField: return option->valueSize >= 4 && memcmp(stored, value, 4) == 0;
    case kSettingTypeInt16:
    case kSettingTypeUInt16: return option->valueSize >= 2 && memcmp(stored, value, 2) == 0;
    case kSettingTypeUInt8: return option->valueSize >= 1 && stored[0] == *static_cast<const BYTE*>(value);
    case kSettingTypeText: {
      const auto* a = reinterpret_cast<const WCHAR*>(stored);
      const auto* b = static_cast<const WCHAR*>(value);
      size_t chars = option->valueSize / sizeof(WCHAR);
      for (size_t k = 0; k < chars; ++k) {
        WCHAR c = 0;
        memcpy(&c, a + k, sizeof c);
        if (c != b[k]) return false;
        if (c == 0) return true;
      }
      return false;
    }
    case kSettingTypeModelValue: {
      if (option->valueSize < 4) return false;
      float x = 0, y = 0;
      memcpy(&x, stored, 4);
      memcpy(&y, value, 4);
      return x == y;  // false for NaN: unordered values never match
    }
    default: return false;
  }
}

ModelStatus Skip(ModelFile* file, DWORD n) { return SetModelReadPosition(file, 1, static_cast<LONG>(n)); }

}  // namespace

WCHAR* CopyModelText(const WCHAR* text) {
  size_t n = 0;
  while (text[n]) ++n;
  auto* copy = static_cast<WCHAR*>(GlobalAlloc(GPTR, (n + 1) * sizeof(WCHAR)));
  if (copy) memcpy(copy, text, n * sizeof(WCHAR));
  return copy;
}

void MapSettingToModelKey(SettingId id, const void* value, WORD* recordType, WORD* key) {
  WORD type = kRecordSettingFeature;
  WORD k = id;
  if (id == 1 || id == 259) {
    type = kRecordFileInfo;
  } else if (id >= 274 && id <= 285) {
    k = static_cast<WORD>(274 + (id - 274) / 4 * 4);
  } else if (id >= 769 && id <= 800) {
    type = kRecordFlagFeature;
  } else if (id == kModelPaperById || id == kModelRangeAById || id == kModelRangeBById) {
    type = id == kModelPaperById ? kRecordPaper : id == kModelRangeAById ? kRecordRangeA : kRecordRangeB;
    k = value ? FirstU16(value) : 0;
  }
  if (recordType) *recordType = type;
  if (key) *key = k;
}

ModelStatus FindSettingModelRecord(bool full, ModelFile* primary, ModelFile* secondary, SettingId id, const void* value,
                                   WORD* recordType, ModelRecord** record) {
  if (!recordType || !record) return 1;
  *recordType = 0;
  *record = nullptr;
  WORD type = 0, key = 0;
  MapSettingToModelKey(id, value, &type, &key);
  if (key == 0) return value ? 2 : 1;

  if (type == kRecordFileInfo) {
    ModelRecord* head = nullptr;
    ModelStatus s = ReadFileInfoRecord(primary, &head);
    if (s) return s;
    const WCHAR* name = static_cast<FileInfoRecord*>(head)->modelName;
    WCHAR* copy = name ? CopyModelText(name) : nullptr;
    ReleaseModelRecord(head);
    if (!copy) return 4;
    *record = reinterpret_cast<ModelRecord*>(copy);
    *recordType = kRecordFileInfo;
    return 0;
  }
  if (IsFeature(type) && value) {
    ModelRecord* feature = nullptr;
    ModelStatus s = LoadModelRecordByKey(true, primary, secondary, type, key, 0, &feature);
    if (s) return s;
    // The caller's value has the setting's own type; the table says which.
    SettingValueType valueType = 0, returnedType = 0;
    LookupSettingField(id, &valueType, &returnedType, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    SettingValueType settingType = returnedType != 0 ? returnedType : valueType;
    s = FindOptionByValue(full, primary, secondary, feature, value, recordType, record, settingType);
    ReleaseModelRecord(feature);
    return s;
  }
  ModelStatus s = LoadModelRecordByKey(full, primary, secondary, type, key, 0, record);
  if (s) return s;
  *recordType = type;
  return 0;
}

ModelStatus FindOptionByValue(bool full, ModelFile* primary, ModelFile* secondary, const ModelRecord* feature,
                              const void* value, WORD* recordType, ModelRecord** option, SettingValueType settingType) {
  if (!option || !recordType) return 1;
  *option = nullptr;
  *recordType = 0;
  if (!feature || !value || !IsFeature(feature->type)) return 1;
  const auto* f = static_cast<const FeatureRecord*>(feature);
  if (f->optionCount == 0 || !f->optionKeys) return 2;
  WORD optionType = OptionTypeOf(feature->type);
  // Options are looked up where their feature was found: the secondary
  // file's keys are its own.
  WORD indexOwner = feature->file == kModelFileSecondary ? kModelFileSecondary : kModelFilePrimary;
  for (WORD k = 0; k < f->optionCount; ++k) {
    ModelRecord* candidate = nullptr;
    ModelStatus s =
        LoadFeatureOption(full, primary, secondary, indexOwner, optionType, f->optionKeys[k].key, &candidate);
    if (s) return s;
    if (ValueMatches(static_cast<OptionRecord*>(candidate), value, settingType)) {
      *option = candidate;
      *recordType = optionType;
      return 0;
    }
    ReleaseModelRecord(candidate);
  }
  return 2;
}

ModelStatus LoadSettingOptionRecord(bool full, ModelFile* primary, ModelFile* secondary, SettingId id, WORD n,
                                    WORD* recordType, ModelRecord** record) {
  if (!recordType || !record) return 1;
  *recordType = 0;
  *record = nullptr;
  if (n == 0) return 1;
  WORD type = 0, key = 0;
  MapSettingToModelKey(id, nullptr, &type, &key);
  if (IsFeature(type)) {
    ModelRecord* feature = nullptr;
    ModelStatus s = LoadModelRecordByKey(true, primary, secondary, type, key, 0, &feature);
    if (s) return s;
    WORD optionType = 0;
    s = LoadFeatureOptionRecord(full, false, primary, secondary, feature, n, &optionType, record);
    ReleaseModelRecord(feature);
    if (!s) *recordType = optionType;
    return s;
  }
  if (type == kRecordRangeA || type == kRecordRangeB || type == kRecordPaper) {
    ModelStatus s = LoadModelRecordByIndex(full, primary, secondary, type, n, record);
    if (!s) *recordType = type;
    return s;
  }
  return 2;
}

ModelStatus LoadSettingOptionValue(ModelFile* primary, ModelFile* secondary, SettingId id, WORD n, WCHAR** name,
                                   BYTE** value, WORD* valueType) {
  WORD type = 0;
  ModelRecord* record = nullptr;
  ModelStatus s = LoadSettingOptionRecord(false, primary, secondary, id, n, &type, &record);
  if (s) return s;
  s = CopyRecordValue(primary, secondary, record, name, value, valueType);
  ReleaseModelRecord(record);
  return s;
}

ModelStatus LoadModelValue(ModelFile* primary, ModelFile* secondary, SettingId id, WORD n, ModelValue** value) {
  if (!value) return 1;
  *value = nullptr;
  WORD type = 0;
  ModelRecord* record = nullptr;
  ModelStatus s = n == 0 ? FindSettingModelRecord(true, primary, secondary, id, nullptr, &type, &record)
                         : LoadSettingOptionRecord(true, primary, secondary, id, n, &type, &record);
  if (s) return s;
  if (type == kRecordFileInfo) {
    // The model name has no value.
    ReleaseFound(type, &record);
    return 1;
  }
  ModelValue* v = AllocModelValue();
  if (!v) {
    ReleaseModelRecord(record);
    return 4;
  }
  s = CopyRecordValue(primary, secondary, record, &v->name, &v->data, &v->type);
  if (!s && (IsFeature(record->type) || record->type == kRecordFlagOption || record->type == kRecordSettingOption)) {
    v->blob = AllocValueBlob();
    if (!v->blob) {
      s = 4;
    } else {
      ModelStatus b = LoadRecordValueBlob(primary, secondary, record, v->blob);
      if (b == 2) {
        GlobalFree(v->blob);
        v->blob = nullptr;
      } else {
        s = b;
      }
    }
  }
  ReleaseModelRecord(record);
  if (s) {
    FreeModelValue(v);
    return s;
  }
  *value = v;
  return 0;
}

ModelStatus GetSettingOptionText(ModelFile* primary, ModelFile* secondary, SettingId id, const void* value,
                                 WCHAR** text) {
  if (!text) return 1;
  *text = nullptr;
  WORD type = 0;
  ModelRecord* record = nullptr;
  ModelStatus s = FindSettingModelRecord(false, primary, secondary, id, value, &type, &record);
  if (s) return s;
  if (type == kRecordFileInfo) {
    *text = reinterpret_cast<WCHAR*>(record);
    return 0;
  }
  const WCHAR* name = GetModelRecordText(record);
  if (name) {
    *text = CopyModelText(name);
    s = *text ? 0 : 4;
  } else {
    s = 2;
  }
  ReleaseModelRecord(record);
  return s;
}

ModelStatus ReadFeatureDefaultValue(ModelFile* primary, ModelFile* secondary, SettingId id, BYTE** value,
                                    WORD* valueType, WORD* valueSize) {
  if (!value) return 1;
  *value = nullptr;
  WORD type = 0, key = 0;
  MapSettingToModelKey(id, nullptr, &type, &key);
  if (!IsFeature(type)) return 1;
  if (key == 0) return 2;

  // The feature: name, display kind, default option number, auxiliary key,
  // the option list's length, its count and keys.
  WORD holder = 0;
  ModelStatus s = SeekModelRecord(kSeekByKey, primary, secondary, kModelFilePrimary, type, key, &holder);
  if (s) return s;
  ModelFile* file = ModelFileOf(primary, secondary, holder);
  WORD nameBytes = 0, defaultOption = 0, count = 0, optionKey = 0;
  if (Skip(file, kModelRecordBodyOffset) || ReadModelU16(file, &nameBytes) || Skip(file, nameBytes + 1u) ||
      ReadModelU16(file, &defaultOption) || Skip(file, 6) || ReadModelU16(file, &count))
    return 1;
  if (defaultOption == 0 || defaultOption > count) return 1;
  if (Skip(file, 2u * (defaultOption - 1)) || ReadModelU16(file, &optionKey)) return 1;

  // The option, found in the index of the file that held the feature: name,
  // target type and key, auxiliary key, two constraint lists, the value.
  WORD optionHolder = 0;
  s = SeekModelRecord(kSeekByKey, primary, secondary, holder, OptionTypeOf(type), optionKey, &optionHolder);
  if (s) return s;
  file = ModelFileOf(primary, secondary, optionHolder);
  DWORD length = 0;
  if (Skip(file, kModelRecordBodyOffset) || ReadModelU16(file, &nameBytes) || Skip(file, nameBytes + 6u) ||
      ReadModelU32(file, &length) || Skip(file, length) || ReadModelU32(file, &length) || Skip(file, length))
    return 1;
  WORD t = 0, size = 0;
  BYTE* data = nullptr;
  s = ReadTypedValue(file, &t, &size, &data);
  if (s) {
    if (data) GlobalFree(data);
    return s;
  }
  *value = data;
  if (valueType) *valueType = t;
  if (valueSize) *valueSize = size;
  return 0;
}

ModelStatus GetFeatureDefaultValue(ModelFile* primary, ModelFile* secondary, SettingId id, BYTE** value,
                                   WORD* valueType) {
  return ReadFeatureDefaultValue(primary, secondary, id, value, valueType, nullptr);
}
