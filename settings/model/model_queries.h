// Questions the settings layer asks the device model by setting id: which
// record describes a setting, which option carries a value, the default, the
// options' names, values, paper sizes and pictures, and the model-wide
// answers of the header fields (maximum copies, colour kind, fixed printer
// flags, the DEVMODE fields the model supports on the running system).
//
// Results are the reader's status codes (0 success, 1 bad argument or data,
// 2 not found, 4 out of memory) unless a function says otherwise. Records
// handed out belong to the caller and are released with FreeModelRecord.
// A value is given by the address of its bytes in its type's width; a text
// value (type 6) by the address of the text.
#pragma once

#include "platform/gdi/gdi_palette_icon.h"
#include "settings/model/model_records.h"
#include "settings/access/setting_ids.h"
#include "settings/services/settings_build.h"

// Model pseudo-ids: record lookups by key, the key being the value's first u16.
constexpr SettingId kModelPaperById = 0x8001;   // paper record (type 10)
constexpr SettingId kModelRangeAById = 0x8002;  // range record (type 5)
constexpr SettingId kModelRangeBById = 0x8003;  // range record (type 6)

// A new copy of a text (GlobalAlloc); null when memory runs out.
WCHAR* CopyModelText(const WCHAR* text);

// The record type and key that describe a setting. Always succeeds.
void MapSettingToModelKey(SettingId id, const void* value, WORD* recordType, WORD* key);

// The record of a setting: for ids 1 and 259 a new copy of the model name
// (a wide text the caller frees with GlobalFree, out type 1); for a feature
// with a value the option carrying that value (type 13 or 14); otherwise the
// record of the mapped type and key. On failure the record is null and the
// type 0.
ModelStatus FindSettingModelRecord(bool full, ModelFile* primary, ModelFile* secondary, SettingId id, const void* value,
                                   WORD* recordType, ModelRecord** record);

// The first option of a feature (type 3 or 4, read with the full flag) whose
// value equals `value`, compared by the option's value type; 2 when none. With
// a setting type (non-zero) only options stored in a type of its kind (width,
// text or model value) can match, and `value` need only be as wide as that
// type; without one it must be as wide as every option's value.
ModelStatus FindOptionByValue(bool full, ModelFile* primary, ModelFile* secondary, const ModelRecord* feature,
                              const void* value, WORD* recordType, ModelRecord** option,
                              SettingValueType settingType = 0);

// Option n (1-based) of the setting's feature, or record n of type 5, 6 or
// 10 for the pseudo-ids; 2 for settings of other record types.
ModelStatus LoadSettingOptionRecord(bool full, ModelFile* primary, ModelFile* secondary, SettingId id, WORD n,
                                    WORD* recordType, ModelRecord** record);
// The name and a copy of the value of option n (CopyRecordValue).
ModelStatus LoadSettingOptionValue(ModelFile* primary, ModelFile* secondary, SettingId id, WORD n, WCHAR** name,
                                   BYTE** value, WORD* valueType);
// n = 0: the setting's own record, else option n, as a new ModelValue with
// its value blob (released with FreeModelValue). Null on failure.
ModelStatus LoadModelValue(ModelFile* primary, ModelFile* secondary, SettingId id, WORD n, ModelValue** value);
// A new copy of the name of the record FindSettingModelRecord finds.
ModelStatus GetSettingOptionText(ModelFile* primary, ModelFile* secondary, SettingId id, const void* value,
                                 WCHAR** text);
// The value of the default option of the setting's feature, read straight
// from the file: a new block the caller frees; its type when asked for.
ModelStatus GetFeatureDefaultValue(ModelFile* primary, ModelFile* secondary, SettingId id, BYTE** value,
                                   WORD* valueType);
// The same with the value's byte size.
ModelStatus ReadFeatureDefaultValue(ModelFile* primary, ModelFile* secondary, SettingId id, BYTE** value,
                                    WORD* valueType, WORD* valueSize);

// ---- Fields of records (not copies) -------------------------------------------------

// The name of a record of types 3-6, 10, 11 (face name), 13 or 14; null otherwise.
const WCHAR* GetModelRecordText(const ModelRecord* record);
const PointItem* GetRangeRecordPoint1(const ModelRecord* record);
const PointItem* GetRangeRecordPoint2(const ModelRecord* record);
// Pair 1 of a paper record (the first point is the size in 0.1 mm).
const PointItem* GetPaperRecordPoint1(const ModelRecord* record);
const PointItem* GetPaperRecordPoint2(const ModelRecord* record);
// Both points of pair 2: 0, or 1 for another record type.
ModelStatus GetPaperRecordPair2(const ModelRecord* record, PointItem* first, PointItem* second);
// Pair 3 of a paper record.
const PointItem* GetPaperRecordPoint5(const ModelRecord* record);
const PointItem* GetPaperRecordPoint6(const ModelRecord* record);
// Alias n (1-based) of a device font: 1 for n = 0 or another type, 2 above the count.
ModelStatus GetFontRecordAlias(const ModelRecord* record, WORD n, const WCHAR** text);
const BYTE* GetFontRecordData(const ModelRecord* record);

// Value lists (type 21) are read from models of level 0x300 on; named bytes
// (type 19) from level 0x200 on. The level is that of the model the record
// was read from.
constexpr DWORD kModelLevelValueLists = 0x300;
constexpr DWORD kModelLevelNamedBytes = 0x200;
#if !PK_SETTINGS_GRAPHICS_DRIVER
ModelStatus GetType21Count(const ModelRecord* record, WORD* count);
// Entry n (1-based): its id, value byte size, value type and value (not a copy).
ModelStatus GetType21Entry(const ModelRecord* record, WORD n, WORD* id, WORD* valueSize, WORD* valueType,
                           const BYTE** value);
#else
ModelStatus GetNamedByteFlag(const ModelRecord* record, BYTE* byte);
#endif

// ---- Pictures -------------------------------------------------------------------------

// The placement of a conditional picture (type 9) and the data of its bitmap
// (information header, colour table, pixels), which becomes the caller's
// (GlobalFree); its byte size when asked for. Outputs are cleared on failure.
ModelStatus LoadRecordPicture(ModelFile* primary, ModelFile* secondary, const ModelRecord* record, WORD* x, WORD* y,
                              BYTE** bitmap, DWORD* bitmapSize = nullptr);
// The bitmap data of the device picture (header field 1), which the caller
// frees; null on failure with width and height 0.
BYTE* LoadDevicePicture(ModelFile* primary, ModelFile* secondary, WORD* width, WORD* height,
                        DWORD* bitmapSize = nullptr);
// A palette of a bitmap's colour table. The colours are the header's
// used-colour count, or 2, 16 or 256 for 1, 4 or 8 bits per pixel, at most
// 256 and at most the table entries that lie within the `dataSize` bytes of
// header and data; none gives no palette.
HPALETTE CreateBitmapPalette(const BITMAPINFOHEADER* header, DWORD dataSize);

// ---- Header answers -------------------------------------------------------------------

// Bit n for printer flag 769 + n; 0 for other ids.
DWORD PrinterFlagBit(SettingId id);
// 0 when header field 12 fixes the flag; 1 otherwise.
int IsPrinterFlagFree(ModelFile* primary, ModelFile* secondary, SettingId id);
// Header field 4; 0 when missing.
WORD GetModelMaxCopies(DeviceModel* model);
// Header field 5: 0xFFFF for no model or 0, 2 for 2, 1 for any other value.
WORD GetModelColorKind(DeviceModel* model);
WORD ReadModelHeaderField5(DeviceModel* model);
// Header field 7; -1 for no model or a field that cannot be read.
int GetModelColorCapability(DeviceModel* model);
// The DEVMODE fields the model supports on the running system for the
// requested capability bits: 1 with the mask; 0 when the system is of no
// known family.
int GetSupportedFieldsMask(DeviceModel* model, DWORD* mask, DWORD requested);
