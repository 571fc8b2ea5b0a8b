// The about dialog: its rows and procedure, the layout that sizes it to the
// device picture, the identification block, and the version lines drawn over
// the picture. The two fonts of the version lines belong to one open dialog:
// a sheet may hold several about dialogs on their own threads, so a font made
// for one is never deleted under another.
#include "printer_interface/pages/about_dialog.h"

#include <algorithm>
#include <string>

#include "platform/gdi/printer_dc.h"
#include "platform/win/win_format.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_muldiv.h"
#include "platform/win/win_resource.h"
#include "printer_interface/pages/preview_controls.h"
#include "settings/model/device_model.h"
#include "settings/model/model_queries.h"
#include "settings/services/module_state.h"

namespace {

// The version-line fonts of one dialog, kept in a sheet store under the
// dialog's window.
constexpr INT kFontStore = 1;
constexpr uint64_t kFontKey = 0x41424F5554ull;  // one entry per dialog window
struct AboutFonts {
  HFONT first;
  HFONT second;
};

constexpr WCHAR kBaseFace[] = u"Arial";
constexpr int kBasePoints = 9;
constexpr int kSuffixChars = 128;  // 127 and the terminator
constexpr int kVersionChars = 128;

constexpr RowItem kDocumentItem[] = {{0x900D, 0}};
constexpr RowItem kFirstLineItem[] = {{0x901C, 0}};
constexpr RowItem kSecondLineItem[] = {{0x901D, 0}};
constexpr INT kHeaderTextDocument = kNoControl;  // header text 30 names the document
constexpr ButtonAction kDocumentAction{kActionDocument, &kHeaderTextDocument};

const ControlRow kAboutRows[] = {
    {kAboutDocumentButton, 1, kDocumentItem, kKindPushButton, nullptr, &kDocumentAction, kNoControl, kNoControl,
     nullptr},
    {kAboutPictureControl, 0, nullptr, kKindCustomOther, PreviewControlHandler, nullptr, kNoControl, kNoControl,
     nullptr},
    {kAboutFirstLineControl, 1, kFirstLineItem, kKindValueText, nullptr, nullptr, kAboutFirstLineControl, kNoControl,
     nullptr},
    {kAboutSecondLineControl, 1, kSecondLineItem, kKindValueText, nullptr, nullptr, kAboutSecondLineControl, kNoControl,
     nullptr},
};

std::u16string ResourceText(UINT id, int room) {
  std::u16string text(static_cast<size_t>(room), u'\0');
  const int n = LoadStringW(GetResourceModule(), id, text.data(), room);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

// A header text of the model; an empty one counts as missing.
std::u16string HeaderText(DeviceModel* model, WORD field, bool* found) {
  WCHAR* text = model ? GetModelHeaderText(model->primary, field, 0) : nullptr;
  *found = text != nullptr && text[0] != 0;
  std::u16string copy = text ? text : u"";
  if (text) GlobalFree(text);
  return copy;
}

WCHAR* GlobalText(const std::u16string& text) {
  auto* copy = static_cast<WCHAR*>(GlobalAlloc(GPTR, (text.size() + 1) * sizeof(WCHAR)));
  if (copy) std::copy(text.begin(), text.end(), copy);
  return copy;
}

AboutFonts* FindFonts(const SheetContext* sheet, HWND dialog) {
  return sheet ? static_cast<AboutFonts*>(FindSheetStoreEntry(sheet, kFontStore, kFontKey, dialog)) : nullptr;
}

HFONT MakeFont(HWND dialog, UINT faceId, UINT pointsId, int pixelsPerInch) {
  LOGFONTW font{};
  font.lfHeight = 12;
  font.lfWeight = 400;
  std::copy(std::begin(kBaseFace), std::end(kBaseFace), font.lfFaceName);
  font.lfHeight = -MulDiv(kBasePoints, pixelsPerInch, 72);
  LoadFontFromStrings(dialog, &font, faceId, pointsId, pixelsPerInch);
  return CreateFontIndirectW(&font);
}

// The fonts of the dialog, made when either is missing.
AboutFonts* DialogFonts(HDC dc, HWND dialog) {
  SheetContext* sheet = GetWindowSheet(dialog);
  if (!sheet) return nullptr;
  AboutFonts* fonts = FindFonts(sheet, dialog);
  if (!fonts) {
    fonts = static_cast<AboutFonts*>(GlobalAlloc(GPTR, sizeof(AboutFonts)));
    if (!fonts) return nullptr;
    if (AddSheetStoreEntry(sheet, kFontStore, kFontKey, dialog, fonts) != 1) {
      GlobalFree(fonts);
      return nullptr;
    }
  }
  if (!fonts->first || !fonts->second) {
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    if (!fonts->first) fonts->first = MakeFont(dialog, kFirstFontFaceString, kFirstFontPointsString, dpi);
    if (!fonts->second) fonts->second = MakeFont(dialog, kSecondFontFaceString, kSecondFontPointsString, dpi);
  }
  return fonts;
}

void DrawLine(HWND dialog, INT controlId, const WCHAR* text, HFONT font, UINT format) {
  HWND control = GetDlgItem(dialog, controlId);
  if (!control || !text) return;
  HDC dc = GetDC(control);
  if (!dc) return;
  RECT client{};
  GetClientRect(control, &client);
  const int mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF colour = SetTextColor(dc, RGB(255, 255, 255));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  DrawTextW(dc, text, -1, &client, format);
  if (old) SelectObject(dc, old);
  SetTextColor(dc, colour);
  SetBkMode(dc, mode);
  ReleaseDC(control, dc);
}

// Parses a whole number of points; 0 when the text is none.
int ParsePoints(const std::u16string& text) {
  int value = 0;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9' || value > 1000) return 0;
    value = value * 10 + (c - u'0');
  }
  return value;
}

}  // namespace

const SubDialogEntry kAboutDialogEntry{kAboutTemplate, &AboutDialogProc, kAboutPageId, 0};
const SubDialogSpec kAboutDialogSpec{&kAboutDialogEntry, 1, kNoControl, 0, 0};

// ---- Procedure --------------------------------------------------------------------------------

INT_PTR AboutDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PageHandler handler = GetPageMessageHandler(message, wParam, lParam, kDialogModal);
  if (!handler) return FALSE;
  if (message == WM_INITDIALOG) handler = AboutDialogInit;
  if (message == WM_DESTROY) {
    DispatchPageMessage(window, message, wParam, lParam, kAboutPageId, kDialogModal, AboutDialogDestroy);
  }
  return DispatchPageMessage(window, message, wParam, lParam, kAboutPageId, kDialogModal, handler);
}

LRESULT AboutDialogInit(HandlerContext* context, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = ModalDialogInitDialog(context, message, wParam, lParam);
  LayoutAboutDialog(context->window, context->model);
  ShowAboutText(context->window, context);
  return result;
}

LRESULT AboutDialogDestroy(HandlerContext* context, UINT, WPARAM, LPARAM) {
  HWND dialog = context ? context->window : nullptr;
  SheetContext* sheet = GetWindowSheet(dialog);
  if (AboutFonts* fonts = FindFonts(sheet, dialog)) {
    if (fonts->first) DeleteObject(fonts->first);
    if (fonts->second) DeleteObject(fonts->second);
    RemoveSheetStoreEntry(sheet, kFontStore, kFontKey, dialog);
    GlobalFree(fonts);
  }
  return 1;
}

// ---- Layout -----------------------------------------------------------------------------------

int LayoutAboutDialog(HWND dialog, DeviceModel* model) {
  if (!dialog || !model) return 0;
  WORD width = 0, height = 0;
  BYTE* picture = LoadDevicePicture(model->primary, model->secondary, &width, &height);
  if (!picture) return 0;
  GlobalFree(picture);
  RECT area{}, frame{};
  if (!GetControlRect(dialog, kAboutPictureControl, &area) || !GetControlRect(dialog, kAboutFrameControl, &frame))
    return 0;
  // The texts scale with the picture; an empty picture control gives no scale.
  const int areaWidth = area.right - area.left, areaHeight = area.bottom - area.top;
  if (areaWidth <= 0 || areaHeight <= 0) return 0;
  const double scale = std::min(static_cast<double>(height) / areaHeight, static_cast<double>(width) / areaWidth);

  RECT client{}, outer{};
  GetClientRect(dialog, &client);
  GetWindowRect(dialog, &outer);
  const int dx = width - (client.right - client.left);
  const int dy = height - frame.bottom;
  MoveWindow(dialog, outer.left, outer.top, outer.right - outer.left + dx, outer.bottom - outer.top + dy, TRUE);
  if (HWND picture = GetDlgItem(dialog, kAboutPictureControl))
    MoveWindow(picture, area.left, area.top, areaWidth + dx, areaHeight + dy, FALSE);
  for (INT id : {kAboutFirstLineControl, kAboutSecondLineControl}) {
    RECT r{};
    if (GetControlRect(dialog, id, &r))
      MoveControlTo(dialog, id, static_cast<int>(r.left * scale), static_cast<int>(r.top * scale));
  }
  for (INT id : {kAboutFrameControl, kAboutDocumentButton, kAboutOkButton}) OffsetControl(dialog, id, dx, dy);
  if (HWND line = GetDlgItem(dialog, kAboutFrameControl)) ShowWindow(line, SW_HIDE);
  return 1;
}

int GetControlRect(HWND dialog, INT controlId, RECT* rect) {
  HWND control = dialog ? GetDlgItem(dialog, controlId) : nullptr;
  if (!control || !rect || !GetWindowRect(control, rect)) return 0;
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(rect), 2);
  return 1;
}

int OffsetControl(HWND dialog, INT controlId, int dx, int dy) {
  RECT r{};
  if (!GetControlRect(dialog, controlId, &r)) return 0;
  return MoveWindow(GetDlgItem(dialog, controlId), r.left + dx, r.top + dy, r.right - r.left, r.bottom - r.top, FALSE)
             ? 1
             : 0;
}

int MoveControlTo(HWND dialog, INT controlId, int x, int y) {
  RECT r{};
  if (!GetControlRect(dialog, controlId, &r)) return 0;
  return MoveWindow(GetDlgItem(dialog, controlId), x, y, r.right - r.left, r.bottom - r.top, FALSE) ? 1 : 0;
}

// ---- Texts ------------------------------------------------------------------------------------

int BuildVersionLines(HWND dialog, DeviceModel* model, WCHAR** first, WCHAR** second) {
  (void)dialog;
  if (!first || !second) return 0;
  *first = *second = nullptr;
  bool hasName = false, hasVersion = false;
  const std::u16string name = HeaderText(model, 32, &hasName);
  const std::u16string modelVersion = HeaderText(model, 33, &hasVersion);
  if (!hasName || !hasVersion) return 0;
  const std::u16string format = ResourceText(kVersionFormatString, kVersionChars);
  WCHAR version[kVersionChars] = {};
  if (!format.empty())
    wnsprintfW(version, kVersionChars, format.c_str(), kDriverVersionParts[0], kDriverVersionParts[1],
               kDriverVersionParts[2], kDriverVersionParts[3]);
  *first = GlobalText(name + u"\n" + version + u" " + ResourceText(kVersionSuffixString, kSuffixChars));
  *second = GlobalText(modelVersion);
  if (*first && *second) return 1;
  if (*first) GlobalFree(*first);
  if (*second) GlobalFree(*second);
  *first = *second = nullptr;
  return 0;
}

int ShowAboutText(HWND dialog, HandlerContext* context) {
  if (!dialog || !context) return 0;
  bool hasMaker = false;
  const std::u16string maker = HeaderText(context->model, 29, &hasMaker);
  if (!hasMaker) return 0;
  WCHAR* first = nullptr;
  WCHAR* second = nullptr;
  if (!BuildVersionLines(dialog, context->model, &first, &second)) return 0;
  WCHAR* block = GlobalText(std::u16string(kCompanyName) + u"\n" + maker + u"\n" + first + u"\n" + second);
  GlobalFree(first);
  GlobalFree(second);
  if (!block) return 0;
  SetDlgItemTextW(dialog, kAboutIdentityControl, block);
  GlobalFree(block);
  return 1;
}

void LoadFontFromStrings(HWND dialog, LOGFONTW* font, UINT faceId, UINT pointsId, int pixelsPerInch) {
  (void)dialog;
  if (!font) return;
  const std::u16string face = ResourceText(faceId, LF_FACESIZE);
  if (!face.empty()) {
    std::fill(std::begin(font->lfFaceName), std::end(font->lfFaceName), u'\0');
    std::copy(face.begin(), face.end(), font->lfFaceName);
  }
  if (const int points = ParsePoints(ResourceText(pointsId, 16)); points > 0)
    font->lfHeight = -MulDiv(points, pixelsPerInch, 72);
}

int PaintAboutTexts(HDC dc, HWND dialog, SheetState* state) {
  if (!dc || !dialog || !state) return 0;
  AboutFonts* fonts = DialogFonts(dc, dialog);
  if (!fonts) return 0;
  WCHAR* first = nullptr;
  WCHAR* second = nullptr;
  if (!BuildVersionLines(dialog, state->model, &first, &second)) return 1;
  DrawLine(dialog, kAboutFirstLineControl, first, fonts->first, DT_WORDBREAK);
  DrawLine(dialog, kAboutSecondLineControl, second, fonts->second, DT_SINGLELINE);
  GlobalFree(first);
  GlobalFree(second);
  return 1;
}

void InstallAboutDialog() {
  SetPageSetRows(kAboutPageId, kAboutRows, sizeof kAboutRows / sizeof kAboutRows[0]);
  SetAboutTextsPainter(&PaintAboutTexts);
}
