// What the printer can do, as DeviceCapabilities asks it: a table of handlers
// by capability index, each answering from the device model, the working
// DEVMODE and the printer settings block as far as they are available, and
// the paper, resolution and bin lists behind them, filtered through the
// conflict engine so only choices the current settings allow are listed.
#pragma once

#include "platform/win/win_types.h"
#include "settings/access/setting_ids.h"
#include "settings/model/device_model.h"

// Availability flags passed with every request.
constexpr WORD kCapabilityModel = 1;     // the device model is open
constexpr WORD kCapabilityDevMode = 2;   // the working DEVMODE is valid
constexpr WORD kCapabilitySettings = 4;  // the printer settings block is valid
constexpr WORD kCapabilityAll = kCapabilityModel | kCapabilityDevMode | kCapabilitySettings;

// Capability indexes answered.
constexpr WORD DC_FIELDS = 1;
constexpr WORD DC_PAPERS = 2;
constexpr WORD DC_PAPERSIZE = 3;
constexpr WORD DC_MINEXTENT = 4;
constexpr WORD DC_MAXEXTENT = 5;
constexpr WORD DC_BINS = 6;
constexpr WORD DC_DUPLEX = 7;
constexpr WORD DC_SIZE = 8;
constexpr WORD DC_EXTRA = 9;
constexpr WORD DC_VERSION = 10;
constexpr WORD DC_DRIVER = 11;
constexpr WORD DC_BINNAMES = 12;
constexpr WORD DC_ENUMRESOLUTIONS = 13;
constexpr WORD DC_FILEDEPENDENCIES = 14;
constexpr WORD DC_TRUETYPE = 15;
constexpr WORD DC_PAPERNAMES = 16;
constexpr WORD DC_ORIENTATION = 17;
constexpr WORD DC_COPIES = 18;
constexpr WORD DC_COLLATE = 22;
constexpr WORD DC_PRINTRATE = 26;
constexpr WORD DC_PRINTRATEUNIT = 27;
constexpr WORD DC_MEDIAREADY = 29;
constexpr WORD DC_STAPLE = 30;
constexpr WORD DC_PRINTRATEPPM = 31;
constexpr WORD DC_COLORDEVICE = 32;

// Characters of a paper name field and of a bin name field.
constexpr int kPaperNameChars = 64;
constexpr int kBinNameChars = 24;

// Every handler takes the same arguments (one that needs fewer ignores the
// rest); a null output asks for the count only. -1: not supported or failed.
using CapabilityHandler = LONG (*)(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                                   DeviceModel* model);

struct CapabilityRow {
  WORD index;
  CapabilityHandler handler;
};
constexpr int kCapabilityRowCount = 25;
extern const CapabilityRow kCapabilityTable[kCapabilityRowCount];

// The answer of the first row of the index, or -1 when no row has it.
LONG CallCapabilityHandler(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                           DeviceModel* model);

LONG AnswerPapers(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                  DeviceModel* model);
LONG AnswerBins(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                DeviceModel* model);
LONG AnswerResolutions(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                       DeviceModel* model);
LONG AnswerTrueType(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                    DeviceModel* model);
LONG AnswerSpecVersion(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                       DeviceModel* model);
LONG AnswerDriverVersion(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                         DeviceModel* model);
LONG AnswerDevModeSize(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                       DeviceModel* model);
LONG AnswerDriverExtra(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                       DeviceModel* model);
LONG AnswerFields(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                  DeviceModel* model);
LONG AnswerCopies(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                  DeviceModel* model);
LONG AnswerDuplex(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                  DeviceModel* model);
LONG AnswerOrientation(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                       DeviceModel* model);
LONG AnswerFileDependencies(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                            DeviceModel* model);
LONG AnswerExtent(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                  DeviceModel* model);
LONG AnswerColorDevice(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                       DeviceModel* model);
LONG AnswerMediaReady(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                      DeviceModel* model);
LONG AnswerPrintRate(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                     DeviceModel* model);
LONG AnswerStaple(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                  DeviceModel* model);
LONG AnswerCollate(HANDLE printer, WORD index, void* output, WORD flags, void* devMode, void* settings,
                   DeviceModel* model);

// The low 16 bits of a DEVMODE setting; 0 when it cannot be read.
WORD GetDevModeWord(const void* devMode, SettingId id);

// ---- Lists ------------------------------------------------------------------------

// One available paper: its form number (0 when no form has its name), its
// display name and its size in 0.1 mm.
struct PaperListEntry {
  WORD code;
  WCHAR name[kPaperNameChars];
  LONG width;
  LONG length;
};

// The number of options of the paper-size feature; 0 when it cannot be loaded.
WORD GetPaperOptionCount(DeviceModel* model);
// Without entries: the number of papers the conflict engine lets through.
// With entries (room for GetPaperOptionCount of them, zeroed): fills one per
// available paper and answers their number; 0 when an option, its paper,
// a setting or the resource module cannot be had; kPaperListNoForms when the
// printer's forms cannot be listed (nothing is written then).
constexpr int kPaperListNoForms = -1;
int BuildPaperList(HANDLE printer, void* devMode, void* settings, DeviceModel* model, PaperListEntry* entries);

// The resolution options: their count, and with items (room for the count)
// one pair (low 16 bits, high 16 bits of the option's value) each. 0 when
// there are none or an option fails.
struct ResolutionEntry {
  LONG x;
  LONG y;
};
int BuildResolutionList(DeviceModel* model, ResolutionEntry* items);

// An option of a paper source feature: its name (owned), its value's first 16
// bits and flags.
constexpr WORD kBinAlsoSource = 1;  // the value occurs among the options of setting 265
constexpr WORD kBinAvailable = 2;
struct OptionEntry {
  WCHAR* name;
  WORD value;
  WORD flags;
};
// The options of setting 13 or 265: 1 with a new list (FreeOptionEntryList),
// else 0 and nothing to free.
int BuildSourceOptionList(DeviceModel* model, SettingId id, WORD* count, OptionEntry** list);
void FreeOptionEntryList(OptionEntry* list, WORD count);

// One available bin as DC_BINS and DC_BINNAMES give it.
struct BinAnswerEntry {
  WORD value;
  WCHAR name[kBinNameChars + 2];
};
// The bins the conflict engine lets through, in option order: 1 with a new
// list (GlobalFree; null for none) and its count, else 0.
int BuildBinList(HANDLE printer, DeviceModel* model, void* devMode, void* settings, WORD* count, BinAnswerEntry** list);
