// The model interface of the settings and interface layers over the model
// queries by setting id.
#include "settings/model/model_interface.h"

#include <cstring>

namespace {

void Report(ModelInterfaceStatus* status, ModelInterfaceStatus value) {
  if (status) *status = value;
}

// Reports a reader status; 1 for success, 0 otherwise.
int Answer(ModelInterfaceStatus* status, ModelStatus s) {
  Report(status, MapModelStatus(s));
  return s == 0 ? 1 : 0;
}

bool SameText(const WCHAR* a, const WCHAR* b) {
  if (!a || !b) return false;
  size_t k = 0;
  for (; a[k] && a[k] == b[k]; ++k) {
  }
  return a[k] == b[k];
}

}  // namespace

ModelStatus LoadDefaultTarget(DeviceModel* model, SettingId id, ModelRecord** target) {
  if (!target) return 1;
  *target = nullptr;
  if (!model) return 1;
  WORD type = 0;
  ModelRecord* feature = nullptr;
  ModelStatus s = FindSettingModelRecord(true, model->primary, model->secondary, id, nullptr, &type, &feature);
  if (s) return s;
  if (type != kRecordFlagFeature && type != kRecordSettingFeature) {
    if (type == kRecordFileInfo) GlobalFree(feature);
    else ReleaseModelRecord(feature);
    return 1;
  }
  ModelRecord* option = nullptr;
  WORD optionType = 0;
  s = LoadFeatureOptionRecord(false, true, model->primary, model->secondary, feature, 0, &optionType, &option);
  ReleaseModelRecord(feature);
  if (s) return s;
  WORD targetType = 0;
  s = LoadOptionTarget(true, model->primary, model->secondary, option, &targetType, target);
  ReleaseModelRecord(option);
  return s;
}

ModelInterfaceStatus MapModelStatus(ModelStatus status) {
  switch (status) {
    case 0: return kModelOk;
    case 2: return kModelNotFound;
    case 4: return kModelOutOfMemory;
    default: return kModelFailed;
  }
}

int GetModelDefaultValue(DeviceModel* model, SettingId id, ULONG_PTR* value, WORD* valueType,
                         ModelInterfaceStatus* status) {
  if (value) *value = 0;
  if (!model || !value || !valueType) return Answer(status, 1);
  BYTE* data = nullptr;
  WORD type = 0, size = 0;
  ModelStatus s = ReadFeatureDefaultValue(model->primary, model->secondary, id, &data, &type, &size);
  if (s) return Answer(status, s);
  *valueType = type;
  if (type == kSettingTypeText) {
    *value = reinterpret_cast<ULONG_PTR>(data);
    return Answer(status, 0);
  }
  DWORD v = 0;
  if (data) memcpy(&v, data, size < 4 ? size : 4);
  *value = v;
  if (data) GlobalFree(data);
  return Answer(status, 0);
}

BOOL FreeModelValue(ULONG_PTR value, WORD valueType) {
  if (!value) return FALSE;
  if (valueType == kSettingTypeText) return GlobalFree(reinterpret_cast<HGLOBAL>(value)) == nullptr;
  return TRUE;
}

int GetModelDefaultData(DeviceModel* model, SettingId id, BYTE** data, ModelInterfaceStatus* status) {
  if (!model || !data) return Answer(status, 1);
  return Answer(status, GetFeatureDefaultValue(model->primary, model->secondary, id, data, nullptr));
}

int GetModelFeature(DeviceModel* model, SettingId id, WORD* displayKind, WORD* optionCount, const WCHAR** name,
                    ModelRecord** record, ModelInterfaceStatus* status) {
  if (!record || !status) return 0;
  *record = nullptr;
  if (!model) return Answer(status, 1);
  WORD type = 0;
  ModelRecord* found = nullptr;
  ModelStatus s = FindSettingModelRecord(true, model->primary, model->secondary, id, nullptr, &type, &found);
  if (s) return Answer(status, s);
  if (type != kRecordFlagFeature && type != kRecordSettingFeature) {
    // The model name of ids 1 and 259, or a record of a pseudo-id: no feature.
    if (type == kRecordFileInfo) GlobalFree(found);
    else ReleaseModelRecord(found);
    return Answer(status, 1);
  }
  const auto* feature = static_cast<const FeatureRecord*>(found);
  if (displayKind) *displayKind = feature->displayKind;
  if (optionCount) *optionCount = feature->optionCount;
  if (name) *name = feature->name;
  *record = found;
  return Answer(status, 0);
}

int GetModelFeatureOption(DeviceModel* model, SettingId id, WORD option, ModelValue** value,
                          ModelInterfaceStatus* status) {
  if (!model || !value) return Answer(status, 1);
  return Answer(status, LoadModelValue(model->primary, model->secondary, id, option, value));
}

int UnpackModelValue(const ModelValue* value, BYTE** data, WCHAR** name, WORD* valueType, ValueBlob** blob) {
  if (!value) return 0;
  if (data) *data = value->data;
  if (name) *name = value->name;
  if (valueType) *valueType = value->type;
  if (blob) *blob = value->blob;
  return 1;
}

BOOL IsModelValueKnown(DeviceModel* model, SettingId id, const void* value) {
  if (!model) return FALSE;
  WORD type = 0;
  ModelRecord* record = nullptr;
  if (FindSettingModelRecord(false, model->primary, model->secondary, id, value, &type, &record)) return FALSE;
  if (type == kRecordFileInfo) GlobalFree(record);
  else ReleaseModelRecord(record);
  return TRUE;
}

ModelRecord* LoadValueTarget(DeviceModel* model, SettingId id, const void* value, WORD* recordType,
                             ModelInterfaceStatus* status) {
  if (!recordType) return Answer(status, 1), nullptr;
  *recordType = 0;
  if (!model || !value) return Answer(status, 1), nullptr;
  WORD type = 0;
  ModelRecord* option = nullptr;
  ModelStatus s = FindSettingModelRecord(false, model->primary, model->secondary, id, value, &type, &option);
  if (s) return Answer(status, s), nullptr;
  ModelRecord* target = nullptr;
  if (type == kRecordFlagOption || type == kRecordSettingOption) {
    s = LoadOptionTarget(true, model->primary, model->secondary, option, recordType, &target);
  } else {
    s = 1;  // the setting has no options that point anywhere
  }
  if (type == kRecordFileInfo) GlobalFree(option);
  else ReleaseModelRecord(option);
  Answer(status, s);
  return target;
}

int GetValuePaperDimensions(DeviceModel* model, SettingId id, const void* value, SHORT* x1, SHORT* y1, SHORT* x2,
                            SHORT* y2, ModelInterfaceStatus* status) {
  WORD type = 0;
  ModelRecord* paper = LoadValueTarget(model, id, value, &type, status);
  if (!paper) return 0;
  const PointItem* first = GetPaperRecordPoint1(paper);
  const PointItem* second = GetPaperRecordPoint2(paper);
  if (!first || !second) {
    ReleaseModelRecord(paper);
    return Answer(status, 1);
  }
  if (x1) *x1 = first->x;
  if (y1) *y1 = first->y;
  if (x2) *x2 = second->x;
  if (y2) *y2 = second->y;
  ReleaseModelRecord(paper);
  return Answer(status, 0);
}

int GetDefaultPaperSize(DeviceModel* model, SettingId id, SHORT* width, SHORT* height, ModelInterfaceStatus* status) {
  ModelRecord* paper = nullptr;
  ModelStatus s = LoadDefaultTarget(model, id, &paper);
  if (s) return Answer(status, s);
  const PointItem* size = GetPaperRecordPoint1(paper);
  if (size) {
    if (width) *width = size->x;
    if (height) *height = size->y;
  }
  ReleaseModelRecord(paper);
  return Answer(status, size ? 0 : 1);
}

WCHAR* GetDefaultOptionTargetName(DeviceModel* model, SettingId id, ModelInterfaceStatus* status) {
  ModelRecord* target = nullptr;
  ModelStatus s = LoadDefaultTarget(model, id, &target);
  if (s) return Answer(status, s), nullptr;
  const WCHAR* name = GetModelRecordText(target);
  WCHAR* copy = name ? CopyModelText(name) : nullptr;
  ReleaseModelRecord(target);
  Report(status, copy ? kModelOk : name ? kModelOutOfMemory : kModelFailed);
  return copy;
}

int FindPaperByKeySizeOrName(DeviceModel* model, SettingId id, int mode, const PaperMatch* query, PaperMatch* found,
                             ModelInterfaceStatus* status) {
  if (!model || !query || !found || mode < kPaperByKey || mode > kPaperByName) return Answer(status, 1);
  if (mode == kPaperByName && !query->name) return Answer(status, 1);
  WORD count = 0;
  ModelRecord* feature = nullptr;
  if (!GetModelFeature(model, id, nullptr, &count, nullptr, &feature, status)) return 0;
  ReleaseModelRecord(feature);

  for (WORD n = 1; n <= count; ++n) {
    ModelValue* option = nullptr;
    if (!GetModelFeatureOption(model, id, n, &option, status)) return 0;
    BYTE* value = nullptr;
    UnpackModelValue(option, &value, nullptr, nullptr, nullptr);
    WORD type = 0;
    ModelRecord* paper = value ? LoadValueTarget(model, id, value, &type, status) : nullptr;
    FreeModelValue(option);
    if (!paper) {
      if (!value) Report(status, kModelFailed);
      return 0;
    }
    const PointItem* size = GetPaperRecordPoint1(paper);
    bool match = false;
    switch (mode) {
      case kPaperByKey: match = paper->key == query->key; break;
      case kPaperBySize: match = size && size->x == query->width && size->y == query->height; break;
      case kPaperByName: match = SameText(GetModelRecordText(paper), query->name); break;
    }
    if (match) {
      const WCHAR* name = GetModelRecordText(paper);
      WCHAR* copy = name ? CopyModelText(name) : nullptr;
      if (!copy) {
        ReleaseModelRecord(paper);
        return Answer(status, name ? 4 : 1);
      }
      *found = PaperMatch{paper->key, static_cast<SHORT>(size ? size->x : 0), static_cast<SHORT>(size ? size->y : 0),
                          copy, nullptr};
      ReleaseModelRecord(paper);
      return Answer(status, 0);
    }
    ReleaseModelRecord(paper);
  }
  Report(status, kModelNotFound);
  return 0;
}

void FreePaperMatch(PaperMatch* paper) {
  if (!paper || !paper->name) return;
  GlobalFree(paper->name);
  paper->name = nullptr;
}

WCHAR* GetModelNameText(DeviceModel* model, ModelInterfaceStatus* status) {
  if (!model) return Answer(status, 1), nullptr;
  WCHAR* name = nullptr;
  ModelStatus s = GetSettingOptionText(model->primary, model->secondary, 259, nullptr, &name);
  Answer(status, s);
  return name;
}
