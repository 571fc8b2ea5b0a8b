// Small helpers of the graphics driver: global blocks, OEM text lines, the
// grey conversion of the colour stage, setting writes by value, and the reads
// of the device model that only the graphics driver needs.
#pragma once

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"
#include "settings/model/device_model.h"
#include "settings/model/model_records.h"

int DiscardGlobalBlock(void* block);
// A new zeroed block of newBytes holding the first min(oldBytes, newBytes)
// bytes of `old`, which is freed; null (the old block kept) when the
// allocation fails.
void* ReallocGlobalBlock(void* old, DWORD oldBytes, DWORD newBytes);
// Copies at most n - 1 characters of src and a terminator into dst.
void CopyWideBounded(WCHAR* dst, const WCHAR* src, size_t n);
// At most 127 bytes of an OEM text converted to a new wide string stored at
// lines[*count], and *count incremented: 1, or 0 when the conversion fails.
int AddOemLine(const char* text, int length, WCHAR** lines, int* count);
int ReleaseJobUserHandle(void* handle);
// width x rows packed B, G, R pixels to 255 - ((28 B + 151 G + 77 R) >> 8).
void BgrToInvertedGray(const BYTE* source, BYTE* target, int width, int rows);

// Writes a setting from a value passed by value: types 1-3 take 2 bytes, 4-6
// take 4, 8 takes 1, others none.
SettingAccessResult SetSettingValueVa(void* devmode, void* printerSettings, SettingId id, SettingValueType type,
                                      uint64_t value);

// A device model handle holding copies of the two readers (their files stay
// the caller's: release the handle with FreeDeviceModelHandle); null for a
// missing reader or no memory.
DeviceModel* MakeDeviceModelHandle(const ModelFile* primary, const ModelFile* secondary);
// Header field 23: 0 -> 1, 1 -> 2 (a fax model), other -> 0.
int IsFaxModel(ModelFile* primary, ModelFile* secondary);
// Kinds 0-5 read header text fields 17-22 (the cover, colour, halftone and
// data files, the colour library and the compression library): 0 with the new
// text in *name; 1 for another kind or a failed read.
ModelStatus ReadModelFileName(ModelFile* primary, int kind, WCHAR** name);
// The folder of the printer's driver file, with its backslash, as a new
// global text; null when there is none.
WCHAR* GetDriverFolder(HANDLE printer);
// The driver folder and the file name the model gives for `kind`; null on
// any failure.
WCHAR* GetModelFilePath(HANDLE printer, int kind);

// Record accessors: 0 on success, a failure code otherwise (those without an
// out argument answer the value).
ModelStatus GetModelListEntry(const ModelRecord* record, WORD n, const KeyItem** entry);
ModelStatus GetModelListEntryCode(const ModelRecord* record, WORD n, WORD* code);
ModelStatus GetListRecordWord(const ModelRecord* record, WORD* value);
ModelStatus GetListRecordFlagByte(const ModelRecord* record, BYTE* value);
WORD GetPaperRecordCode(const ModelRecord* record);
ModelStatus GetPaperRecordSizeRange(const ModelRecord* record, BYTE* kind, PointItem* minimum, PointItem* maximum);
DWORD GetFontRecordDataSize(const ModelRecord* record);
