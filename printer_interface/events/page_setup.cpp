// Page start: the current user's margins of the page's paper, and with the
// first page of a job the printer settings block, handed to the graphics
// driver.
#include <cstring>

#include "platform/gdi/printer_dc.h"
#include "platform/win/win_memory.h"
#include "printer_interface/events/document_events.h"
#include "settings/access/setting_value_io.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/model/device_model.h"
#include "settings/services/escape_records.h"
#include "settings/services/form_matching.h"
#include "settings/store/paper_margin_store.h"
#include "settings/store/printer_settings_data.h"

namespace {

constexpr UINT kPrinterSettingsBytes = 2840;

}  // namespace

int GetPaperMargins(HANDLE printer, WORD paperCode, SHORT margins[4]) {
  for (int i = 0; i < 4; ++i) margins[i] = static_cast<SHORT>(kDefaultPaperMargin);
  DeviceModel* model = OpenDeviceModel(printer);
  if (model == nullptr) return -1;
  int result = -1;
  WCHAR* base = nullptr;
  int32_t stored[4] = {};
  if (GetModelRegistryBase(model->primary, kRegistryBaseMachineStamps, &base) == 0 &&
      ReadPaperMarginValue(printer, base, paperCode, stored) == kMarginOk) {
    // The record's order: third, fourth, first, second of the stored ones.
    margins[0] = static_cast<SHORT>(stored[2]);
    margins[1] = static_cast<SHORT>(stored[3]);
    margins[2] = static_cast<SHORT>(stored[0]);
    margins[3] = static_cast<SHORT>(stored[1]);
    result = 0;
  }
  if (base != nullptr) GlobalFree(base);
  CloseDeviceModel(model);
  return result;
}

int SendPageSetup(HANDLE printer, HDC hdc) {
  if (hdc == nullptr) return -1;
  int result = -1;
  BYTE devMode[kWorkingDevModeSize] = {};
  if (ExtEscape(hdc, ESC_GET_DEVMODE, 0, nullptr, sizeof devMode, reinterpret_cast<LPSTR>(devMode)) > 0) {
    uint64_t paper = 0;
    WORD code = 0;
    SHORT margins[4];
    if (ReadSettingInto(8, devMode, nullptr, &paper) &&
        FormIndexToPaperCode(printer, static_cast<WORD>(paper), &code) == 1 &&
        GetPaperMargins(printer, code, margins) == 0) {
      PaperMarginRecord record{code, margins[0], margins[1], margins[2], margins[3]};
      if (ExtEscape(hdc, ESC_SET_PAPER_MARGINS, sizeof record, reinterpret_cast<LPCSTR>(&record), 0, nullptr) > 0)
        result = 1;
    }
  }
  // The printer settings go whatever became of the margins.
  if (SendPrinterSettings(printer, hdc) == -1) result = -1;
  return result;
}

int SendPrinterSettings(HANDLE printer, HDC hdc) {
  if (hdc == nullptr || printer == nullptr) return -1;
  uint32_t pages = 0;
  if (ExtEscape(hdc, ESC_GET_PAGE_COUNT, 0, nullptr, sizeof pages, reinterpret_cast<LPSTR>(&pages)) <= 0) return -1;
  // The block goes only with the first page of a job.
  if (pages != 0) return 1;
  DeviceModel* model = OpenDeviceModel(printer);
  if (model == nullptr) return -1;
  int result = -1;
  BYTE* block = static_cast<BYTE*>(GlobalAlloc(GPTR, kPrinterSettingsBytes));
  if (block != nullptr && LoadPrinterSettings(printer, block, model)) {
    result =
        ExtEscape(hdc, ESC_SET_PRINTER_SETTINGS, kPrinterSettingsBytes, reinterpret_cast<LPCSTR>(block), 0, nullptr) > 0
            ? 1
            : -1;
  }
  if (block != nullptr) GlobalFree(block);
  if (!CloseDeviceModel(model)) result = -1;
  return result;
}
