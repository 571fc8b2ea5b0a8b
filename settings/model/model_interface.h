// The device model as the settings layer and the printer interface library
// see it: simple answers with a three-valued status written through the
// caller's status pointer (0 success, 1 failure or bad argument, 2 not
// found, 3 out of memory) in place of the reader's status codes.
#pragma once

#include "settings/model/model_queries.h"

using ModelInterfaceStatus = WORD;
constexpr ModelInterfaceStatus kModelOk = 0;
constexpr ModelInterfaceStatus kModelFailed = 1;
constexpr ModelInterfaceStatus kModelNotFound = 2;
constexpr ModelInterfaceStatus kModelOutOfMemory = 3;

// Reader status 0 -> 0, 2 -> 2, 4 -> 3, anything else -> 1.
ModelInterfaceStatus MapModelStatus(ModelStatus status);

// A paper as the interface layers pass it: the paper record's key (or a
// 1-based form number where forms are matched), its size in 0.1 mm and its
// name (owned by the record; FreePaperMatch frees it).
struct PaperMatch {
  WORD key;
  SHORT width;
  SHORT height;
  WCHAR* name;
  void* further;  // cleared when the record is replaced by a spooler form
};

// The record the default option of the setting's feature points to (the
// caller releases it): 0, or the failure of the lookup.
ModelStatus LoadDefaultTarget(DeviceModel* model, SettingId id, ModelRecord** target);

// The default option's value: a text (type 6) as the new text itself (freed
// with FreeModelValue), any other type as its first bytes (at most 4)
// zero-extended. 1, or 0 with value 0.
int GetModelDefaultValue(DeviceModel* model, SettingId id, ULONG_PTR* value, WORD* valueType,
                         ModelInterfaceStatus* status);
// Frees a text value (type 6); true when the value was present and, for a
// text, freed.
BOOL FreeModelValue(ULONG_PTR value, WORD valueType);
// The default option's value block (the caller frees it).
int GetModelDefaultData(DeviceModel* model, SettingId id, BYTE** data, ModelInterfaceStatus* status);
// The setting's feature record (the caller releases it), with its display
// kind, option count and name (pointing into the record) when asked for.
int GetModelFeature(DeviceModel* model, SettingId id, WORD* displayKind, WORD* optionCount, const WCHAR** name,
                    ModelRecord** record, ModelInterfaceStatus* status);
// Option n of the setting (0: the feature itself) as a ModelValue.
int GetModelFeatureOption(DeviceModel* model, SettingId id, WORD option, ModelValue** value,
                          ModelInterfaceStatus* status);
// The parts of a ModelValue (pointing into it); 0 for a null value.
int UnpackModelValue(const ModelValue* value, BYTE** data, WCHAR** name, WORD* valueType, ValueBlob** blob);
// True when a record describes the setting with this value.
BOOL IsModelValueKnown(DeviceModel* model, SettingId id, const void* value);
// The record the option carrying this value points to (a paper option's
// paper record, for one); null on failure.
ModelRecord* LoadValueTarget(DeviceModel* model, SettingId id, const void* value, WORD* recordType,
                             ModelInterfaceStatus* status);
// Both points of pair 1 of the value's paper record.
int GetValuePaperDimensions(DeviceModel* model, SettingId id, const void* value, SHORT* x1, SHORT* y1, SHORT* x2,
                            SHORT* y2, ModelInterfaceStatus* status);
// The size (first point of pair 1) of the default option's paper record.
int GetDefaultPaperSize(DeviceModel* model, SettingId id, SHORT* width, SHORT* height, ModelInterfaceStatus* status);
// A new copy of the name of the default option's target record.
WCHAR* GetDefaultOptionTargetName(DeviceModel* model, SettingId id, ModelInterfaceStatus* status);

// FindPaperByKeySizeOrName modes.
constexpr int kPaperByKey = 1;
constexpr int kPaperBySize = 2;
constexpr int kPaperByName = 3;
// The first option of the setting whose paper record matches the query by
// key, size or (exact) name: 1 with key, size and a copy of the name in
// `found`; 0 with status 2 when none matches.
int FindPaperByKeySizeOrName(DeviceModel* model, SettingId id, int mode, const PaperMatch* query, PaperMatch* found,
                             ModelInterfaceStatus* status);
void FreePaperMatch(PaperMatch* paper);
// A new copy of the model name.
WCHAR* GetModelNameText(DeviceModel* model, ModelInterfaceStatus* status);
