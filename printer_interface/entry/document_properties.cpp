// Document properties: DrvDocumentProperties and
// DrvAdvancedDocumentProperties, the sheet through the common property sheet
// UI, and the path without a sheet that merges the caller's DEVMODE into the
// printer's (also DrvDocumentPropertySheets with no sheet information).
#include "printer_interface/entry/document_properties.h"

#include "platform/win/windows.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/defaults/setting_defaults.h"
#include "settings/devmode/devmode_buffer.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/devmode/devmode_merge.h"
#include "settings/devmode/printer_default_devmode.h"
#include "settings/store/printer_settings_data.h"

namespace {

using CommonPropertySheetUIProc = LONG (*)(HWND, PFNPROPSHEETUI, LPARAM, LPDWORD);

constexpr LONG kDevModeSize = static_cast<LONG>(kDriverDevModeSize);
constexpr DWORD kAdvancedMode = DM_COPY | DM_PROMPT | DM_ADVANCED;

// A caller's header must hold every field read from it.
bool HeaderIsWhole(const DOCUMENTPROPERTYHEADER* header) {
  return header != nullptr && header->cbSize >= sizeof(DOCUMENTPROPERTYHEADER);
}

// The printer's DEVMODE with the caller's merged in, into `buffer` (2628
// bytes): 1 to deliver, -1 failure.
LONG MergeIntoPrinterDevMode(const DOCUMENTPROPERTYHEADER* header, DeviceModel* model, void* buffer, void* settings) {
  LONG length = kDevModeSize;
  int converted = 0;
  PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(header->hPrinter, model, buffer, &length, &converted);
  const bool haveDevMode = info != nullptr;
  if (info) GlobalFree(info);
  const bool haveSettings = LoadPrinterSettings(header->hPrinter, settings, model) != 0;
  if (!haveDevMode && !haveSettings) return -1;
  // Printing preferences and foreign or damaged DEVMODEs leave the printer's.
  if (header->pdmIn == nullptr || (header->fMode & DM_USER_DEFAULT) ||
      !ValidateSettingValue(model, 4, header->pdmIn, settings, 2))
    return 1;
  return MergeDevModeFields(model, buffer, header->pdmIn, settings, header->hPrinter, 2) ? 1 : -1;
}

}  // namespace

LONG LoadCommonPropertySheetUI(HWND owner, PFNPROPSHEETUI callback, LPARAM lParamInit, LPDWORD result) {
  HMODULE compstui = LoadLibraryA("compstui.dll");
  if (compstui == nullptr) return -1;
  auto proc = reinterpret_cast<CommonPropertySheetUIProc>(GetProcAddress(compstui, "CommonPropertySheetUIW"));
  const LONG answer = proc != nullptr ? proc(owner, callback, lParamInit, result) : -1;
  FreeLibrary(compstui);
  return answer;
}

LONG RunDocumentProperties(HWND window, PDOCUMENTPROPERTYHEADER header) {
  if (!HeaderIsWhole(header)) return -1;
  if (!(header->fMode & DM_PROMPT)) return BuildOutputDevMode(header);
  DWORD result = static_cast<DWORD>(-1);
  if (LoadCommonPropertySheetUI(window, &DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(header), &result) < 0)
    return -1;
  return static_cast<LONG>(result);
}

LONG BuildOutputDevMode(PDOCUMENTPROPERTYHEADER header) {
  if (!HeaderIsWhole(header)) return -1;
  header->cbOut = kDriverDevModeSize;
  if (header->fMode == 0 || header->pdmOut == nullptr) return kDevModeSize;
  if (!(header->fMode & (DM_UPDATE | DM_COPY))) return -1;
  DeviceModel* model = OpenDeviceModel(header->hPrinter);
  void* buffer = AllocDevModeBuffer(1);
  void* settings = GlobalAlloc(GPTR, kPrinterSettingsBlockSize);
  LONG result = -1;
  if (buffer != nullptr && settings != nullptr) result = MergeIntoPrinterDevMode(header, model, buffer, settings);
  if (result == 1) CopyDevModeBuffer(header->pdmOut, buffer, 1);
  if (settings) GlobalFree(settings);
  if (buffer) FreeDevModeBuffer(buffer);
  if (model) CloseDeviceModel(model);
  return result;
}

LONG DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
  // The sheet itself is not offered: only the path without one.
  if (info != nullptr) return -1;
  if (lParam == 0) return -1;
  try {
    return BuildOutputDevMode(reinterpret_cast<PDOCUMENTPROPERTYHEADER>(lParam));
  } catch (...) {
    return -1;
  }
}

LONG DrvDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* output, DEVMODEW* input,
                           DWORD fMode) {
  if (fMode == 0 || output == nullptr) return kDevModeSize;
  DOCUMENTPROPERTYHEADER header{
      sizeof(DOCUMENTPROPERTYHEADER), 0, printer, deviceName, input, output, kDriverDevModeSize, fMode};
  LONG result = -1;
  try {
    result = RunDocumentProperties(window, &header);
  } catch (...) {
    return -1;
  }
  if (result > 0) return IDOK;
  if (result == 0) return IDCANCEL;
  return result;
}

LONG DrvAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, DEVMODEW* output, DEVMODEW* input) {
  if (output == nullptr) return kDevModeSize;
  DOCUMENTPROPERTYHEADER header{
      sizeof(DOCUMENTPROPERTYHEADER), 0, printer, deviceName, input, output, kDriverDevModeSize, kAdvancedMode};
  try {
    return RunDocumentProperties(window, &header) > 0 ? 1 : 0;
  } catch (...) {
    return 0;
  }
}
