// The memory forms of the records of the device description files, their
// parsers and release routines, and the lookups by position and key, the
// options of a feature, value blobs and the value tables conditions refer
// to. Nothing is cached: every lookup reads the file copy again and hands
// out a record the caller releases. Every block is a GlobalAlloc block.
#pragma once

#include "settings/model/device_model.h"

// ---- Items -------------------------------------------------------------------

struct KeyItem {
  WORD kind;  // 515
  WORD key;
};

struct ConditionItem {
  WORD kind;  // 517
  WORD subject;
  BYTE comparison;
  WORD settingId;
  WORD valueType;
  WORD itemSize;
  BYTE* data;  // owned
  WORD count;  // 1 with data, 0 absent; the item count after table resolution
};

struct PlacementItem {
  WORD kind;  // 518
  WORD x;
  WORD y;
  KeyItem bitmap;
};

struct PointItem {
  WORD kind;  // 519
  SHORT x;
  SHORT y;
};

struct ChainedConditionItem {
  WORD kind;  // 521
  ConditionItem condition;
  BYTE join;
};

struct ValueBlob {
  WORD kind;  // 522
  WORD size;
  BYTE* data;  // owned
};

struct ModelValue {
  WORD kind;  // 523
  WCHAR* name;
  BYTE* data;
  WORD type;
  ValueBlob* blob;
};

// ---- Records -----------------------------------------------------------------

struct ModelRecord {
  WORD key;
  WORD type;
  WORD file;    // 2 primary, 1 secondary: the file that held it
  DWORD level;  // format level of the primary it was read through
};

struct FileInfoRecord : ModelRecord {  // 1
  WCHAR* title;
  WCHAR* modelName;
  WCHAR* secondaryName;
  WORD major;
  WORD minor;
  WORD build;
  DWORD formatLevel;
};

// The fields features and options share: the name, the auxiliary key and
// the constraint key lists of types 7 and 8 the conflict engine reads.
struct ConstrainedRecord : ModelRecord {
  WORD nameBytes;
  WCHAR* name;
  KeyItem auxiliary;
  WORD constraintACount;
  KeyItem* constraintAKeys;
  WORD constraintBCount;
  KeyItem* constraintBKeys;
};

struct FeatureRecord : ConstrainedRecord {  // 3, 4
  WORD displayKind;
  WORD defaultOption;
  WORD optionCount;
  KeyItem* optionKeys;
  KeyItem blobKey;
};

struct RangeRecord : ModelRecord {  // 5, 6
  WORD nameBytes;
  WCHAR* name;
  PointItem point1;
  PointItem point2;
  WORD word;
  WORD settingCount;
  KeyItem* settingIds;
  WORD secondCount;
  KeyItem* secondKeys;
  BYTE byte;
};

struct ConstraintRecord : ModelRecord {  // 7, 8
  ConditionItem condition;
  WORD rule;
  WORD messageBytes;
  WCHAR* message;
  WORD chainedCount;
  ChainedConditionItem* chained;
  WORD conditionCount;
  ConditionItem* conditions;
};

struct PictureRecord : ModelRecord {  // 9
  WORD chainedCount;
  ChainedConditionItem* chained;
  PlacementItem placement;
};

struct PaperRecord : ModelRecord {  // 10
  WORD nameBytes;
  WCHAR* name;
  WORD paperByte;
  PointItem pair1[2];
  PointItem pair2[2];
  PointItem pair3[2];
  WORD paperCode;
  WORD secondCode;
  BYTE sizeKind;
  PointItem pair4[2];  // minimum and maximum size; zero when absent
};

struct DeviceFontModelRecord : ModelRecord {  // 11
  WORD faceBytes;
  WCHAR* face;
  WORD aliasCount;
  WCHAR** aliases;
  WORD secondBytes;
  WORD secondCount;
  WCHAR* second;
  WCHAR** secondTexts;
  DWORD fontDataSize;
  BYTE* fontData;
  WORD word;
};

struct BitmapRecord : ModelRecord {  // 12
  WORD width;
  WORD height;
  DWORD dataSize;
  BYTE* data;  // information header, colour table, pixels
};

struct OptionRecord : ConstrainedRecord {  // 13, 14
  WORD targetType;
  KeyItem targetKey;
  WORD valueType;
  WORD valueSize;
  BYTE* value;
  KeyItem blobKey;
};

struct ConditionalTextsRecord : ModelRecord {  // 15
  WORD chainedCount;
  ChainedConditionItem* chained;
  WORD textABytes;
  WCHAR* textA;
  WORD textBBytes;
  WCHAR* textB;
  WORD word;
};

struct ConditionalDataRecord : ModelRecord {  // 16
  WORD chainedCount;
  ChainedConditionItem* chained;
  BYTE byteA;
  BYTE byteB;
  WORD dataSize;
  BYTE* data;
};

struct PointPairRecord : ModelRecord {  // 17
  PointItem point1;
  PointItem point2;
};

struct ValueBlobRecord : ModelRecord {  // 18
  ValueBlob blob;
};

struct NamedByteRecord : ModelRecord {  // 19
  WORD nameBytes;
  WCHAR* name;
  BYTE byte;
};

struct ValueTableRecord : ModelRecord {  // 20
  WORD word;
  WORD valueType;
  WORD itemSize;
  WORD itemCount;
  BYTE* items;
};

struct ValueListRecord : ModelRecord {  // 21
  WORD nameBytes;
  WCHAR* name;
  WORD entryCount;
  WORD* ids;
  WORD* valueTypes;
  WORD* valueSizes;
  BYTE** values;
};

// A value table read in place: the items point into the file copy.
struct ValueTableHead {
  WORD key;
  WORD word;
  WORD valueType;
  WORD itemSize;
  WORD itemCount;
  const BYTE* items;
};

// ---- Records: allocation, parsing, release -------------------------------------

// A zeroed record of the type's form with its type set; null for a type
// without a form.
ModelRecord* AllocModelRecord(WORD type);
ValueBlob* AllocValueBlob();
ModelValue* AllocModelValue();
// Frees a blob's data (the blob itself is left to its owner).
void ClearValueBlob(ValueBlob* blob);
void FreeModelValue(ModelValue* value);

ModelStatus ParseModelRecord(bool full, ModelFile* file, ModelFile* primary, ModelFile* secondary, WORD type,
                             ModelRecord** record);
// Releases *record and clears the pointer: 0; 1 for a null pointer or record,
// or when `type` (-1: the record's own) does not match the record (the
// pointer is cleared then too, the record is left alone).
int FreeModelRecord(ModelRecord** record, int type);
bool ReleaseModelRecord(ModelRecord* record);
bool ReleaseModelRecordRef(ModelRecord** record);

// ---- Item readers (each reads at the position and advances it) -----------------

ModelStatus ReadKeyItem(ModelFile* file, KeyItem* item);
ModelStatus ReadPointItem(ModelFile* file, PointItem* item);
ModelStatus ReadPlacementItem(ModelFile* file, PlacementItem* item);
ModelStatus ReadTypedValue(ModelFile* file, WORD* type, WORD* size, BYTE** data);
ModelStatus ReadConditionItem(ModelFile* file, ConditionItem* item);
// A list of items of kind 515, 517, 518 or 521 into one array (none for count 0).
ModelStatus ReadItemList(ModelFile* file, WORD kind, WORD* count, void** items);
ModelStatus ReadRecordName(ModelFile* file, WCHAR** name, WORD* byteCount);

// ---- Lookups -------------------------------------------------------------------

ModelStatus LoadModelRecordByIndex(bool full, ModelFile* primary, ModelFile* secondary, WORD type, DWORD position,
                                   ModelRecord** record);
ModelStatus LoadModelRecordByKey(bool full, ModelFile* primary, ModelFile* secondary, WORD type, WORD key, WORD option,
                                 ModelRecord** record);
ModelStatus LoadRecordName(ModelFile* primary, ModelFile* secondary, WORD type, WORD key, WORD option, WCHAR** name);
ModelStatus LoadOptionTarget(bool full, ModelFile* primary, ModelFile* secondary, const ModelRecord* option,
                             WORD* targetType, ModelRecord** target);
// An option of a feature, found by its key in the index of the file that held
// the feature (`indexOwner`): a secondary file's option keys are its own.
ModelStatus LoadFeatureOption(bool full, ModelFile* primary, ModelFile* secondary, WORD indexOwner, WORD optionType,
                              WORD key, ModelRecord** record);
ModelStatus LoadFeatureOptionRecord(bool full, bool useDefault, ModelFile* primary, ModelFile* secondary,
                                    const ModelRecord* feature, WORD option, WORD* optionType, ModelRecord** record);
ModelStatus CopyRecordValue(ModelFile* primary, ModelFile* secondary, const ModelRecord* record, WCHAR** name,
                            BYTE** value, WORD* valueType);
ModelStatus LoadRecordValueBlob(ModelFile* primary, ModelFile* secondary, const ModelRecord* record, ValueBlob* blob);
ModelStatus CopyValueBlob(ValueBlob* destination, const ValueBlob* source);
ModelStatus ResolveConditionValueTable(ModelFile* primary, ConditionItem* condition);
ModelStatus ReadValueTableHead(ModelFile* file, ValueTableHead* head);
