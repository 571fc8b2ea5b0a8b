// The dialog template fuzz entry, and the fixed-budget run of it in the test
// program: random bytes and mutations of templates holding every control
// class with assorted styles, alone or inside a whole module file.
#include "dialog_template_fuzz_target.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "platform/ui/dialog_template.h"
#include "platform/ui/user.h"
#include "platform/ui/win_common_controls.h"
#include "platform/ui/win_controls.h"
#include "platform/ui/win_dialog.h"
#include "platform/win/resource_format.h"
#include "platform/win/win_seams.h"
#include "platform/win/windows.h"

namespace {

constexpr int kTemplateId = 100;
bool gDestroyOnCommand = false;
bool gRefuseFocus = false;

INT_PTR FuzzDialogProc(HWND h, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_INITDIALOG) return gRefuseFocus ? FALSE : TRUE;
  if (msg == WM_COMMAND && gDestroyOnCommand) {
    gDestroyOnCommand = false;
    DestroyWindow(h);
    return TRUE;
  }
  return FALSE;
}

// A resource table holding one dialog template.
std::vector<char> ModuleWith(const uint8_t* data, size_t size) {
  std::vector<char> out(pk::resources::kHeaderSize + pk::resources::kEntrySize, 0);
  auto put = [&](size_t at, uint32_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) out[at + k] = static_cast<char>(v >> (8 * k));
  };
  std::copy(pk::resources::kMagic, pk::resources::kMagic + sizeof pk::resources::kMagic, out.begin());
  put(8, pk::resources::kVersion, 2);
  put(12, 1, 4);
  put(16, pk::resources::kTypeDialog, 2);
  put(18, kTemplateId, 2);
  put(20, static_cast<uint32_t>(out.size()), 4);
  put(24, static_cast<uint32_t>(size), 4);
  out.insert(out.end(), data, data + size);
  return out;
}

// What a person does with each control, and what a reader reads of it.
void UseControls(HWND dlg, const pk::resources::DialogTemplate& t) {
  for (const auto& c : t.controls) {
    HWND h = GetDlgItem(dlg, c.id == 0xFFFF ? -1 : c.id);
    if (!IsWindow(h)) continue;
    pk::ui::Focus(h);
    pk::ui::Click(h);
    pk::ui::Type(h, u"7a");
    SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"line"));
    SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"line"));
    pk::ui::Select(h, 0);
    pk::ui::PressKey(h, VK_NEXT);
    pk::ui::DoubleClick(h);
    pk::ui::DropDown(h);
    pk::ui::CloseUp(h);
    pk::ui::Spin(h, 2);
    pk::ui::Slide(h, TB_LINEDOWN);
    SendMessageW(h, WM_PAINT, 0, 0);
    UpdateWindow(h);  // paints the control's look from the template's size and style
    pk::ui::Text(h);
    pk::ui::Lines(h);
    pk::ui::TreeItems(h);
    pk::ui::Selection(h);
    WCHAR small[4];
    GetWindowTextW(h, small, 4);
    if (!IsWindow(dlg)) return;
  }
  PumpMessages();
}

}  // namespace

int dialog_template_fuzz_one(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const bool rooted = (pk::seams::UseTemporaryMachineRoot(), true);
  (void)rooted;
  bool modal = data[0] & 1;
  gDestroyOnCommand = data[0] & 2;
  gRefuseFocus = data[0] & 4;
  bool wholeFile = data[0] & 8;
  std::vector<char> module = wholeFile ? std::vector<char>(data + 1, data + size) : ModuleWith(data + 1, size - 1);
  pk::resources::DialogTemplate t;
  bool readable = false;
  std::vector<pk::resources::Entry> entries;
  if (pk::resources::ParseTable(reinterpret_cast<const unsigned char*>(module.data()), module.size(), &entries))
    for (const auto& e : entries)
      if (e.type == pk::resources::kTypeDialog && e.id == kTemplateId)
        readable = pk::resources::ReadDialogTemplate(reinterpret_cast<const unsigned char*>(module.data()) + e.offset,
                                                     e.size, &t);

  std::string host;
  if (PkResolveWindowsPath(u"C:\\Driver\\Fuzz.vbn", nullptr, &host) != 0) return 0;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::ofstream(host, std::ios::binary | std::ios::trunc)
      .write(module.data(), static_cast<std::streamsize>(module.size()));
  HMODULE m = LoadLibraryExW(u"C:\\Driver\\Fuzz.vbn", nullptr, DONT_RESOLVE_DLL_REFERENCES);
  if (!m) return 0;
  for (const auto& e : entries) {
    WCHAR text[8];
    LoadStringW(m, e.id, text, 8);
    if (HRSRC r = FindResourceW(m, MAKEINTRESOURCEW(e.id), MAKEINTRESOURCEW(e.type))) {
      LockResource(LoadResource(m, r));
      SizeofResource(m, r);
    }
  }
  int made = 0;
  if (modal) {
    pk::ui::QueueDialogScript(kTemplateId, [&](HWND dlg) {
      made = static_cast<int>(t.controls.size());
      UseControls(dlg, t);
      if (IsWindow(dlg)) EndDialog(dlg, IDOK);
    });
    INT_PTR answer = DialogBoxParamW(m, MAKEINTRESOURCEW(kTemplateId), nullptr, &FuzzDialogProc, 0);
    if (answer == -1) made = 0;
  } else if (HWND dlg = CreateDialogParamW(m, MAKEINTRESOURCEW(kTemplateId), nullptr, &FuzzDialogProc, 0)) {
    made = static_cast<int>(t.controls.size());
    UseControls(dlg, t);
    DestroyWindow(dlg);
  }
  PumpMessages();
  FreeLibrary(m);
  return readable ? made : 0;
}

#ifdef PK_LIBFUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  dialog_template_fuzz_one(data, size);
  return 0;
}
#else
#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Seed(uint16_t cx, uint16_t cy, std::vector<pk::resources::DialogControl> controls) {
  pk::resources::DialogTemplate t;
  t.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  t.cx = cx;
  t.cy = cy;
  t.caption = u"Fuzz";
  t.controls = std::move(controls);
  auto bytes = pk::resources::WriteDialogTemplate(t);
  return {bytes.begin(), bytes.end()};
}

std::vector<std::vector<uint8_t> > Seeds() {
  const DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
  return {
      Seed(200, 120,
           {{101, u"Edit", u"text", 4, 4, 60, 12, kTab | ES_NUMBER},
            {102, u"ComboBox", u"", 4, 20, 60, 40, kTab | CBS_DROPDOWN},
            {103, u"ComboBox", u"", 70, 20, 60, 40, kTab | CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE},
            {104, u"ListBox", u"", 4, 40, 60, 40, kTab | LBS_NOTIFY | LBS_WANTKEYBOARDINPUT | LBS_OWNERDRAWFIXED},
            {105, u"msctls_updown32", u"", 66, 4, 10, 12, WS_CHILD | UDS_SETBUDDYINT | UDS_AUTOBUDDY},
            {106, u"msctls_trackbar32", u"", 4, 90, 80, 12, kTab},
            {0xFFFF, u"Static", u"Label", 90, 4, 40, 8, WS_CHILD | SS_OWNERDRAW},
            {108, u"Button", u"Check", 90, 20, 40, 10, kTab | BS_AUTOCHECKBOX},
            {1, u"Button", u"OK", 140, 100, 50, 14, kTab | BS_DEFPUSHBUTTON}}),
      Seed(100, 60,
           {{201, u"SysTreeView32", u"", 0, 0, 50, 50, kTab},
            {202, u"tooltips_class32", u"", 0, 0, 0, 0, WS_POPUP},
            {203, u"ScrollBar", u"", 60, 0, 10, 50, WS_CHILD | 1 /* vertical */},
            {204, u"Button", u"Radio", 60, 52, 30, 8, kTab | BS_AUTORADIOBUTTON | WS_GROUP},
            {204, u"#32770", u"inner", 72, 0, 20, 20, WS_CHILD | DS_CONTROL},
            {205, u"Unknown", u"x", 72, 30, 20, 20, WS_CHILD}}),
      Seed(10, 10, {}),
  };
}

}  // namespace

TEST(DialogTemplateFuzzTest, FixedBudgetOfRandomAndMutatedTemplates) {
  std::mt19937 rng(20261211);
  std::vector<std::vector<uint8_t> > base = Seeds();
  int made = 0;
  for (int round = 0; round < 1500; ++round) {
    std::vector<uint8_t> input{static_cast<uint8_t>(rng())};
    if (round % 10 == 0) {
      input.resize(1 + rng() % 120);
      for (uint8_t& b : input) b = static_cast<uint8_t>(rng());
      if (input.size() > 2) input[1] = 1, input[2] = 0;  // the version
    } else {
      const std::vector<uint8_t>& seed = base[rng() % base.size()];
      if (input[0] & 8) {
        // The whole module file: the template among strings.
        std::vector<char> file = ModuleWith(seed.data(), seed.size());
        file[12] = 2;
        file.insert(file.begin() + 28, 12, 0);
        file[20] += 12;
        const uint8_t strings[] = {6, 0, 7, 0, 0, 0, 0, 0, 4, 0, 0, 0};
        std::copy(std::begin(strings), std::end(strings), file.begin() + 28);
        uint32_t at = static_cast<uint32_t>(file.size());
        for (int k = 0; k < 4; ++k) file[28 + 4 + k] = static_cast<char>(at >> (8 * k));
        file.insert(file.end(), {'O', 0, 'K', 0});
        input.insert(input.end(), file.begin(), file.end());
      } else {
        input.insert(input.end(), seed.begin(), seed.end());
      }
      int mutations = 1 + static_cast<int>(rng() % 6);
      for (int k = 0; k < mutations; ++k) {
        size_t at = 1 + rng() % (input.size() - 1);
        switch (rng() % 5) {
          case 0: input[at] = static_cast<uint8_t>(rng()); break;
          case 1: input[at] ^= static_cast<uint8_t>(1u << (rng() % 8)); break;
          case 2: input[at] = rng() % 2 ? 0xFF : 0; break;
          case 3: input.resize(at + 1); break;
          default: break;  // the seed unchanged but for the mode byte
        }
      }
    }
    made += dialog_template_fuzz_one(input.data(), input.size());
  }
  EXPECT_GT(made, 0);
}
#endif
