// Printers and jobs through the platform's spooler.
#include "host/printer_link.h"

#include <fstream>
#include <sstream>

#include "host/devmode_edit.h"
#include "host/text_utf.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"

namespace pkhost {

namespace {

// A Get call's block: asks for the size, then fills it.
template <typename F>
bool Query(std::vector<uint64_t>& block, F call) {
  DWORD needed = 0;
  if (call(nullptr, 0, &needed)) return true;
  if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0 || needed > (64u << 20)) return false;
  block.assign((needed + 7) / 8, 0);
  return call(reinterpret_cast<LPBYTE>(block.data()), needed, &needed) != FALSE;
}

std::u16string Text(LPCWSTR s) { return s ? std::u16string(s) : std::u16string(); }

}  // namespace

std::u16string DefaultPrinterName() {
  std::vector<uint64_t> block;
  DWORD count = 0;
  bool ok = Query(block, [&](LPBYTE buf, DWORD size, LPDWORD needed) {
    return EnumPrintersW(PRINTER_ENUM_DEFAULT, nullptr, 4, buf, size, needed, &count);
  });
  if (ok && count > 0 && !block.empty()) {
    auto* info = reinterpret_cast<PRINTER_INFO_4W*>(block.data());
    if (info->pPrinterName && *info->pPrinterName) return info->pPrinterName;
  }
  return PK_DEFAULT_PRINTER_NAME;
}

bool OpenPrinterForHost(const std::u16string& name, OpenedPrinter* out, std::string* error) {
  out->name = name.empty() ? DefaultPrinterName() : name;
  PRINTER_DEFAULTSW defaults{u"RAW", nullptr, PRINTER_ACCESS_USE};
  if (!OpenPrinterW(out->name.c_str(), &out->handle, &defaults)) {
    *error = "printer \"" + Utf16ToUtf8(out->name) + "\" is not set up (error " + std::to_string(GetLastError()) + ")";
    out->handle = nullptr;
    return false;
  }
  std::vector<uint64_t> driver;
  if (!Query(driver, [&](LPBYTE buf, DWORD size,
                         LPDWORD needed) { return GetPrinterDriverW(out->handle, nullptr, 2, buf, size, needed); }) ||
      driver.empty()) {
    *error = "the driver of printer \"" + Utf16ToUtf8(out->name) + "\" is not set up (error " +
             std::to_string(GetLastError()) + ")";
    ClosePrinterForHost(out);
    return false;
  }
  auto* info = reinterpret_cast<DRIVER_INFO_2W*>(driver.data());
  out->driverPath = Text(info->pDriverPath);
  out->interfacePath = Text(info->pConfigFile);
  std::vector<uint64_t> printer;
  if (Query(printer,
            [&](LPBYTE buf, DWORD size, LPDWORD needed) { return GetPrinterW(out->handle, 2, buf, size, needed); }) &&
      !printer.empty()) {
    auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(printer.data());
    const DEVMODEW* dm = p2->pDevMode;
    size_t size = dm ? size_t(dm->dmSize) + dm->dmDriverExtra : 0;
    if (dm && dm->dmSize >= 64 && size <= printer.size() * 8)
      out->devMode.assign(reinterpret_cast<const uint8_t*>(dm), reinterpret_cast<const uint8_t*>(dm) + size);
  }
  // A printer without a stored DEVMODE of the driver's size gets the
  // driver's default for its model, as DocumentProperties gives an
  // application through the interface library; else the bare one.
  if (out->devMode.size() < kDriverDevModeSize) out->devMode = DriverDefaultDevMode(out->handle);
  if (out->devMode.size() < kDriverDevModeSize) out->devMode = BareDevMode();
  return true;
}

void ClosePrinterForHost(OpenedPrinter* printer) {
  if (printer->handle) ClosePrinter(printer->handle);
  printer->handle = nullptr;
}

DWORD SpoolerJob::StartDoc(const std::u16string& name) {
  DOC_INFO_1W info{name.c_str(), nullptr, u"RAW"};
  jobId_ = StartDocPrinterW(printer_, 1, reinterpret_cast<const BYTE*>(&info));
  open_ = jobId_ != 0;
  return jobId_;
}

bool SpoolerJob::EndDoc() {
  if (!open_) return false;
  open_ = false;
  return EndDocPrinter(printer_) != FALSE;
}

DWORD LastJobId() {
  DWORD last = 0;
  for (const auto& job : pk::spooler::ListJobs()) last = std::max(last, job.id);
  return last;
}

bool CollectJobBytes(DWORD afterId, std::string* bytes, std::string* error) {
  bytes->clear();
  for (const auto& job : pk::spooler::ListJobs()) {
    if (job.id <= afterId) continue;
    if (job.state != pk::spooler::JobState::Complete) continue;
    std::ifstream f(pk::spooler::JobHostPath(job.id), std::ios::binary);
    if (!f) {
      *error = "cannot read job " + std::to_string(job.id);
      return false;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    *bytes += ss.str();
  }
  return true;
}

}  // namespace pkhost
