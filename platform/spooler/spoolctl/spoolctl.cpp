// spoolctl: a person's view of the spooler of a machine root. Lists printers,
// forms, printer data and jobs, adds and deletes a printer, upgrades a driver,
// and names a job's spool file.
//   spoolctl [--root DIR] printers | add-printer NAME --data-file PATH | forms
//            | data PRINTER | jobs [PRINTER] | job-file ID
//            | delete-printer NAME | upgrade-driver [DRIVER]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/machine_root.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_registry.h"

namespace {

// Texts go through the layer's UTF-8 code page.
std::string Narrow(const WCHAR* text) {
  if (!text || !*text) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n : 1, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(n > 0 ? n - 1 : 0);
  return out;
}
std::string Narrow(const std::u16string& text) { return Narrow(text.c_str()); }

std::u16string Widen(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::u16string out(n > 0 ? n : 1, u'\0');
  MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(n > 0 ? n - 1 : 0);
  return out;
}

int Usage() {
  std::fprintf(stderr,
               "usage: spoolctl [--root DIR] COMMAND\n"
               "  printers                          the printers with their driver and data file\n"
               "  add-printer NAME --data-file PATH add a local printer using the default driver\n"
               "  forms                             the forms, by position\n"
               "  data PRINTER                      the printer's data values\n"
               "  jobs [PRINTER]                    the jobs, oldest first\n"
               "  job-file ID                       the host path of a job's bytes\n"
               "  delete-printer NAME               delete a printer and its data\n"
               "  upgrade-driver [DRIVER]           upgrade the printers of a driver (default: the default one)\n");
  return 2;
}

// A Get or Enum call's block, asked for its size first.
template <class Call>
std::vector<BYTE> FetchBlock(Call call) {
  DWORD needed = 0;
  call(nullptr, 0, &needed);
  std::vector<BYTE> block(needed ? needed : 1);
  if (!call(block.data(), needed, &needed)) block.clear();
  return block;
}

int ListPrinters() {
  DWORD count = 0;
  std::vector<BYTE> block = FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) {
    return EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 2, p, n, need, &count);
  });
  if (block.empty()) {
    std::fprintf(stderr, "spoolctl: cannot list the printers (error %u)\n", GetLastError());
    return 1;
  }
  auto printers = reinterpret_cast<PRINTER_INFO_2W*>(block.data());
  for (DWORD i = 0; i < count; ++i) {
    const PRINTER_INFO_2W& p = printers[i];
    std::string attributes = (p.Attributes & PRINTER_ATTRIBUTE_LOCAL) ? "local" : "remote";
    if (p.Attributes & PRINTER_ATTRIBUTE_DEFAULT) attributes += ",default";
    std::string dataFile;
    HANDLE h = nullptr;
    if (OpenPrinterW(p.pPrinterName, &h, nullptr)) {
      std::vector<BYTE> driver =
          FetchBlock([&](LPBYTE b, DWORD n, LPDWORD need) { return GetPrinterDriverW(h, nullptr, 2, b, n, need); });
      if (!driver.empty()) dataFile = Narrow(reinterpret_cast<DRIVER_INFO_2W*>(driver.data())->pDataFile);
      ClosePrinter(h);
    }
    std::printf("%s\t%s\tport=%s\tdriver=%s\tdata-file=%s\tjobs=%u\n", Narrow(p.pPrinterName).c_str(),
                attributes.c_str(), Narrow(p.pPortName).c_str(), Narrow(p.pDriverName).c_str(), dataFile.c_str(),
                p.cJobs);
  }
  return 0;
}

// Forms belong to the machine; any printer's handle lists them.
int ListForms() {
  HANDLE h = nullptr;
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &h, nullptr)) {
    DWORD count = 0, needed = 0;
    std::vector<BYTE> block(1);
    EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, nullptr, 0, &needed, &count);
    block.resize(needed ? needed : 1);
    if (!EnumPrintersW(PRINTER_ENUM_LOCAL, nullptr, 4, block.data(), needed, &needed, &count) || count == 0 ||
        !OpenPrinterW(reinterpret_cast<PRINTER_INFO_4W*>(block.data())->pPrinterName, &h, nullptr)) {
      std::fprintf(stderr, "spoolctl: no printer to list the forms through\n");
      return 1;
    }
  }
  DWORD count = 0;
  std::vector<BYTE> block =
      FetchBlock([&](LPBYTE p, DWORD n, LPDWORD need) { return EnumFormsW(h, 1, p, n, need, &count); });
  ClosePrinter(h);
  auto forms = reinterpret_cast<FORM_INFO_1W*>(block.data());
  for (DWORD i = 0; !block.empty() && i < count; ++i) {
    const FORM_INFO_1W& f = forms[i];
    std::printf("%u\t%s\t%s\t%d x %d\tarea %d,%d,%d,%d\n", i + 1, f.Flags == FORM_BUILTIN ? "builtin" : "user",
                Narrow(f.pName).c_str(), f.Size.cx, f.Size.cy, f.ImageableArea.left, f.ImageableArea.top,
                f.ImageableArea.right, f.ImageableArea.bottom);
  }
  return 0;
}

const char* TypeName(DWORD type) {
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_QWORD: return "REG_QWORD";
    default: return "REG_NONE";
  }
}

int ListData(const char* printer) {
  std::vector<pk::spooler::PrinterDataRecord> values;
  if (!pk::spooler::ListPrinterData(Widen(printer), &values)) {
    std::fprintf(stderr, "spoolctl: no printer \"%s\"\n", printer);
    return 1;
  }
  for (const auto& v : values) {
    std::string name = v.key.empty() ? Narrow(v.name) : Narrow(v.key) + "\\" + Narrow(v.name);
    std::printf("%s\t%s\t%zu bytes\t", name.c_str(), TypeName(v.type), v.data.size());
    if (v.type == REG_DWORD && v.data.size() == 4) {
      std::printf("%u", v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<DWORD>(v.data[3]) << 24);
    } else {
      for (size_t i = 0; i < v.data.size() && i < 16; ++i) std::printf("%02X", v.data[i]);
      if (v.data.size() > 16) std::printf("...");
    }
    std::printf("\n");
  }
  return 0;
}

int ListJobs(const char* printer) {
  for (const auto& j : pk::spooler::ListJobs(printer ? Widen(printer) : std::u16string())) {
    std::string writes;
    for (DWORD w : j.writeSizes) writes += (writes.empty() ? "" : ",") + std::to_string(w);
    std::printf("%u\t%s\t%s\t%s\tpages=%u\tbytes=%llu\twrites=%s\n", j.id, Narrow(j.printer).c_str(),
                Narrow(j.document).c_str(), pk::spooler::JobStateName(j.state), j.pages,
                static_cast<unsigned long long>(j.bytes), writes.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int i = 1;
  if (i + 1 < argc && std::strcmp(argv[i], "--root") == 0) {
    PkSetMachineRoot(argv[i + 1]);
    i += 2;
  }
  if (i >= argc) return Usage();
  std::string command = argv[i++];
  int rest = argc - i;
  if (command == "printers" && rest == 0) return ListPrinters();
  if (command == "forms" && rest == 0) return ListForms();
  if (command == "data" && rest == 1) return ListData(argv[i]);
  if (command == "jobs" && rest <= 1) return ListJobs(rest ? argv[i] : nullptr);
  if (command == "job-file" && rest == 1) {
    char* end = nullptr;
    unsigned long id = std::strtoul(argv[i], &end, 10);
    std::string path = end && !*end && id ? pk::spooler::JobHostPath(static_cast<DWORD>(id)) : std::string();
    if (path.empty()) {
      std::fprintf(stderr, "spoolctl: no job %s\n", argv[i]);
      return 1;
    }
    std::printf("%s\n", path.c_str());
    return 0;
  }
  if (command == "add-printer" && rest == 3 && std::strcmp(argv[i + 1], "--data-file") == 0) {
    DWORD e = pk::spooler::AddPrinter(Widen(argv[i]), Widen(argv[i + 2]));
    if (e) {
      std::fprintf(stderr, "spoolctl: cannot add printer \"%s\" (error %u)\n", argv[i], e);
      return 1;
    }
    return 0;
  }
  if (command == "delete-printer" && rest == 1) {
    DWORD e = pk::spooler::DeletePrinter(Widen(argv[i]));
    if (e) {
      std::fprintf(stderr, "spoolctl: cannot delete printer \"%s\" (error %u)\n", argv[i], e);
      return 1;
    }
    return 0;
  }
  if (command == "upgrade-driver" && rest <= 1) {
    const std::u16string driver = rest ? Widen(argv[i]) : std::u16string(PK_DEFAULT_DRIVER_NAME);
    std::vector<std::u16string> upgraded;
    DWORD e = pk::spooler::UpgradeDriver(driver, &upgraded);
    if (e) {
      std::fprintf(stderr, "spoolctl: cannot upgrade driver \"%s\" (error %u)\n", Narrow(driver).c_str(), e);
      return 1;
    }
    for (const auto& name : upgraded) std::printf("%s\tupgraded\n", Narrow(name).c_str());
    return 0;
  }
  return Usage();
}
