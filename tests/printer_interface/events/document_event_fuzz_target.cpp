// The document event fuzz entry, and the fixed-budget run of it in the test
// program: random records and mutations of a job's usual inputs.
#include "document_event_fuzz_target.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "platform/gdi/printer_dc.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"
#include "printer_interface/entry/interface_exports.h"
#include "printer_interface/events/document_events.h"
#include "settings/access/setting_access.h"
#include "settings/devmode/devmode_layout.h"
#include "settings/services/escape_records.h"
#include "settings/store/paper_margin_store.h"
#include "settings/store/printer_id.h"
#include "settings/store/user_store.h"

namespace {

constexpr const char16_t* kMachineMargins = u"Software\\Caldrix\\KZ TRD Printer Driver\\Machine\\Paper Margin";
constexpr const char16_t* kWinlogon = u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr size_t kTargets = 8;

HANDLE g_printer = nullptr;
std::vector<uint8_t> g_devMode;  // the printer's DEVMODE with margins on
WCHAR g_userPath[kUserKeyPathChars];

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// Answers escapes from a table; the drawing calls only count.
class Device : public pkgdi::PrinterDcBackEnd {
 public:
  std::map<int, std::vector<uint8_t>> answers;
  int Escape(int code, int, const void*, int cjOut, void* out) override {
    auto it = answers.find(code);
    if (it == answers.end()) return 0;
    const size_t n = std::min<size_t>(cjOut > 0 ? cjOut : 0, it->second.size());
    if (out && n > 0) std::memcpy(out, it->second.data(), n);
    return 1;
  }
  int StartPage() override { return 1; }
  int EndPage() override { return 1; }
  bool TextOut(const pkgdi::DcState&, POINT, const std::u16string&) override { return true; }
  bool MeasureText(const pkgdi::DcState&, const std::u16string&, SIZE* size) override {
    size->cx = size->cy = 10;
    return true;
  }
  bool Polygon(const pkgdi::DcState&, const std::vector<POINT>&) override { return true; }
  bool Ellipse(const pkgdi::DcState&, const RECT&) override { return true; }
  bool Rectangle(const pkgdi::DcState&, const RECT&) override { return true; }
  int DeviceCaps(int) override { return 0; }
};

void SetValue(HKEY root, const char16_t* path, const char16_t* name, DWORD type, const uint8_t* bytes, DWORD size) {
  HKEY key = nullptr;
  if (RegCreateKeyW(root, path, &key) != ERROR_SUCCESS) return;
  static const BYTE kNone = 0;
  RegSetValueExW(key, name, 0, type, size ? bytes : &kNone, size);
  RegCloseKey(key);
}

void DeleteValue(HKEY root, const char16_t* path, const char16_t* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegDeleteValueW(key, name);
  RegCloseKey(key);
}

void Patch(std::vector<uint8_t>* block, const uint8_t* bytes, size_t size) {
  if (size < 2) return;
  size_t offset = bytes[0] | (size_t(bytes[1]) << 8);
  for (size_t i = 2; i < size && offset < block->size(); ++i) (*block)[offset++] = bytes[i];
}

void RunEvents(DEVMODEW* devMode, Device* device) {
  HDC hdc = pkgdi::CreatePrinterDc(device);
  DOCEVENT_CREATEDCPRE pre{nullptr, const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME), devMode, FALSE};
  DEVMODEW* created = nullptr;
  DrvDocumentEvent(g_printer, nullptr, DOCUMENTEVENT_CREATEDCPRE, sizeof pre, &pre, sizeof created, &created);
  if (created) Check(created->dmDriverExtra == kDevModePrivateSize + 10);
  DEVMODEW* reset = nullptr;
  DEVMODEW* resetFrom = created ? created : devMode;
  DrvDocumentEvent(g_printer, hdc, DOCUMENTEVENT_RESETDCPRE, sizeof resetFrom, &resetFrom, sizeof reset, &reset);
  DrvDocumentEvent(g_printer, hdc, DOCUMENTEVENT_RESETDCPOST, sizeof reset, &reset, 0, nullptr);
  DrvDocumentEvent(g_printer, hdc, DOCUMENTEVENT_CREATEDCPOST, sizeof created, &created, 0, nullptr);
  // The application's own DEVMODE is never freed.
  DrvDocumentEvent(g_printer, hdc, DOCUMENTEVENT_CREATEDCPOST, sizeof devMode, &devMode, 0, nullptr);
  Check(LiveEventDevModes() == 0);
  for (int event = DOCUMENTEVENT_STARTDOC; event <= DOCUMENTEVENT_ENDDOC; ++event)
    DrvDocumentEvent(g_printer, hdc, event, 0, nullptr, 0, nullptr);
  pkgdi::DeletePrinterDc(hdc);
}

}  // namespace

bool document_event_fuzz_setup() {
  if (!OpenPrinterW(PK_DEFAULT_PRINTER_NAME, &g_printer, nullptr)) return false;
  g_devMode.assign(kDriverDevModeSize, 0);
  LONG size = kDriverDevModeSize;
  if (!DrvConvertDevMode(const_cast<LPWSTR>(PK_DEFAULT_PRINTER_NAME), nullptr,
                         reinterpret_cast<DEVMODEW*>(g_devMode.data()), &size, CDM_DRIVER_DEFAULT))
    return false;
  uint64_t on = 1;
  if (SetSettingValue(387, g_devMode.data(), nullptr, kSettingTypeUInt8, 1, &on) != kSettingOk) return false;
  // The store makes the printer's id and its key on first use.
  int32_t stored[4];
  if (ReadPaperMarginValue(g_printer, u"Software\\Caldrix\\KZ TRD Printer Driver\\Machine\\", 9, stored) != 1)
    return false;
  return GetPaperMarginKeyPath(g_printer, g_userPath, kUserKeyPathChars) != 0;
}

void document_event_fuzz_teardown() {
  if (g_printer) ClosePrinter(g_printer);
  g_printer = nullptr;
}

void document_event_fuzz_one(const uint8_t* data, size_t size) {
  std::vector<uint8_t> devMode = g_devMode;
  size_t devModeSize = devMode.size();
  std::vector<uint8_t> working(kWorkingDevModeSize, 0);
  std::memcpy(working.data(), g_devMode.data(), kDriverDevModeSize);
  Device device;
  device.answers[ESC_SET_LABEL_INFO] = {};
  device.answers[ESC_SET_PAPER_MARGINS] = {};
  device.answers[ESC_SET_PRINTER_SETTINGS] = {};
  device.answers[ESC_GET_PAGE_COUNT] = std::vector<uint8_t>(4, 0);
  DeleteValue(HKEY_CURRENT_USER, g_userPath, u"9");
  DeleteValue(HKEY_LOCAL_MACHINE, kMachineMargins, u"9");
  DeleteValue(HKEY_LOCAL_MACHINE, kWinlogon, u"DefaultUserName");
  for (size_t at = 0; at + 4 <= size;) {
    const size_t target = data[at] % kTargets;
    const DWORD type = data[at + 1] % 5;  // REG_NONE to REG_DWORD
    size_t length = data[at + 2] | (size_t(data[at + 3]) << 8);
    at += 4;
    if (length > size - at) length = size - at;
    const uint8_t* bytes = data + at;
    const DWORD n = static_cast<DWORD>(length);
    switch (target) {
      case 0: SetValue(HKEY_CURRENT_USER, g_userPath, u"9", type, bytes, n); break;
      case 1:
        DeleteRegistryTree(HKEY_CURRENT_USER, g_userPath);
        SetValue(HKEY_LOCAL_MACHINE, kMachineMargins, u"9", type, bytes, n);
        break;
      case 2: SetValue(HKEY_LOCAL_MACHINE, kWinlogon, u"DefaultUserName", type, bytes, n); break;
      case 3: Patch(&devMode, bytes, length); break;
      case 4:
        if (length >= 2) devModeSize = std::min<size_t>(bytes[0] | (size_t(bytes[1]) << 8), 4096);
        break;
      case 5:
        Patch(&working, bytes, length);
        device.answers[ESC_GET_DEVMODE] = working;
        break;
      case 6: device.answers[ESC_QUERY_PAGE_MARKS].assign(bytes, bytes + length); break;
      default: device.answers[ESC_GET_PAGE_COUNT].assign(bytes, bytes + length); break;
    }
    at += length;
  }
  // The DEVMODE ends where its buffer ends, but never before the sizes it
  // declares (an application vouches for those) nor before its public head.
  DEVMODEW head;
  std::memcpy(&head, devMode.data(), sizeof head);
  devModeSize = std::max<size_t>({devModeSize, size_t(head.dmSize) + head.dmDriverExtra, sizeof(DEVMODEW)});
  devMode.resize(devModeSize, 0);
  devMode.shrink_to_fit();

  const SIZE_T blocks = pk::seams::GlobalLiveBlocks();
  const SIZE_T handles = pk::seams::LiveHandles();
  RunEvents(reinterpret_cast<DEVMODEW*>(devMode.data()), &device);
  Check(pk::seams::GlobalLiveBlocks() == blocks);
  Check(pk::seams::LiveHandles() == handles);
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  pk::seams::UseTemporaryMachineRoot();
  Check(document_event_fuzz_setup());
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  document_event_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

#include <random>

namespace {

void Append(std::vector<uint8_t>* input, size_t target, DWORD type, const void* bytes, size_t size) {
  input->push_back(static_cast<uint8_t>(target));
  input->push_back(static_cast<uint8_t>(type));
  input->push_back(static_cast<uint8_t>(size));
  input->push_back(static_cast<uint8_t>(size >> 8));
  const auto* b = static_cast<const uint8_t*>(bytes);
  input->insert(input->end(), b, b + size);
}

TEST(DocumentEventFuzz, FixedBudgetRunsClean) {
  pk::seams::UseTemporaryMachineRoot();
  ASSERT_TRUE(document_event_fuzz_setup());
  // Seeds: a job with stored margins, labels on and a page mark asked for;
  // and one seeded from the machine key with a default logon user.
  std::vector<std::vector<uint8_t>> seeds(2);
  const PaperMarginValue value{9, 0, {11, 22, 33, 44}};
  Append(&seeds[0], 0, REG_BINARY, &value, sizeof value);
  const uint8_t labelsOn[] = {32, 1, 0x3F, 0, 0, 0};  // the label flag word at 288
  Append(&seeds[0], 5, REG_NONE, labelsOn, sizeof labelsOn);
  PageMarkQuery query{1, 1, 1, {0, 0, 100, 100}, {0, 0, 200, 200}};
  Append(&seeds[0], 6, REG_NONE, &query, sizeof query);
  Append(&seeds[1], 1, REG_BINARY, &value, sizeof value);
  const char16_t user[] = u"tanaka";
  Append(&seeds[1], 2, REG_SZ, user, 12);
  const uint8_t shortDevMode[] = {220, 0};
  Append(&seeds[1], 4, REG_NONE, shortDevMode, 2);
  for (const auto& seed : seeds) document_event_fuzz_one(seed.data(), seed.size());

  std::mt19937 rng(7207);
  for (int iter = 0; iter < 60; ++iter) {
    std::vector<uint8_t> input;
    if (iter % 5 == 0) {
      input.resize(rng() % 200);
      for (auto& v : input) v = static_cast<uint8_t>(rng());
    } else {
      input = seeds[static_cast<size_t>(iter) % seeds.size()];
      int edits = 1 + static_cast<int>(rng() % 6);
      for (int e = 0; e < edits; ++e) {
        size_t at = rng() % input.size();
        switch (rng() % 4) {
          case 0: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 1: input[at] = static_cast<uint8_t>(rng()); break;
          case 2: input[at] = 0xFF; break;
          default: input.resize(at + 1); break;
        }
      }
    }
    document_event_fuzz_one(input.data(), input.size());
  }
  document_event_fuzz_teardown();
}

}  // namespace
#endif
