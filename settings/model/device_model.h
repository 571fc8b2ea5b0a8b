// Loading a printer's device description files into a DeviceModel and the
// byte-level reader every model query uses: header fields, the record
// directory and type indexes, and the model's texts (inverted narrow texts or
// strings of the model's resource modules).
//
// Status codes (0 = success): 1 bad argument, failed read, missing header
// field or damaged file; 2 not found; 4 out of memory or failed text
// conversion; 8 file version not accepted. Every read, seek, stored offset,
// count and list length is checked against the file copy: a damaged file
// gives 1 and nothing outside the copy is read.
#pragma once

#include "platform/win/windows.h"
#include "settings/model/model_format.h"

using ModelStatus = WORD;

struct ModelRecord;

struct ModelFile {
  BYTE* data;       // private copy of the whole file (owned)
  DWORD size;       // byte size of the copy
  DWORD position;   // read position in the copy
  WORD role;        // 2 primary, 1 secondary
  DWORD version;    // major x 2^24 + minor x 2^16 + build
  ModelFile* link;  // the secondary's primary (whose module it shares); null for the primary
  HMODULE module;   // resource module 1, loaded on first need; not owned by a secondary
  DWORD level;      // format level from the head
};

struct DeviceModel {
  ModelFile* primary;
  ModelFile* secondary;
};

// The format level of the primary file of the model loaded last.
DWORD GetLastModelLevel();

DeviceModel* AllocDeviceModelHandle();
void FreeDeviceModelHandle(DeviceModel* model);
// The loaded model of a printer (its driver's data file and the secondary
// file the head names); null on any failure.
DeviceModel* OpenDeviceModel(HANDLE printer);
// The driver data file path of the printer (pDataFile of its DRIVER_INFO_2)
// as a new wide text; null on failure.
WCHAR* GetModelDataFileName(HANDLE printer);
// Unloads both files and frees the handle: 1, or 0 for a null handle or a
// missing file record.
int CloseDeviceModel(DeviceModel* model);

ModelStatus LoadModelFiles(LPCWSTR primaryPath, ModelFile* primary, ModelFile* secondary);
ModelStatus LoadModelFile(LPCWSTR path, ModelFile* file, ModelFile* link);
ModelStatus UnloadModelFile(ModelFile* file);
ModelStatus UnloadModelFiles(ModelFile* primary, ModelFile* secondary);
ModelStatus CheckModelFileVersion(ModelFile* file);
// The head as a record of type 1 (a FileInfoRecord).
ModelStatus ReadFileInfoRecord(ModelFile* file, ModelRecord** record);

// Reader primitives. Mode 1 moves the position by n; any other mode sets it.
ModelStatus SetModelReadPosition(ModelFile* file, int mode, LONG n);
ModelStatus ReadModelBytes(ModelFile* file, void* destination, DWORD n);
ModelStatus ReadModelU8(ModelFile* file, BYTE* value);
ModelStatus ReadModelU16(ModelFile* file, WORD* value);
ModelStatus ReadModelU32(ModelFile* file, DWORD* value);
ModelStatus SeekHeaderArea(ModelFile* file, DWORD n);
ModelStatus SeekRecordDirectory(ModelFile* file);
ModelStatus SeekTypeIndex(ModelFile* file, WORD type, DWORD extra);
ModelStatus FindIndexEntryByKey(ModelFile* file, WORD type, WORD key);
ModelStatus FindIndexEntryByPosition(ModelFile* file, WORD type, DWORD position);

constexpr int kSeekByKey = 0;
constexpr int kSeekByPosition = 1;
// Positions the file that holds the record at it; *fileByte tells which (2 or 1).
ModelStatus SeekModelRecord(int mode, ModelFile* primary, ModelFile* secondary, WORD indexOwner, WORD type,
                            DWORD keyOrPosition, WORD* fileByte);
// Positions at option n (1-based) of the feature with that key, or at the
// feature itself for n = 0.
ModelStatus SeekFeatureOption(ModelFile* primary, ModelFile* secondary, WORD indexOwner, WORD type, WORD featureKey,
                              WORD option, WORD* fileByte);
// The file that an index entry's file byte names.
ModelFile* ModelFileOf(ModelFile* primary, ModelFile* secondary, WORD fileByte);
WORD CountModelRecords(ModelFile* file, WORD type);

// Header fields.
const ModelHeaderField* FindHeaderField(ModelFile* file, WORD field);
ModelStatus ReadModelHeaderItem(ModelFile* file, WORD field, WORD itemSize, WORD index, void* destination);
DWORD ReadModelHeaderValue(ModelFile* file, WORD field, WORD itemSize, WORD index);
ModelStatus ReadModelHeaderText(ModelFile* file, WORD field, WORD index, WCHAR** text);
WCHAR* GetModelHeaderText(ModelFile* file, WORD field, WORD index);
constexpr int kRegistryBaseMachineStamps = 0;  // header field 31
constexpr int kRegistryBasePerUser = 1;        // header field 34
ModelStatus GetModelRegistryBase(ModelFile* file, int selector, WCHAR** text);

// Texts. Wide texts are GlobalAlloc blocks owned by the caller; byte counts
// are characters x 2 + 2.
ModelStatus LoadModelResourceModule(ModelFile* file);
ModelStatus LoadStringFromModuleFile(LPCWSTR moduleFile, UINT stringId, WCHAR** text, WORD* byteCount);
ModelStatus ResolveTextReference(ModelFile* file, const BYTE* stored, WCHAR** text, WORD* byteCount);
ModelStatus DecodeInvertedText(const BYTE* stored, WCHAR** text, WORD* byteCount);
// Reads a text body of *byteCount bytes at the position (0 bytes: no text).
ModelStatus ReadModelText(ModelFile* file, WCHAR** text, WORD* byteCount);
// Reads a u16 byte count and the text body after it.
ModelStatus ReadModelTextField(ModelFile* file, WCHAR** text, WORD* byteCount);

// The driver folder: the folder of the library this code is built into,
// with its trailing "\".
bool GetModelDriverFolder(WCHAR* buffer, DWORD characters);
