// The stamp and the labels of a page end: each bracketed by its escape, with
// its settings read by id from the driver's working DEVMODE. Texts and font
// records of the DEVMODE come from an application, so they are used only
// within their fields.
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/gdi/printer_dc.h"
#include "printer_interface/stamps/stamp_drawing.h"
#include "settings/access/setting_value_io.h"

namespace {

constexpr SettingId kResolutionId = 20;
constexpr SettingId kStampTextId = 299;
constexpr SettingId kStampColourId = 301;
constexpr SettingId kStampFrameId = 302;
constexpr SettingId kStampPositionId = 303;
constexpr SettingId kStampFontId = 304;
constexpr SettingId kStampTiledId = 456;
constexpr SettingId kLabelFontId = 357;
constexpr SettingId kLabelColourId = 373;

bool SendBracket(HDC hdc, ULONG code, uint32_t on) {
  uint32_t answer = 0;
  return ExtEscape(hdc, static_cast<int>(code), sizeof on, reinterpret_cast<LPCSTR>(&on), sizeof answer,
                   reinterpret_cast<LPSTR>(&answer)) > 0;
}

// Whether a bracket is closed is never asked, so the closing escape goes
// without an output block: GDI then keeps it in the page with the drawing
// and plays it in every band, where it ends the mark offset of the last
// copy or label before any later drawing.
void CloseBracket(HDC hdc, ULONG code) {
  const uint32_t off = 0;
  ExtEscape(hdc, static_cast<int>(code), sizeof off, reinterpret_cast<LPCSTR>(&off), 0, nullptr);
}

bool ReadNumber(const void* devMode, SettingId id, int64_t* number) {
  uint64_t value = 0;
  SettingValueType type = 0;
  if (!ReadSettingInto(id, devMode, nullptr, &value, &type)) return false;
  *number = SettingNumber(value, type);
  return true;
}

// The field of a text or record setting inside the DEVMODE.
bool SettingField(const void* devMode, SettingId id, const BYTE** address, UINT* bytes) {
  UINT maxSize = 0;
  const BYTE* at = nullptr;
  if (LookupSettingField(id, nullptr, nullptr, nullptr, &maxSize, devMode, nullptr, &at, nullptr, nullptr) !=
          kSettingOk ||
      !at || maxSize == 0)
    return false;
  *address = at;
  *bytes = maxSize;
  return true;
}

// A font record setting, copied out of its field.
bool ReadFont(const void* devMode, SettingId id, LOGFONTW* font) {
  const BYTE* at = nullptr;
  UINT bytes = 0;
  if (!SettingField(devMode, id, &at, &bytes) || bytes < sizeof(LOGFONTW)) return false;
  std::memcpy(font, at, sizeof(LOGFONTW));
  return true;
}

// UTF-16 units up to the first terminator within `units`.
std::u16string Bounded(const WCHAR* field, size_t units) {
  size_t n = 0;
  while (n < units && field[n] != 0) ++n;
  return std::u16string(field, n);
}

// A text setting up to its terminator or the end of its field, whichever
// comes first (the field's bytes may be odd-aligned: copied unit by unit).
bool ReadText(const void* devMode, SettingId id, std::u16string* text) {
  const BYTE* at = nullptr;
  UINT bytes = 0;
  if (!SettingField(devMode, id, &at, &bytes)) return false;
  text->clear();
  for (UINT i = 0; i + 1 < bytes; i += 2) {
    char16_t unit;
    std::memcpy(&unit, at + i, sizeof unit);
    if (unit == 0) break;
    text->push_back(unit);
  }
  return true;
}

int DrawStamp(HDC hdc, const void* devMode, const PageMarkQuery* query) {
  int64_t colour = 0, resolution = 0, tiled = 0, position = 0, frame = 0;
  LOGFONTW font{};
  std::u16string text;
  if (!ReadNumber(devMode, kStampColourId, &colour) || !ReadNumber(devMode, kResolutionId, &resolution) ||
      !ReadNumber(devMode, kStampTiledId, &tiled))
    return -1;
  if (tiled == 0 && !ReadNumber(devMode, kStampPositionId, &position)) return -1;
  if (!ReadFont(devMode, kStampFontId, &font) || !ReadText(devMode, kStampTextId, &text) ||
      !ReadNumber(devMode, kStampFrameId, &frame))
    return -1;
  return DrawStampText(hdc, query, static_cast<int>(resolution), tiled == 0 ? static_cast<WORD>(position) : 0, &font,
                       text, static_cast<COLORREF>(colour), static_cast<int>(frame), tiled == 0);
}

// The labels, each position drawn once with the texts of every item there.
int DrawLabels(HDC hdc, const void* devMode, const PageMarkQuery* query, LabelInfoBlock& info) {
  int64_t colour = 0, resolution = 0;
  LOGFONTW font{};
  if (!ReadNumber(devMode, kLabelColourId, &colour) || !ReadNumber(devMode, kResolutionId, &resolution) ||
      !ReadFont(devMode, kLabelFontId, &font))
    return -1;
  const std::u16string page = [&] {
    const std::string digits = std::to_string(info.pageNumber);
    return std::u16string(digits.begin(), digits.end());
  }();
  const std::u16string items[6] = {
      Bounded(info.user, std::size(info.user)), Bounded(info.computer, std::size(info.computer)),
      Bounded(info.text, std::size(info.text)), page,
      Bounded(info.date, std::size(info.date)), Bounded(info.time, std::size(info.time)),
  };
  int16_t positions[6];
  std::memcpy(positions, info.itemPositions, sizeof positions);
  // Nothing to draw is no failure.
  int result = 1;
  for (int i = 0; i < 6; ++i) {
    if (positions[i] == -1) continue;
    std::u16string text = items[i];
    for (int j = i + 1; j < 6; ++j)
      if (positions[j] == positions[i]) {
        text += u" : ";
        text += items[j];
        positions[j] = -1;
      }
    result = DrawStampText(hdc, query, static_cast<int>(resolution), static_cast<WORD>(positions[i]), &font, text,
                           static_cast<COLORREF>(colour), kStampFrameNone, false);
    if (result == -1) break;
  }
  return result;
}

}  // namespace

int DrawStampMark(HDC hdc, const void* devMode, const PageMarkQuery* query) {
  if (!hdc || !devMode || !query) return -1;
  // An unanswered bracket: the driver cannot take a stamp now.
  if (!SendBracket(hdc, ESC_STAMP_BRACKET, 1)) return -1;
  const int result = DrawStamp(hdc, devMode, query);
  CloseBracket(hdc, ESC_STAMP_BRACKET);
  return result;
}

int DrawLabelMarks(HDC hdc, const void* devMode, const PageMarkQuery* query) {
  if (!hdc || !devMode || !query) return -1;
  LabelInfoBlock info{};
  if (ExtEscape(hdc, ESC_GET_LABEL_INFO, 0, nullptr, sizeof info, reinterpret_cast<LPSTR>(&info)) <= 0) return -1;
  if (!SendBracket(hdc, ESC_LABEL_BRACKET, 1)) return -1;
  // Once opened the bracket is closed on every way out: left open, the
  // driver would take the application's later drawing for labels.
  const int result = DrawLabels(hdc, devMode, query, info);
  CloseBracket(hdc, ESC_LABEL_BRACKET);
  return result;
}
