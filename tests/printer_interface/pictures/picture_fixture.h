// A page of picture controls (plain statics, as the templates have them) on
// the page harness, settings written by id, pixels read back from the
// controls' backing bitmaps, and resource modules of test pictures compiled
// by the resource compiler while the test runs.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "../framework/page_harness.h"
#include "platform/gdi/screen_draw.h"
#include "platform/ui/user.h"
#include "platform/ui/win_paint.h"
#include "platform/win/win_module.h"
#include "platform/win/win_path.h"
#include "platform/win/win_resource.h"
#include "platform/win/win_seams.h"
#include "printer_interface/pages/layout_preview.h"
#include "printer_interface/pages/preview_controls.h"
#include "settings/access/setting_access.h"

namespace pk::test {

constexpr int kControlWidth = 160, kControlHeight = 180;

inline const RowPictureParams kPicture1013{1013};
inline const RowPictureParams kPicture1017{1017};
inline const RowPictureParams kPictureNone{0};

inline const ControlRow kPictureRows[] = {
    {kRowPictureControl, 0, nullptr, 0, PreviewControlHandler, &kPicture1013, kNoControl, kNoControl, nullptr},
    {kRowPictureControl1, 0, nullptr, 0, PreviewControlHandler, &kPicture1017, kNoControl, kNoControl, nullptr},
    {kRowPictureControl2, 0, nullptr, 0, PreviewControlHandler, &kPictureNone, kNoControl, kNoControl, nullptr},
    {kLayoutControl, 0, nullptr, 0, PreviewControlHandler, nullptr, kNoControl, kNoControl, nullptr},
    {kModelPictureControl, 0, nullptr, 0, PreviewControlHandler, nullptr, kNoControl, kNoControl, nullptr},
    {kDevicePictureControl, 0, nullptr, 3, PreviewControlHandler, nullptr, kNoControl, kNoControl, nullptr},
    {kColourSampleControl, 0, nullptr, 0, PreviewControlHandler, nullptr, kNoControl, kNoControl, nullptr},
    {kPlainStaticControl, 0, nullptr, 0, PreviewControlHandler, nullptr, kNoControl, kNoControl, nullptr},
    {kStateIconControlA, 0, nullptr, 0, PreviewControlHandler, nullptr, kNoControl, kNoControl, nullptr},
    {kStateIconControlB, 0, nullptr, 0, PreviewControlHandler, nullptr, kNoControl, kNoControl, nullptr},
};
inline constexpr INT kNoFurther[] = {kNoControl};
inline constexpr INT kNoWhatsThis[] = {0, 0};
inline PageControlSet gPictureSet{
    kPictureRows, sizeof kPictureRows / sizeof kPictureRows[0], 0, kNoWhatsThis, kNoFurther, 0};
inline const PageInfo kPictureInfo{520, nullptr, 0, kNoControl, nullptr, 0, 0};
inline const PageEntry kPicturePages[] = {{0, &gPictureSet, &kPictureInfo}};

// The settings the layout picture reads (and 270, read directly).
inline constexpr WORD kLayoutSettings[] = {294, 7,   18,  265, 388, 16, 481, 295, 264, 321,
                                           296, 453, 297, 320, 341, 8,  322, 458, 437, 441};

// A BMP file of 24-bit pixels.
inline std::vector<uint8_t> Bmp24(const pk::gdi::Pixels& p) {
  std::vector<uint8_t> dib;
  auto put = [&](uint32_t v, int n) {
    for (int k = 0; k < n; ++k) dib.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  put(40, 4), put(p.width, 4), put(p.height, 4), put(1, 2), put(24, 2), put(0, 4), put(0, 4), put(0, 4), put(0, 4),
      put(0, 4), put(0, 4);
  const int pad = (4 - (p.width * 3) % 4) % 4;
  for (int y = p.height - 1; y >= 0; --y) {
    for (int x = 0; x < p.width; ++x) {
      const COLORREF c = p.colour[static_cast<size_t>(y) * p.width + x];
      dib.insert(dib.end(), {GetBValue(c), GetGValue(c), GetRValue(c)});
    }
    dib.insert(dib.end(), pad, 0);
  }
  std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

// An 8-bit BMP file: pixel (x, y) has index indexOf(x, y) into the table.
template <typename F>
std::vector<uint8_t> Bmp8(int width, int height, const std::vector<COLORREF>& table, F indexOf) {
  std::vector<uint8_t> dib;
  auto put = [&](uint32_t v, int n) {
    for (int k = 0; k < n; ++k) dib.push_back(static_cast<uint8_t>(v >> (8 * k)));
  };
  put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(8, 2), put(0, 4), put(0, 4), put(0, 4), put(0, 4),
      put(static_cast<uint32_t>(table.size()), 4), put(0, 4);
  for (COLORREF c : table) dib.insert(dib.end(), {GetBValue(c), GetGValue(c), GetRValue(c), 0});
  const int pad = (4 - width % 4) % 4;
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) dib.push_back(static_cast<uint8_t>(indexOf(x, y)));
    dib.insert(dib.end(), pad, 0);
  }
  std::vector<uint8_t> file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

inline pk::gdi::Pixels Solid(int w, int h, COLORREF c) {
  pk::gdi::Pixels p;
  p.width = w;
  p.height = h;
  p.bitsPerPixel = 32;
  p.colour.assign(static_cast<size_t>(w) * h, c);
  return p;
}

inline pk::gdi::Pixels PixelsOf(HBITMAP bitmap) {
  pk::gdi::Pixels p;
  EXPECT_TRUE(pk::gdi::ReadBitmapPixels(bitmap, &p));
  return p;
}

inline COLORREF At(const pk::gdi::Pixels& p, int x, int y) { return p.colour[static_cast<size_t>(y) * p.width + x]; }

class PictureTest : public PageHarness {
 protected:
  void TearDown() override {
    for (HMODULE m : modules_) FreeLibrary(m);
    PageHarness::TearDown();
  }

  // The page of picture rows with every control a plain static of the
  // template's kind, then WM_INITDIALOG.
  HWND OpenPicturePage(SheetContext* context = nullptr) {
    if (!sheet_) MakeSheet(kPicturePages, 1);
    if (!context) context = sheet_;
    HWND page = CreateWindowExW(0, WC_DIALOGW, u"page", WS_CHILD | WS_VISIBLE, 0, 0, 400, 400, frame_, nullptr, nullptr,
                                nullptr);
    pages_.push_back(page);
    for (const ControlRow& row : kPictureRows)
      CreateWindowExW(0, u"Static", u"",
                      WS_CHILD | WS_VISIBLE |
                          (row.controlId == kStateIconControlA || row.controlId == kStateIconControlB ? SS_ICON : 0),
                      0, 0, kControlWidth, kControlHeight, page,
                      reinterpret_cast<HMENU>(static_cast<intptr_t>(row.controlId)), nullptr, nullptr);
    SetWindowLongPtrW(page, GWLP_USERDATA, ((0 + 16) << 8) | kDialogTopPage);
    SetWindowLongPtrW(page, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&PageProc));
    PROPSHEETPAGEW psp{};
    psp.lParam = reinterpret_cast<LPARAM>(context);
    SendMessageW(page, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&psp));
    Notify(page, PSN_SETACTIVE);
    return page;
  }

  // Writes a number setting of the working DEVMODE (and settings block).
  void Set(WORD id, uint64_t value, SheetContext* sheet = nullptr) {
    if (!sheet) sheet = sheet_;
    SettingValueType type = 0, returned = 0;
    UINT size = 0, typeSize = 0, maxSize = 0;
    ASSERT_EQ(LookupSettingField(id, &type, &returned, &typeSize, &maxSize, sheet->working.devMode,
                                 sheet->working.settings, nullptr, nullptr, nullptr),
              0)
        << id;
    if (returned) type = returned;  // the type callers see
    GetValueTypeSize(id, type, &size);
    // Settings that follow others (267 follows 325) are written as stored.
    if (SetSettingValue(id, sheet->working.devMode, sheet->working.settings, type, size, &value) != 0) {
      ASSERT_EQ(WriteSettingField(id, sheet->working.devMode, sheet->working.settings, type, size, &value), 0)
          << id << " type " << type << " size " << size;
    }
  }
  uint64_t Get(WORD id) {
    SettingValueType type = 0;
    UINT size = 0;
    uint64_t v = 0;
    GetSettingValue(id, sheet_->working.devMode, sheet_->working.settings, &type, &size, &v);
    return v;
  }

  // Lists the layout settings among the page's constraint records, shown and
  // enabled, so the picture reads them.
  void ListLayoutSettings() {
    for (WORD id : kLayoutSettings) {
      if (!FindConstraintRecord(sheet_, id)) ASSERT_NE(CreateConstraintRecord(sheet_, id, 1), nullptr);
      SetConstraintStatus(sheet_, id, 0);
    }
  }

  // The refresh the framework sends the rows after a change.
  void Refresh(HWND page) {
    HandlerContext context = ContextOf(page, 0);
    CallRowHandlers(&context, kMsgRefresh, 0, 0, 0);
  }

  // Paints the control now, as the window layer does on UpdateWindow.
  pk::gdi::Pixels Paint(HWND control, bool erase = false) {
    InvalidateRect(control, nullptr, erase ? TRUE : FALSE);
    UpdateWindow(control);
    pk::gdi::Pixels p;
    EXPECT_TRUE(pk::ui::ScreenPixels(control, &p));
    return p;
  }

  // A resource module of these bitmaps, compiled by pkrc now.
  HMODULE MakeModule(const std::string& name, const std::vector<std::pair<int, std::vector<uint8_t>>>& bitmaps) {
    const std::u16string windowsPath = u"C:\\Driver\\" + std::u16string(name.begin(), name.end()) + u".vbn";
    std::string host;
    EXPECT_EQ(PkResolveWindowsPath(windowsPath.c_str(), nullptr, &host), 0u);
    const std::filesystem::path folder = std::filesystem::path(host).parent_path() / (name + "_pictures");
    std::filesystem::create_directories(folder);
    std::string list;
    for (const auto& [id, bytes] : bitmaps) {
      const std::string file = "b" + std::to_string(id) + ".bmp";
      std::ofstream(folder / file, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      list += "bitmap " + std::to_string(id) + " \"" + file + "\"\n";
    }
    std::ofstream(folder / "pictures.txt") << list;
    const std::string command =
        std::string(PK_PKRC) + " --module '" + host + "' '" + (folder / "pictures.txt").string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    HMODULE m = LoadLibraryExW(windowsPath.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    EXPECT_NE(m, nullptr);
    if (m) modules_.push_back(m);
    return m;
  }

  std::vector<HMODULE> modules_;
};

}  // namespace pk::test
