// Rules that keep settings consistent with each other: the public DEVMODE
// fields and their private twins (paper source, TrueType option, ICM method,
// colour), the option group mask, the user-defined paper slots, and the
// paper resolution that fills dmPaperSize, dmPaperWidth, dmPaperLength and
// dmFormName together. Every rule reads through GetSettingValue and writes
// through WriteDefaultValue; each answers 1 on success and 0 when a read or
// a write failed.
#pragma once

#include "platform/win/win_types.h"
#include "settings/model/device_model.h"
#include "settings/devmode/icm_method_sync.h"
#include "settings/model/model_interface.h"
#include "settings/access/setting_ids.h"

// What GetUserPaperValues reads for one slot: width and length (u16, in the
// unit of dmPaperWidth) and the name's address inside the settings block.
struct UserPaperValues {
  WORD width;
  WORD length;
  const WCHAR* name;
  SettingValueType widthType;
  SettingValueType lengthType;
  SettingValueType nameType;
};

// When the paper code (a value of `valueType`) is a user paper code: 1 with
// the slot's width, length and name ids and its default name formatted into
// `nameBuffer` (at least 30 bytes; may be null). Else 0.
int GetUserPaperSettingIds(const void* paperCode, SettingValueType valueType, SettingId* widthId, SettingId* lengthId,
                           SettingId* nameId, WCHAR* nameBuffer);
// 1 when the code is a user paper code and its three settings could be read.
int GetUserPaperValues(const void* devMode, const void* settings, const void* paperCode, SettingValueType valueType,
                       UserPaperValues* values, WCHAR* nameBuffer);

// Writes setting 273 from the option groups 274-285 (flag 482 chooses how).
int UpdateOptionGroupMask(void* devMode, void* settings);

// While setting 1055 is nonzero and the source does not hold `excluded`,
// writes the source's value to the target with the target's type and size.
int CopySettingWhenAllowed(void* devMode, void* settings, LONG excluded, SettingId sourceId, SettingId targetId);
// Private paper source 265 to dmDefaultSource, unless it is 0x102.
int SyncPaperSourceToPublic(void* devMode, void* settings);
// dmDefaultSource to 265, unless it is 15 (DMBIN_FORMSOURCE).
int SyncPaperSourceToPrivate(void* devMode, void* settings);
// changedId 17: setting 292 follows dmTTOption; otherwise dmTTOption follows 292.
int SyncTrueTypeOption(void* devMode, void* settings, SettingId changedId);
// SyncIcmMethod (dmICMMethod following setting 293) lives with the handler
// of dmICMMethod that uses it.
// dmColor is 1 when setting 345 is 1, else 2.
int SyncColorMode(void* devMode, void* settings);

// Fills dmFormName from dmPaperSize (a built-in spooler form, a user paper
// slot or a paper of the model) and resolves the paper from it.
int UpdateFormNameFromPaper(DeviceModel* model, HANDLE printer, void* devMode, void* settings,
                            SettingValueType valueType);
// The DEVMODE field bits of the paper: 2 size, 4 length, 8 width, 0x10000 form name.
constexpr DWORD kPaperFieldBits = 0x1000E;
// The paper fields of a DEVMODE as the form lookup takes them.
struct DevModePaper {
  SHORT length;
  SHORT width;
  SHORT size;
  const WCHAR* formName;  // inside the DEVMODE
  // dmPaperSize 256 with both dimensions: a custom size that no form replaces.
  bool IsCustomSize() const { return size == DMPAPER_USER && length != 0 && width != 0; }
};
// 1 with dmPaperLength, dmPaperWidth, dmPaperSize and dmFormName; 0 when a read fails.
int ReadDevModePaper(const void* devMode, const void* settings, DevModePaper* paper);
// The spooler form that the paper bits of `fields` name, tried by paper
// code, form name, then size (both dimensions needed): the mode that found
// it (kFormByNumber, kFormByName or kFormBySize) with `found` filled (its
// name freed with FreePaperMatch), or 0.
int FindFormForPaper(DeviceModel* model, HANDLE printer, const DevModePaper& paper, DWORD fields, PaperMatch* found);

// Finds the spooler form that the given `fields` name (by paper code, form
// name, then size) and writes all four paper fields from it; with none found
// the paper of the printer's default DEVMODE is taken.
int ResolvePaper(DeviceModel* model, void* devMode, void* settings, HANDLE printer, DWORD fields);
// Copies settings 8, 9, 10 and 19 from the printer's default DEVMODE.
int CopyPaperFromPrinterDefault(DeviceModel* model, void* devMode, void* settings, HANDLE printer);
