// The printer settings block and the font substitution text in the printer's
// data, each kept as a chunked value ("<stem>Size" and "<stem>1" to
// "<stem>99", see printer_data_chunks.h), and the loading of the settings
// block with the user's fields and the migration from older driver
// generations. The graphics driver reads both when it sets up a PDEV; the
// printer interface library keeps them current.
#pragma once

#include "platform/win/win_types.h"
#include "settings/model/device_model.h"

// Indexes of the chunked values.
constexpr int kFontSubTableValue = 0;   // "FontSubTable": the font substitution text
constexpr int kSysTTFontListValue = 1;  // "SysTTFontList": named only, nothing reads or writes it
constexpr int kPrinterDataValue = 2;    // "PrinterData": the 2840-byte printer settings block

// The printer name a settings block built from defaults carries.
#define PK_DEFAULT_SETTINGS_PRINTER_NAME u"DummyName"

// Writes the data as chunked value `index` (0-2): 1 when the size and every
// chunk were written; 0 for another index, no printer, size 0, more than 99
// chunks or a failed write (earlier chunks stay written).
int WriteChunkedValue(HANDLE printer, const void* data, DWORD size, int index);
// Reads chunked value `index`. With `useHolderBuffer` the data goes into the
// buffer *holder already points at, whose byte size is *size on entry (a
// larger stored value fails); otherwise a new block of the stored size is
// handed back in *holder (the caller frees it). 1 with *size the stored size;
// 0 when the size is missing or 0, more than 99 chunks are needed or a chunk
// cannot be read (a block allocated here is freed).
int ReadChunkedValue(HANDLE printer, DWORD* size, int index, void** holder, bool useHolderBuffer);

// Font substitution text: pairs of terminated texts, alias (a TrueType face
// name) then device font face name, ended by one more zero. Built from the
// device font records of the model, every alias of every record in order.

// A new block with the stored text, or null when there is none or it is not
// a whole pair list. The graphics driver's build then builds the text from
// the printer's model.
WCHAR* ReadFontSubTable(HANDLE printer);
// Stores the text (up to and including its final zero): 1 / 0.
int WriteFontSubTable(HANDLE printer, void* reserved, const WCHAR* text);
// A new block with the model's text, or null on any failure.
WCHAR* BuildFontSubstitutionText(DeviceModel* model);
// 1 when "FontSubTable" exists already or was built and written now; 0
// without printer or model or on failure.
int EnsureFontSubTable(HANDLE printer, void* reserved, DeviceModel* model);

// Stores the 2840-byte block as "PrinterData" when printer, block and
// `enabled` are given: 1 / 0.
int SavePrinterSettings(HANDLE printer, const void* settings, BOOL enabled);
// Fills `destination` (2840 bytes) with a valid printer settings block: the
// stored one with the user's fields applied (converted when it comes from
// another driver version), else one built from the model's defaults. 1 / 0.
int LoadPrinterSettings(HANDLE printer, void* destination, DeviceModel* model);
