// DrvQueryColorProfile: the name of the printer's ICC profile, a file in the
// colour folder named by the model's header text 13.
#include <cstring>

#include "platform/win/windows.h"
#include "printer_interface/entry/interface_exports.h"
#include "settings/model/device_model.h"

namespace {

// The model's profile file name field.
constexpr WORD kProfileNameField = 13;

// Answers TRUE with the name copied, or FALSE (with the size needed and
// ERROR_INSUFFICIENT_BUFFER when only the buffer was short).
BOOL CopyProfileName(const WCHAR* name, VOID* buffer, ULONG* size, FLONG* flags) {
  const ULONG needed = ULONG((std::char_traits<WCHAR>::length(name) + 1) * sizeof(WCHAR));
  if (*size < needed) {
    *size = needed;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, name, needed);
  *flags = QCP_PROFILEDISK;
  return TRUE;
}

}  // namespace

BOOL DrvQueryColorProfile(HANDLE printer, DEVMODEW* devMode, ULONG queryMode, VOID* buffer, ULONG* size, FLONG* flags) {
  if (printer == nullptr || devMode == nullptr || buffer == nullptr || size == nullptr || flags == nullptr ||
      queryMode != QCP_DEVICEPROFILE)
    return FALSE;
  BOOL result = FALSE;
  try {
    DeviceModel* model = OpenDeviceModel(printer);
    if (model == nullptr) return FALSE;
    WCHAR* name = nullptr;
    // An empty field names no profile file.
    if (ReadModelHeaderText(model->primary, kProfileNameField, 0, &name) == 0 && name != nullptr && name[0] != 0)
      result = CopyProfileName(name, buffer, size, flags);
    if (name != nullptr) GlobalFree(name);
    CloseDeviceModel(model);
  } catch (...) {
    result = FALSE;
  }
  return result;
}
