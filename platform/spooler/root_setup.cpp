// Set-up of a fresh machine root: the driver folder filled with the
// deliverables of the build and the default printer that uses them.
#include <dlfcn.h>
#include <fnmatch.h>

#include <algorithm>
#include <filesystem>
#include <mutex>

#include "platform/spooler/driver_events.h"
#include "platform/spooler/spooler_internal.h"
#include "platform/win/machine_db.h"
#include "platform/win/machine_root.h"
#include "platform/win/name_text.h"
#include "platform/win/win_path.h"

namespace pk::spooler {
namespace {

namespace fs = std::filesystem;

// What the driver folder gets, in this order. Later parts of the system add
// their deliverables here.
const std::vector<std::string> kDriverFiles = {
    "Pelkran.so",  "Sumbrel.so", "Tarquen.vbn", "*.vbn", "Movrane.so", "Velmora.so",
    "Orvcolor.so", "*.CLX",      "Lindvar",     "*.DDD", "*.ddd",      "Orvcomp.so",
};

// The default printer's data file when the driver folder holds it; else the
// first device description file (extension DDD) there by name.
const char kDefaultModelFile[] = "ORVC3600.DDD";

// Colour profiles of the build go to the machine's colour folder.
const char16_t kColorFolder[] = u"C:\\Windows\\System32\\spool\\drivers\\color\\";
const char kProfilePattern[] = "*.icm";

std::mutex gSourceMutex;
std::string gSourceOverride;

// Tests set the source folder; the seam reset forgets it.
void ForgetSourceOverride() {
  std::lock_guard<std::mutex> lock(gSourceMutex);
  gSourceOverride.clear();
}
const pk::seams::ResetHook gHook(&ForgetSourceOverride);

std::string LibraryFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&DriverSourceFolder), &info) || !info.dli_fname) return std::string();
  std::error_code ec;
  fs::path p = fs::canonical(info.dli_fname, ec);
  return ec ? std::string() : p.parent_path().string();
}

bool HasDddExtension(const std::string& name) {
  return name.size() > 4 && pk::NamesEqual(pk::Utf8ToUtf16(name.substr(name.size() - 4)), u".DDD");
}

// Links (or else copies) the listed files of `source` into `target`; answers
// the names placed, in list order.
std::vector<std::string> FillDriverFolder(const std::string& source, const std::string& target) {
  std::vector<std::string> placed;
  std::error_code ec;
  std::vector<std::string> present;
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec))
    if (it->is_regular_file(ec)) present.push_back(it->path().filename().string());
  std::sort(present.begin(), present.end());
  for (const std::string& pattern : kDriverFiles) {
    for (const std::string& name : present) {
      if (fnmatch(pattern.c_str(), name.c_str(), 0) != 0) continue;
      if (std::find(placed.begin(), placed.end(), name) != placed.end()) continue;
      fs::path from = fs::path(source) / name, to = fs::path(target) / name;
      fs::remove(to, ec);
      fs::create_hard_link(from, to, ec);
      if (ec) fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
      if (!ec) placed.push_back(name);
    }
  }
  return placed;
}

// Copies the source folder's colour profiles into the colour folder.
void PlaceColorProfiles(const std::string& source) {
  std::string colorHost;
  if (PkResolveWindowsPath(kColorFolder, nullptr, &colorHost) != 0) return;
  std::error_code ec;
  fs::create_directories(colorHost, ec);
  for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!it->is_regular_file(ec) || fnmatch(kProfilePattern, name.c_str(), FNM_CASEFOLD) != 0) continue;
    std::error_code copyError;
    fs::copy_file(it->path(), fs::path(colorHost) / name, fs::copy_options::overwrite_existing, copyError);
  }
}

// The default printer gets its driver's set-up as an added printer does, once
// every other step has made the machine usable.
void InitializeDefaultPrinter(const std::string&) {
  CallPrinterEvent(PK_DEFAULT_PRINTER_NAME, PRINTER_EVENT_INITIALIZE);
}

void SetUpSpooler(const std::string&) {
  std::string driverHost, spoolHost;
  if (PkResolveWindowsPath(PK_DRIVER_FOLDER, nullptr, &driverHost) != 0 ||
      PkResolveWindowsPath(PK_SPOOL_FOLDER, nullptr, &spoolHost) != 0)
    return;
  std::error_code ec;
  fs::create_directories(driverHost, ec);
  fs::create_directories(spoolHost, ec);
  std::vector<std::string> placed = FillDriverFolder(DriverSourceFolder(), driverHost);
  PlaceColorProfiles(DriverSourceFolder());

  std::string model = kDefaultModelFile;
  if (model.empty() || std::find(placed.begin(), placed.end(), model) == placed.end()) {
    std::vector<std::string> models;
    for (const auto& name : placed)
      if (HasDddExtension(name)) models.push_back(name);
    std::sort(models.begin(), models.end());
    model = models.empty() ? kDefaultModelFile : models.front();
  }

  const std::u16string folder = PK_DRIVER_FOLDER;
  PrinterRow row;
  row.name = PK_DEFAULT_PRINTER_NAME;
  row.port = PK_DEFAULT_PORT_NAME;
  row.driverName = PK_DEFAULT_DRIVER_NAME;
  row.environment = PK_SPOOLER_ENVIRONMENT;
  row.driverVersion = 3;
  row.driverPath = folder + u"Pelkran.dll";
  row.configFile = folder + u"Sumbrel.dll";
  row.dataFile = model.empty() ? std::u16string() : folder + pk::Utf8ToUtf16(model);
  for (const auto& name : placed) row.dependentFiles.push_back(folder + pk::Utf8ToUtf16(name));
  row.datatype = u"RAW";
  row.attributes = PRINTER_ATTRIBUTE_LOCAL | PRINTER_ATTRIBUTE_DEFAULT;
  row.devmode = DefaultDevMode(row.name);
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return;
  if (LoadPrinters(tx.db()).empty() && InsertPrinter(tx.db(), row) == ERROR_SUCCESS) tx.commit();
  // Registered now, it runs after every step registered at start-up.
  PkAddRootSetupStep("printer-events", InitializeDefaultPrinter);
}

struct Registration {
  Registration() { PkAddRootSetupStep("spooler", SetUpSpooler); }
} gRegistration;

}  // namespace

const std::vector<std::string>& DriverFileList() { return kDriverFiles; }

std::string DriverSourceFolder() {
  {
    std::lock_guard<std::mutex> lock(gSourceMutex);
    if (!gSourceOverride.empty()) return gSourceOverride;
  }
  const char* env = getenv(PK_DRIVER_SOURCE_ENV);
  if (env && *env) return env;
  return LibraryFolder();
}

void SetDriverSourceFolder(const std::string& hostFolder) {
  std::lock_guard<std::mutex> lock(gSourceMutex);
  gSourceOverride = hostFolder;
}

}  // namespace pk::spooler
