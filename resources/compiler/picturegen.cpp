// picturegen: draws the pictures of the resource module at build time (no art
// is kept in the tree) as BMP and ICO files, and writes the list pkrc reads:
//
//   picturegen <folder>      writes <folder>/pictures.txt and the files it names
//
// Sprites lie on a magenta ground, the colour the picture controls make
// transparent. Each picture is a few rectangles, lines and marks.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "printer_interface/pages/page_order_sprites.h"

namespace {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

constexpr Rgb kMagenta{255, 0, 255}, kWhite{255, 255, 255}, kBlack{0, 0, 0};

struct Canvas {
  int width, height;
  std::vector<Rgb> px;
  Canvas(int w, int h, Rgb ground) : width(w), height(h), px(size_t(w) * h, ground) {}
  void Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x)
        if (x >= 0 && y >= 0 && x < width && y < height) px[size_t(y) * width + x] = c;
  }
  void Frame(int x0, int y0, int x1, int y1, Rgb c) {
    Fill(x0, y0, x1, y0 + 1, c);
    Fill(x0, y1 - 1, x1, y1, c);
    Fill(x0, y0, x0 + 1, y1, c);
    Fill(x1 - 1, y0, x1, y1, c);
  }
  // A tick from (x, y): down-right for `down` steps, then up-right, two thick.
  void Tick(int x, int y, int down, int up, Rgb c) {
    for (int i = 0; i <= down; ++i) Fill(x + i, y + i, x + i + 1, y + i + 2, c);
    for (int i = 1; i <= up; ++i) Fill(x + down + i, y + down - i, x + down + i + 1, y + down - i + 2, c);
  }
};

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int k = 0; k < bytes; ++k) out.push_back(uint8_t(v >> (8 * k)));
}

// A BITMAPINFOHEADER of bottom-up rows.
void InfoHeader(std::vector<uint8_t>& out, int w, int h, int bpp, uint32_t colours) {
  Put(out, 40, 4);
  Put(out, uint32_t(w), 4);
  Put(out, uint32_t(h), 4);
  Put(out, 1, 2);
  Put(out, uint32_t(bpp), 2);
  Put(out, 0, 4);  // BI_RGB
  Put(out, 0, 4);
  Put(out, 2835, 4);
  Put(out, 2835, 4);
  Put(out, colours, 4);
  Put(out, 0, 4);
}

void Rows24(std::vector<uint8_t>& out, const Canvas& c) {
  const size_t pad = (4 - (size_t(c.width) * 3) % 4) % 4;
  for (int y = c.height - 1; y >= 0; --y) {
    for (int x = 0; x < c.width; ++x) {
      const Rgb& p = c.px[size_t(y) * c.width + x];
      out.insert(out.end(), {p.b, p.g, p.r});
    }
    out.insert(out.end(), pad, 0);
  }
}

// A BMP file: 24-bit, or 8-bit over the given colour table.
std::vector<uint8_t> Bmp(const Canvas& c, const std::vector<Rgb>& table = {}) {
  std::vector<uint8_t> dib;
  if (table.empty()) {
    InfoHeader(dib, c.width, c.height, 24, 0);
    Rows24(dib, c);
  } else {
    InfoHeader(dib, c.width, c.height, 8, uint32_t(table.size()));
    for (const Rgb& t : table) dib.insert(dib.end(), {t.b, t.g, t.r, 0});
    const size_t pad = (4 - size_t(c.width) % 4) % 4;
    for (int y = c.height - 1; y >= 0; --y) {
      for (int x = 0; x < c.width; ++x) {
        uint8_t index = 0;
        for (size_t i = 0; i < table.size(); ++i)
          if (table[i] == c.px[size_t(y) * c.width + x]) index = uint8_t(i);
        dib.push_back(index);
      }
      dib.insert(dib.end(), pad, 0);
    }
  }
  std::vector<uint8_t> file = {'B', 'M'};
  Put(file, uint32_t(14 + dib.size()), 4);
  Put(file, 0, 4);
  Put(file, 14 + 40 + uint32_t(table.size()) * 4, 4);
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

// An ICO file of one 24-bit image; magenta pixels are transparent.
std::vector<uint8_t> Ico(const Canvas& c) {
  std::vector<uint8_t> image;
  InfoHeader(image, c.width, 2 * c.height, 24, 0);
  Canvas colour = c;
  for (Rgb& p : colour.px)
    if (p == kMagenta) p = kBlack;
  Rows24(image, colour);
  const size_t maskRow = ((size_t(c.width) + 31) / 32) * 4;
  for (int y = c.height - 1; y >= 0; --y) {
    std::vector<uint8_t> row(maskRow, 0);
    for (int x = 0; x < c.width; ++x)
      if (c.px[size_t(y) * c.width + x] == kMagenta) row[x / 8] |= uint8_t(0x80 >> (x % 8));
    image.insert(image.end(), row.begin(), row.end());
  }
  std::vector<uint8_t> file;
  Put(file, 0, 2);
  Put(file, 1, 2);
  Put(file, 1, 2);
  file.push_back(uint8_t(c.width));
  file.push_back(uint8_t(c.height));
  file.push_back(0);  // colours
  file.push_back(0);
  Put(file, 1, 2);   // planes
  Put(file, 24, 2);  // bits
  Put(file, uint32_t(image.size()), 4);
  Put(file, 6 + 16, 4);
  file.insert(file.end(), image.begin(), image.end());
  return file;
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return bool(out);
}

// The check icons of the list kinds: an empty box, and a box with a tick.
Canvas CheckIcon(bool ticked) {
  Canvas c(32, 32, kMagenta);
  c.Fill(8, 8, 24, 24, kWhite);
  c.Frame(8, 8, 24, 24, Rgb{64, 64, 64});
  if (ticked) c.Tick(11, 14, 3, 7, kBlack);
  return c;
}

// The state marks of list lines: 223 a blue note, 224 a red warning.
Canvas StateMark(Rgb face) {
  Canvas c(16, 16, kMagenta);
  c.Fill(2, 2, 14, 14, face);
  c.Frame(2, 2, 14, 14, kBlack);
  c.Fill(7, 4, 9, 9, kWhite);
  c.Fill(7, 10, 9, 12, kWhite);
  return c;
}

// The background pattern of the layout picture: a light diagonal weave.
Canvas Pattern() {
  Canvas c(8, 8, kWhite);
  for (int i = 0; i < 8; ++i) c.Fill(i, i, i + 1, i + 1, Rgb{192, 192, 192});
  for (int i = 0; i < 8; ++i) c.Fill(7 - i, i, 8 - i, i + 1, Rgb{224, 224, 224});
  return c;
}

// The layout icons of the margins dialog: a sheet with its top (5204, 5206,
// 5208) or bottom (5205, 5207, 5209) margin marked; turned sheets for a
// rotated image, a grey sheet while the job carries no PJL.
Canvas MarginIcon(bool top, bool turned, bool plain) {
  Canvas c(32, 32, kMagenta);
  const Rgb paper = plain ? Rgb{208, 208, 208} : kWhite;
  const int x0 = turned ? 3 : 7, x1 = turned ? 29 : 25, y0 = turned ? 7 : 3, y1 = turned ? 25 : 29;
  c.Fill(x0, y0, x1, y1, paper);
  c.Frame(x0, y0, x1, y1, kBlack);
  const int band = top ? y0 + 1 : y1 - 5;
  c.Fill(x0 + 1, band, x1 - 1, band + 4, Rgb{0, 96, 208});
  for (int y = y0 + 8; y < y1 - 7; y += 4) c.Fill(x0 + 4, y, x1 - 4, y + 1, Rgb{96, 96, 96});
  return c;
}

// The offset direction icons 5210-5213: an arrow from the sheet's corner,
// right or left and down or up.
Canvas OffsetIcon(bool left, bool up) {
  Canvas c(32, 32, kMagenta);
  c.Fill(6, 4, 26, 28, kWhite);
  c.Frame(6, 4, 26, 28, kBlack);
  const int sx = left ? 22 : 10, sy = up ? 24 : 8, dx = left ? -1 : 1, dy = up ? -1 : 1;
  for (int i = 0; i < 10; ++i) c.Fill(sx + dx * i, sy + dy * i, sx + dx * i + 2, sy + dy * i + 2, Rgb{208, 32, 32});
  const int ex = sx + dx * 9, ey = sy + dy * 9;
  c.Fill(std::min(ex, ex - dx * 5), ey, std::max(ex, ex - dx * 5) + 2, ey + 2, Rgb{208, 32, 32});
  c.Fill(ex, std::min(ey, ey - dy * 5), ex + 2, std::max(ey, ey - dy * 5) + 2, Rgb{208, 32, 32});
  return c;
}

// ---- The pictures of the picture controls -----------------------------------------------------

constexpr Rgb kPaper{255, 255, 255}, kInk{40, 40, 40}, kShade{200, 200, 200}, kAccent{32, 96, 200},
    kMediaPaper{255, 240, 170}, kStyledPaper{200, 225, 255}, kMark{200, 40, 40};

// Digits and a few letters, 3 x 5, one row per string.
const char* Glyph(char ch) {
  switch (ch) {
    case '0': return "111101101101111";
    case '1': return "010110010010111";
    case '2': return "111001111100111";
    case '3': return "111001111001111";
    case '4': return "101101111001001";
    case '5': return "111100111001111";
    case '6': return "111100111101111";
    case '7': return "111001010010010";
    case '8': return "111101111101111";
    case '9': return "111101111001111";
    case 'A': return "010101111101101";
    case 'C': return "111100100100111";
    case 'D': return "110101101101110";
    case 'S': return "111100111001111";
    default: return "000000000000000";
  }
}

void Text(Canvas& c, int x, int y, const std::string& text, Rgb ink) {
  for (char ch : text) {
    const char* g = Glyph(ch);
    for (int r = 0; r < 5; ++r)
      for (int k = 0; k < 3; ++k)
        if (g[r * 3 + k] == '1') c.Fill(x + k, y + r, x + k + 1, y + r + 1, ink);
    x += 4;
  }
}

// A sheet of paper: filled, framed, with a folded corner.
Canvas Sheet(int w, int h, Rgb paper) {
  Canvas c(w, h, kMagenta);
  c.Fill(0, 0, w, h, paper);
  c.Frame(0, 0, w, h, kInk);
  for (int i = 0; i < 5; ++i) c.Fill(w - 5 + i, 0, w, i + 1, kMagenta);
  for (int i = 0; i < 5; ++i) c.Fill(w - 5 + i, i, w - 4 + i, i + 1, kInk);
  return c;
}

// A small mark with a label: collation stacks, duplex arrows, edge symbols.
Canvas Mark(int w, int h, Rgb face, const std::string& label) {
  Canvas c(w, h, kMagenta);
  c.Fill(1, 1, w - 1, h - 1, face);
  c.Frame(1, 1, w - 1, h - 1, kInk);
  Text(c, (w - int(label.size()) * 4 + 1) / 2, (h - 5) / 2, label, kPaper);
  return c;
}

// Lines dividing a sheet into pages (the pages-per-sheet layer).
Canvas Grid(int w, int h, int cols, int rows) {
  Canvas c(w, h, kMagenta);
  for (int k = 1; k < cols; ++k) c.Fill(k * w / cols, 0, k * w / cols + 1, h, kShade);
  for (int k = 1; k < rows; ++k) c.Fill(0, k * h / rows, w, k * h / rows + 1, kShade);
  return c;
}

// An arrow of a rotation mode (1 right, 2 down, 3 left) in a 5 x 5 box.
void Arrow(Canvas& c, int x, int y, uint32_t rotation) {
  if (rotation == 0) return;
  if (rotation == 2) {
    c.Fill(x + 2, y, x + 3, y + 4, kMark);
    c.Fill(x + 1, y + 3, x + 4, y + 4, kMark);
    c.Fill(x + 2, y + 4, x + 3, y + 5, kMark);
    return;
  }
  const bool right = rotation == 1;
  c.Fill(x, y + 2, x + 5, y + 3, kMark);
  c.Fill(right ? x + 3 : x + 1, y + 1, right ? x + 4 : x + 2, y + 4, kMark);
  c.Fill(right ? x + 4 : x, y + 2, right ? x + 5 : x + 1, y + 3, kMark);
}

// The cells of a page-order sprite: small ones for many pages.
int CellWidth(uint32_t pages) { return pages > 9 ? 9 : pages > 4 ? 6 : 10; }
int CellHeight(uint32_t pages) { return pages > 4 ? 7 : 8; }

// A page-order sprite: the pages of one sheet numbered in the table's order,
// framed by the page variant, with the rotation mode's arrow.
Canvas PageOrder(uint32_t family, uint32_t table, uint32_t landscape, uint32_t rotation, uint32_t variant) {
  const uint32_t pages = page_order::PagesOf(family, table);
  int cols = 1, rows = 1;
  switch (pages) {
    case 2: cols = 2, rows = 1; break;
    case 4: cols = 2, rows = 2; break;
    case 8: cols = 4, rows = 2; break;
    case 9: cols = 3, rows = 3; break;
    default: cols = 4, rows = 4; break;
  }
  if (!landscape) std::swap(cols, rows);
  const int cw = CellWidth(pages), ch = CellHeight(pages);
  Canvas c(cols * cw + 2, rows * ch + 8, kMagenta);
  const uint32_t order = table % 4;  // 0 across, 1 down, 2 across from the right, 3 down from the right
  for (int k = 0; k < int(pages); ++k) {
    int col = 0, row = 0;
    if (order == 0 || order == 2) col = k % cols, row = k / cols;
    else row = k % rows, col = k / rows;
    if (order >= 2) col = cols - 1 - col;
    const int x = 1 + col * cw, y = 1 + row * ch;
    c.Fill(x, y, x + cw - 1, y + ch - 1, kPaper);
    if (variant == 1) c.Frame(x, y, x + cw - 1, y + ch - 1, kInk);
    if (variant == 2) c.Frame(x, y, x + cw - 1, y + ch - 1, kAccent);
    const std::string digits = std::to_string(k + 1);
    Text(c, x + (cw - 1 - int(digits.size()) * 4 + 1) / 2, y + 1, digits, kInk);
  }
  Arrow(c, 1, rows * ch + 2, rotation);
  return c;
}

// The pages of the sheet in front: outlined cells in the page-order grid.
Canvas PageCells(uint32_t family, uint32_t landscape) {
  Canvas c = PageOrder(family, 0, landscape, 0, 0);
  Canvas cells(c.width, c.height, kMagenta);
  for (size_t k = 0; k < c.px.size(); ++k)
    if (c.px[k] == kPaper || c.px[k] == kInk) cells.px[k] = kPaper;
  const uint32_t pages = page_order::PagesOf(family, 0);
  const int cw = CellWidth(pages), ch = CellHeight(pages);
  for (int y = 1; y + ch <= c.height - 6; y += ch)
    for (int x = 1; x + cw <= c.width; x += cw) cells.Frame(x, y, x + cw - 1, y + ch - 1, kShade);
  return cells;
}

// The colour sample: 160 colours in graded ranges (black, white, a hue wheel,
// greys, warm tones, then blues), shown as a 16 x 10 grid of 8-pixel cells,
// the cell of index i at column i % 16, row i / 16.
std::vector<uint8_t> ColourSample(int colours) {
  std::vector<Rgb> table;
  for (int i = 0; i < colours; ++i) {
    Rgb t{0, 0, 0};
    if (i == 1) t = kWhite;
    else if (i >= 2 && i <= 97) {
      const int h = (i - 2) * 6 * 256 / 96, seg = h / 256, f = h % 256;
      const uint8_t up = uint8_t(f), down = uint8_t(255 - f);
      const Rgb hues[6] = {{255, up, 0}, {down, 255, 0}, {0, 255, up}, {0, down, 255}, {up, 0, 255}, {255, 0, down}};
      t = hues[seg % 6];
    } else if (i >= 98 && i <= 113) {
      const uint8_t g = uint8_t(8 + (i - 98) * 16);
      t = Rgb{g, g, g};
    } else if (i >= 114 && i <= 127) {
      t = Rgb{uint8_t(160 + (i - 114) * 6), uint8_t(100 + (i - 114) * 5), uint8_t(60 + (i - 114) * 3)};
    } else if (i >= 128) {
      t = Rgb{20, uint8_t(40 + (i - 128) % 100), uint8_t(120 + (i - 128) % 100)};
    }
    table.push_back(t);
  }
  const int rows = (colours + 15) / 16;
  Canvas c(16 * 8, rows * 8, kBlack);
  for (int i = 0; i < colours; ++i) c.Fill((i % 16) * 8, (i / 16) * 8, (i % 16) * 8 + 8, (i / 16) * 8 + 8, table[i]);
  // Bmp() looks colours up in the table: the first match wins, and every
  // colour here is its index's own.
  std::vector<uint8_t> dib;
  InfoHeader(dib, c.width, c.height, 8, uint32_t(table.size()));
  for (const Rgb& t : table) dib.insert(dib.end(), {t.b, t.g, t.r, 0});
  for (int y = c.height - 1; y >= 0; --y)
    for (int x = 0; x < c.width; ++x) dib.push_back(uint8_t((y / 8) * 16 + x / 8 < colours ? (y / 8) * 16 + x / 8 : 0));
  std::vector<uint8_t> file = {'B', 'M'};
  Put(file, uint32_t(14 + dib.size()), 4);
  Put(file, 0, 4);
  Put(file, 14 + 40 + uint32_t(table.size()) * 4, 4);
  file.insert(file.end(), dib.begin(), dib.end());
  return file;
}

// A state icon: a printer-like box in the face colour with the index.
Canvas StateIcon(Rgb face, int number) {
  Canvas c(32, 32, kMagenta);
  c.Fill(4, 10, 28, 26, face);
  c.Frame(4, 10, 28, 26, kInk);
  c.Fill(9, 4, 23, 10, kPaper);
  c.Frame(9, 4, 23, 11, kInk);
  Text(c, 10, 15, std::to_string(number), kPaper);
  return c;
}

struct PictureFile {
  const char* kind;
  int id;
  std::string file;
  std::vector<uint8_t> bytes;
};

void AddControlPictures(std::vector<PictureFile>& out) {
  auto bmp = [&](int id, const Canvas& c) {
    out.push_back({"bitmap", id, "sprite_" + std::to_string(id) + ".bmp", Bmp(c)});
  };
  // Sheets, media and added sheets (portrait, landscape).
  bmp(350, Sheet(40, 54, kPaper));
  bmp(351, Sheet(54, 40, kPaper));
  bmp(348, Sheet(40, 54, kMediaPaper));
  bmp(349, Sheet(54, 40, kMediaPaper));
  bmp(1007, Sheet(40, 54, kStyledPaper));
  bmp(1006, Sheet(54, 40, kStyledPaper));
  bmp(554, Sheet(60, 42, kPaper));
  bmp(553, Sheet(42, 60, kPaper));
  bmp(557, Sheet(60, 42, kStyledPaper));
  bmp(555, Sheet(42, 60, kStyledPaper));
  // The one-page order marks and the back page.
  {
    Canvas one(20, 24, kMagenta);
    Text(one, 8, 4, "1", kInk);
    bmp(347, one);
    Arrow(one, 7, 14, 2);
    bmp(346, one);
    Canvas two(20, 24, kMagenta);
    Text(two, 8, 4, "2", kShade);
    bmp(306, two);
    Arrow(two, 7, 14, 1);
    bmp(307, two);
  }
  // Collation stacks.
  for (int id : {308, 309, 310, 311, 312, 313, 455, 456, 457, 458, 459, 460, 461, 462, 463, 464, 465, 466, 467,
                 468, 469, 476, 477, 478, 784, 795, 796, 797, 798, 950, 951, 952, 953, 954, 955, 956, 957})
    bmp(id, Mark(18, 12, kAccent, "C"));
  // Duplex arrows.
  for (int id : {314, 315, 316, 317, 542, 543, 545, 546}) bmp(id, Mark(14, 12, kInk, "D"));
  // Colour.
  for (int id : {375, 376}) {
    Canvas c(12, 12, kMagenta);
    c.Fill(1, 1, 6, 6, Rgb{220, 30, 30});
    c.Fill(6, 1, 11, 6, Rgb{30, 180, 30});
    c.Fill(1, 6, 6, 11, Rgb{30, 60, 220});
    c.Fill(6, 6, 11, 11, Rgb{240, 220, 20});
    bmp(id, c);
  }
  // Pages per sheet.
  bmp(403, Grid(38, 52, 1, 2));
  bmp(404, Grid(52, 38, 2, 1));
  bmp(405, Grid(38, 52, 2, 2));
  bmp(406, Grid(52, 38, 2, 2));
  bmp(479, Grid(38, 52, 2, 4));
  bmp(480, Grid(52, 38, 4, 2));
  bmp(424, Mark(16, 10, kMark, "A"));
  // Edge symbols (staples, punches, binding).
  for (int id : {534, 535, 536, 537, 538, 539, 540, 541, 786, 927, 928, 600, 601,
                 602, 603, 604, 605, 606, 607, 608, 609, 610, 611, 958, 959})
    bmp(id, Mark(10, 10, kMark, "S"));
  // The page-order tables of our own.
  for (uint32_t f = page_order::kMode1; f <= page_order::kEightUp; ++f) {
    for (uint32_t t = 0; t < page_order::kTables[f]; ++t)
      for (uint32_t l = 0; l < 2; ++l)
        for (uint32_t r = 0; r < 4; ++r)
          for (uint32_t v = 0; v < (page_order::HasVariants(f) ? 3u : 1u); ++v)
            bmp(int(page_order::Sprite(f, t, l, r, v)), PageOrder(f, t, l, r, v));
    // The second sprite: the page cells of the sheet in front, without numbers.
    if (f != page_order::kMode1)
      for (uint32_t l = 0; l < 2; ++l) bmp(int(page_order::SecondSprite(f, l)), PageCells(f, l));
  }
  // Row bitmaps.
  bmp(1012, Mark(48, 32, kAccent, "1012"));
  bmp(1013, Mark(48, 32, kAccent, "1013"));
  bmp(1016, Mark(48, 32, kInk, "1016"));
  bmp(1017, Mark(48, 32, kInk, "1017"));
  out.push_back({"bitmap", 373, "sample_373.bmp", ColourSample(160)});
  // State icons.
  for (int id = 358; id <= 372; ++id)
    out.push_back({"icon", id, "state_" + std::to_string(id) + ".ico",
                   Ico(StateIcon(id <= 362 ? kAccent : Rgb{40, 140, 60}, id - 357))});
  for (int id = 996; id <= 1000; ++id)
    out.push_back({"icon", id, "state_" + std::to_string(id) + ".ico", Ico(StateIcon(kMark, id - 995))});
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picturegen <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<PictureFile> pictures = {
      {"bitmap", 223, "state_223.bmp", Bmp(StateMark(Rgb{0, 64, 192}))},
      {"bitmap", 224, "state_224.bmp", Bmp(StateMark(Rgb{208, 32, 32}))},
      {"bitmap", 374, "pattern_374.bmp", Bmp(Pattern(), {kWhite, Rgb{192, 192, 192}, Rgb{224, 224, 224}})},
      {"icon", 252, "check_252.ico", Ico(CheckIcon(false))},
      {"icon", 253, "check_253.ico", Ico(CheckIcon(true))},
      {"icon", 5204, "margin_5204.ico", Ico(MarginIcon(true, false, false))},
      {"icon", 5205, "margin_5205.ico", Ico(MarginIcon(false, false, false))},
      {"icon", 5206, "margin_5206.ico", Ico(MarginIcon(true, true, false))},
      {"icon", 5207, "margin_5207.ico", Ico(MarginIcon(false, true, false))},
      {"icon", 5208, "margin_5208.ico", Ico(MarginIcon(true, false, true))},
      {"icon", 5209, "margin_5209.ico", Ico(MarginIcon(false, false, true))},
      {"icon", 5210, "offset_5210.ico", Ico(OffsetIcon(false, false))},
      {"icon", 5211, "offset_5211.ico", Ico(OffsetIcon(false, true))},
      {"icon", 5212, "offset_5212.ico", Ico(OffsetIcon(true, false))},
      {"icon", 5213, "offset_5213.ico", Ico(OffsetIcon(true, true))},
  };
  AddControlPictures(pictures);
  std::string list = "# Pictures drawn by picturegen.\n";
  for (const PictureFile& p : pictures) {
    if (!Write(dir + "/" + p.file, p.bytes)) {
      std::fprintf(stderr, "%s/%s: cannot write\n", dir.c_str(), p.file.c_str());
      return 1;
    }
    list += std::string(p.kind) + " " + std::to_string(p.id) + " \"" + p.file + "\"\n";
  }
  if (!Write(dir + "/pictures.txt", std::vector<uint8_t>(list.begin(), list.end()))) {
    std::fprintf(stderr, "%s/pictures.txt: cannot write\n", dir.c_str());
    return 1;
  }
  return 0;
}
