// The per-user stamp store: the user's named stamps as 308-byte REG_BINARY
// values under the printer's per-user "Stamps" key, at most 32 of them,
// seeded on first use from the machine-wide "<header field 31>Stamps" key or
// else from the six built-in stamps. Results are stamp status codes.
#pragma once

#include <cstddef>

#include "platform/win/win_logfont.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_types.h"

struct DeviceModel;

// Stamp status codes.
constexpr int kStampOk = 1;
constexpr int kStampExists = 2;       // the name is stored, or built-in when adding
constexpr int kStampBuiltInName = 3;  // the name is a built-in stamp's
constexpr int kStampStoreFull = 4;
constexpr int kStampNotStored = 6;
constexpr int kStampDiffers = 7;
constexpr int kStampNoStore = 8;  // the store cannot be opened or created
constexpr int kStampReadFailed = 9;
constexpr int kStampWriteFailed = 10;
constexpr int kStampBufferTooSmall = 12;
constexpr int kStampBadArgument = 99;

// The most stamps a store holds.
constexpr int kMaxStoredStamps = 32;
// Characters of the fields, terminator included.
constexpr int kStampNameChars = 32;
constexpr int kStampTextChars = 64;
// Longest value name the enumeration of a store takes, terminator excluded.
constexpr DWORD kStampValueNameChars = 65;
constexpr int kBuiltInStampCount = 6;

// GetStampMachinePath selectors.
constexpr int kStampMachineStamps = 0;  // "Stamps"
constexpr int kStampMachineOthers = 1;  // "Stamps\Others"

// A stamp as stored: 308 bytes, little-endian.
#pragma pack(push, 1)
struct StampRecord {
  WCHAR name[kStampNameChars];  // also the registry value name
  BYTE unused1[2];
  WCHAR text[kStampTextChars];
  BYTE unused2[2];
  COLORREF color;
  WORD style;
  BYTE unused3[2];
  INT frame;
  WORD mode;
  WORD position;
  INT offset;
  LOGFONTW font;
};
#pragma pack(pop)
static_assert(sizeof(StampRecord) == 308);
static_assert(offsetof(StampRecord, text) == 66 && offsetof(StampRecord, color) == 196);
static_assert(offsetof(StampRecord, style) == 200 && offsetof(StampRecord, frame) == 204);
static_assert(offsetof(StampRecord, mode) == 208 && offsetof(StampRecord, position) == 210);
static_assert(offsetof(StampRecord, offset) == 212 && offsetof(StampRecord, font) == 216);

// A built-in stamp: string ids of the resource module and fixed numbers.
struct BuiltInStamp {
  UINT nameId;
  UINT textId;
  BYTE red, green, blue;
  WORD style;
  INT frame;
  WORD mode;
  WORD position;
  INT offset;
  LONG height, width, escapement, orientation, weight;
  BYTE italic, underline, strikeOut, charSet, outPrecision, clipPrecision, quality, pitchAndFamily;
  UINT faceId;
};
// The stamp used when none is named, and the six built-in stamps.
extern const BuiltInStamp kDefaultStamp;
extern const BuiltInStamp kBuiltInStamps[kBuiltInStampCount];

// Header field 31 followed by "Stamps" or "Stamps\Others" as a new
// GlobalAlloc text: 1, else 99.
int GetStampMachinePath(int selector, DeviceModel* model, WCHAR** path);
// Clears the record and fills it from the definition: the name into 32
// characters, the text into 64 and the face into 32, from the resource module.
void LoadBuiltInStamp(StampRecord* record, const BuiltInStamp* stamp);
// 1 when a built-in stamp has exactly this name, else 0.
int IsBuiltInStampName(LPCWSTR name);
// The six built-in names, each with its NUL, then one more NUL. `size` is in
// bytes and comes back as the needed size. With a destination: 1 and count 6
// when it fits, else 12. Without a destination: 1. A null size gives 99.
int ListBuiltInStampNames(WCHAR* destination, DWORD* count, DWORD* size);
// Creates the per-user "Stamps" and "Stamps\Others" keys, "Stamp Version" and
// the six built-in stamps; hands the open "Stamps" key to the caller. On a
// failed write both keys it made are deleted again: 10. No path: 99.
int InitStampStore(HKEY* key, HANDLE printer);
// The per-user "Stamps" key (KEY_ALL_ACCESS), seeded when missing from the
// machine key or the built-in stamps. The caller closes it. 1; 8 when the
// store cannot be opened or made; 99 without a key pointer.
int OpenStampKey(HKEY* key, HANDLE printer, DeviceModel* model);
// The number of REG_BINARY values in the store: 1, 9, or the open status.
int CountStoredStamps(HANDLE printer, DWORD* count, DeviceModel* model);
// The stored stamp of the name, or a built-in or the default stamp (see the
// source). Texts come back terminated within their fields.
int ReadStampRecord(HANDLE printer, LPCWSTR name, StampRecord* record, BOOL builtIn, DeviceModel* model);
// The names of the stored stamps (at most 32) in creation order, each with its
// NUL, then one more NUL; the built-in names when there is no store.
int ListStampNames(HANDLE printer, WCHAR* destination, DWORD* count, DWORD* size, DeviceModel* model);
int IsStampNameStored(HANDLE printer, LPCWSTR name, DeviceModel* model);
int CanAddStamp(HANDLE printer, LPCWSTR name, DeviceModel* model);
// Writes the record under its name; replacing a stored stamp works at the
// limit too.
int SaveStampRecord(HANDLE printer, const StampRecord* record, DeviceModel* model);
// 1 when a stamp of the record's name is stored with the same content (the
// font quality byte aside); 6 not stored; 7 different.
int IsStampRecordStored(HANDLE printer, const StampRecord* record, DeviceModel* model);
// This library has no optional switch: 0.
int IsOptionalSwitchOn();
