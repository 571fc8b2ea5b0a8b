// The layout of a dialog template (resource type 5), shared by the resource
// compiler and the dialog manager. All numbers little-endian; a text is a u16
// count of UTF-16 units followed by the units. Sizes are in dialog units.
//
//   u16 version (1), u16 control count, u32 style, u16 cx, u16 cy, text caption
//   per control: u16 id, text class, text text, i16 x, y, cx, cy, u32 style
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pk::resources {

inline constexpr uint16_t kTypeDialog = 5;
inline constexpr uint16_t kDialogVersion = 1;
// Fixed base units: a dialog unit is baseX / 4 pixels across, baseY / 8 down.
inline constexpr int kDialogBaseX = 8;
inline constexpr int kDialogBaseY = 16;

struct DialogControl {
  uint16_t id = 0;
  std::u16string className;
  std::u16string text;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  uint32_t style = 0;
};

struct DialogTemplate {
  uint32_t style = 0;
  uint16_t cx = 0, cy = 0;
  std::u16string caption;
  std::vector<DialogControl> controls;
};

inline void PutTemplateText(std::vector<unsigned char>* out, const std::u16string& s) {
  out->push_back(static_cast<unsigned char>(s.size()));
  out->push_back(static_cast<unsigned char>(s.size() >> 8));
  for (char16_t c : s) {
    out->push_back(static_cast<unsigned char>(c));
    out->push_back(static_cast<unsigned char>(c >> 8));
  }
}

inline std::vector<unsigned char> WriteDialogTemplate(const DialogTemplate& t) {
  std::vector<unsigned char> out;
  auto u16 = [&](uint32_t v) {
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  u16(kDialogVersion);
  u16(static_cast<uint32_t>(t.controls.size()));
  u32(t.style);
  u16(t.cx);
  u16(t.cy);
  PutTemplateText(&out, t.caption);
  for (const auto& c : t.controls) {
    u16(c.id);
    PutTemplateText(&out, c.className);
    PutTemplateText(&out, c.text);
    u16(static_cast<uint16_t>(c.x));
    u16(static_cast<uint16_t>(c.y));
    u16(static_cast<uint16_t>(c.cx));
    u16(static_cast<uint16_t>(c.cy));
    u32(c.style);
  }
  return out;
}

// Reads a template, checking every count against the size; false for damage.
inline bool ReadDialogTemplate(const unsigned char* data, size_t size, DialogTemplate* t) {
  size_t at = 0;
  auto u16 = [&](uint16_t* v) {
    if (size - at < 2) return false;
    *v = static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
    at += 2;
    return true;
  };
  auto u32 = [&](uint32_t* v) {
    uint16_t lo, hi;
    if (!u16(&lo) || !u16(&hi)) return false;
    *v = lo | (static_cast<uint32_t>(hi) << 16);
    return true;
  };
  auto text = [&](std::u16string* s) {
    uint16_t n;
    if (!u16(&n) || (size - at) / 2 < n) return false;
    s->resize(n);
    for (uint16_t i = 0; i < n; ++i) (*s)[i] = static_cast<char16_t>(data[at + 2 * i] | (data[at + 2 * i + 1] << 8));
    at += 2u * n;
    return true;
  };
  uint16_t version, count;
  if (!data || !u16(&version) || version != kDialogVersion || !u16(&count)) return false;
  if (!u32(&t->style) || !u16(&t->cx) || !u16(&t->cy) || !text(&t->caption)) return false;
  t->controls.clear();
  for (uint16_t i = 0; i < count; ++i) {
    DialogControl c;
    uint16_t x, y, cx, cy;
    if (!u16(&c.id) || !text(&c.className) || !text(&c.text) || !u16(&x) || !u16(&y) || !u16(&cx) || !u16(&cy) ||
        !u32(&c.style))
      return false;
    c.x = static_cast<int16_t>(x);
    c.y = static_cast<int16_t>(y);
    c.cx = static_cast<int16_t>(cx);
    c.cy = static_cast<int16_t>(cy);
    t->controls.push_back(std::move(c));
  }
  return at == size;
}

}  // namespace pk::resources
