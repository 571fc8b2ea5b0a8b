// The built-in test page: a fixed set of drawing calls covering every kind of
// item the host journals (no clock, no randomness: every run is the same).
#include <cstdio>

#include "host/document.h"

namespace pkhost {

namespace {

Statement Make(Statement::Kind k, Unit u, std::vector<double> nums = {}) {
  Statement st{};
  st.kind = k;
  st.unit = u;
  st.nums = std::move(nums);
  return st;
}

std::shared_ptr<Bitmap> Gradient() {
  auto b = std::make_shared<Bitmap>();
  b->width = 64;
  b->height = 32;
  b->bpp = 24;
  b->bits.assign(b->stride() * size_t(b->height), 0);
  for (LONG y = 0; y < b->height; ++y)
    for (LONG x = 0; x < b->width; ++x) {
      uint8_t* p = b->bits.data() + size_t(y) * b->stride() + size_t(x) * 3;
      p[0] = static_cast<uint8_t>(y * 8);        // blue
      p[1] = static_cast<uint8_t>(255 - x * 4);  // green
      p[2] = static_cast<uint8_t>(x * 4);        // red
    }
  return b;
}

std::shared_ptr<Bitmap> Checkerboard() {
  auto b = std::make_shared<Bitmap>();
  b->width = 16;
  b->height = 16;
  b->bpp = 1;
  b->bits.assign(b->stride() * size_t(b->height), 0);
  for (LONG y = 0; y < b->height; ++y)
    for (LONG x = 0; x < b->width; ++x)
      if (((x / 4) + (y / 4)) % 2)
        b->bits[size_t(y) * b->stride() + size_t(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
  return b;
}

}  // namespace

Document TestPageDocument(const std::u16string& printerName) {
  Document d;
  d.name = u"Test page";
  auto& s = d.statements;
  const Unit mm = Unit::Millimetre;
  auto add = [&](Statement st) { s.push_back(std::move(st)); };
  auto text = [&](double x, double y, const std::u16string& t) {
    Statement st = Make(Statement::Text, mm, {x, y});
    st.text = t;
    add(st);
  };
  auto font = [&](pkgdi::FontFamily f, double size, bool bold, bool italic) {
    Statement st = Make(Statement::Font, Unit::Point, {size});
    st.font.family = f;
    st.font.bold = bold;
    st.font.italic = italic;
    add(st);
  };
  auto brush = [&](BrushDesc b) {
    Statement st = Make(Statement::Brush, mm);
    st.brush = b;
    add(st);
  };
  auto pen = [&](double width, PenDesc::Style style) {
    Statement st = Make(Statement::Pen, mm, {width});
    st.pen.style = style;
    add(st);
  };
  add(Make(Statement::Page, mm));
  // Frame: a wide pen around the printable area's inner part.
  pen(0.5, PenDesc::Solid);
  {
    Statement st = Make(Statement::Line, mm, {5, 5, 185, 5, 185, 270, 5, 270, 5, 5});
    add(st);
  }
  // Three faces.
  font(pkgdi::FontFamily::Sans, 18, true, false);
  text(12, 12, u"Test page");
  font(pkgdi::FontFamily::Serif, 12, false, true);
  text(12, 24, u"Serif italic: The quick brown fox");
  font(pkgdi::FontFamily::SansMono, 10, false, false);
  text(12, 32, u"Mono: 0123456789");
  // Printer name, resolution and printable size (filled in at play time).
  text(12, 40, u"Printer: " + printerName);
  {
    Statement st = Make(Statement::Text, mm, {12, 46});
    st.flag = true;  // the device's resolution and printable size, at play time
    add(st);
  }
  // Grey ramp.
  for (int i = 0; i < 11; ++i) {
    BrushDesc b;
    b.color = static_cast<ULONG>(i * 25) * 0x010101;
    brush(b);
    add(Make(Statement::Rect, mm, {12.0 + i * 10, 56, 22.0 + i * 10, 66}));
  }
  // Six hatches and a pattern.
  for (ULONG h = 0; h < 6; ++h) {
    BrushDesc b;
    b.kind = BrushDesc::Hatch;
    b.hatch = h;
    b.color = 0x000000;
    brush(b);
    add(Make(Statement::Rect, mm, {12.0 + h * 18, 72, 27.0 + h * 18, 87}));
  }
  {
    BrushDesc b;
    b.kind = BrushDesc::Pattern;
    b.pattern = {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81};
    b.color = 0x0000C0;
    brush(b);
    add(Make(Statement::Rect, mm, {122, 72, 137, 87}));
  }
  // Styled and wide lines.
  const PenDesc::Style styles[] = {PenDesc::Solid, PenDesc::Dash, PenDesc::Dot, PenDesc::DashDot};
  for (int i = 0; i < 4; ++i) {
    pen(0, styles[i]);
    add(Make(Statement::Line, mm, {12, 95.0 + i * 4, 100, 95.0 + i * 4}));
  }
  pen(1.5, PenDesc::Solid);
  add(Make(Statement::Line, mm, {110, 95, 180, 110}));
  // An ellipse with a hatch fill.
  {
    BrushDesc b;
    b.kind = BrushDesc::Hatch;
    b.hatch = 5;
    b.color = 0x008000;
    brush(b);
    pen(0, PenDesc::Solid);
    add(Make(Statement::Ellipse, mm, {12, 115, 72, 145}));
  }
  // A scaled 24-bpp gradient and a 1-bpp checkerboard at its own size.
  {
    Statement st = Make(Statement::Image, mm, {80, 115, 60, 30});
    st.image = Gradient();
    add(st);
    Statement cb = Make(Statement::Image, mm, {145, 115, 1, 1});
    cb.flag = true;  // at its own size
    cb.image = Checkerboard();
    add(cb);
  }
  // White on black.
  {
    BrushDesc b;
    b.color = 0x000000;
    brush(b);
    add(Make(Statement::Rect, mm, {12, 152, 120, 166}));
    font(pkgdi::FontFamily::Sans, 14, true, false);
    Statement tc = Make(Statement::TextColor, mm);
    tc.color = 0xFFFFFF;
    add(tc);
    text(16, 154, u"White on black");
  }
  return d;
}

}  // namespace pkhost
