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
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: picturegen <folder>\n");
    return 2;
  }
  const std::string dir = argv[1];
  struct Picture {
    const char* kind;
    int id;
    std::string file;
    std::vector<uint8_t> bytes;
  };
  const std::vector<Picture> pictures = {
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
  std::string list = "# Pictures drawn by picturegen.\n";
  for (const Picture& p : pictures) {
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
