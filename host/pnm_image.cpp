// Netpbm reading: the header (magic, width, height, maxval, with comments),
// then rows of plain decimal samples or raw bytes (two bytes per sample, most
// significant first, when maxval exceeds 255). Samples are scaled to 8 bits.
#include "host/pnm_image.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace pkhost {

namespace {

class Reader {
 public:
  explicit Reader(const std::string& b) : b_(b) {}

  void SkipSpace() {
    while (pos_ < b_.size()) {
      if (b_[pos_] == '#') {
        while (pos_ < b_.size() && b_[pos_] != '\n') ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(b_[pos_]))) {
        ++pos_;
      } else {
        break;
      }
    }
  }
  // A decimal number of at most `limit`; false when absent or too large.
  bool Number(uint64_t limit, uint64_t* v) {
    SkipSpace();
    if (pos_ >= b_.size() || !std::isdigit(static_cast<unsigned char>(b_[pos_]))) return false;
    uint64_t n = 0;
    while (pos_ < b_.size() && std::isdigit(static_cast<unsigned char>(b_[pos_]))) {
      n = n * 10 + uint64_t(b_[pos_++] - '0');
      if (n > limit) return false;
    }
    *v = n;
    return true;
  }
  // A plain bitmap sample: one digit 0 or 1, spaces optional.
  bool Bit(int* v) {
    SkipSpace();
    if (pos_ >= b_.size() || (b_[pos_] != '0' && b_[pos_] != '1')) return false;
    *v = b_[pos_++] - '0';
    return true;
  }
  bool Byte(uint8_t* v) {
    if (pos_ >= b_.size()) return false;
    *v = static_cast<uint8_t>(b_[pos_++]);
    return true;
  }
  size_t Remaining() const { return b_.size() - pos_; }
  // The single whitespace byte between a raw header and its data.
  bool RawStart() {
    if (pos_ >= b_.size() || !std::isspace(static_cast<unsigned char>(b_[pos_]))) return false;
    ++pos_;
    return true;
  }

 private:
  const std::string& b_;
  size_t pos_ = 0;
};

}  // namespace

std::shared_ptr<Bitmap> ReadPnm(const std::string& bytes, std::string* error) {
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] < '1' || bytes[1] > '6') {
    *error = "not a PNM image";
    return nullptr;
  }
  int kind = bytes[1] - '0';
  bool raw = kind >= 4;
  int family = (kind - 1) % 3;  // 0 bitmap, 1 grey, 2 colour
  Reader r(bytes);
  uint8_t skip;
  r.Byte(&skip);
  r.Byte(&skip);
  uint64_t w = 0, h = 0, maxval = 1;
  if (!r.Number(kMaxImageSide, &w) || !r.Number(kMaxImageSide, &h) || w == 0 || h == 0) {
    *error = "bad or too large image size (at most " + std::to_string(kMaxImageSide) + " per side)";
    return nullptr;
  }
  if (w * h > kMaxImagePixels) {
    *error = "image too large";
    return nullptr;
  }
  if (family != 0 && (!r.Number(65535, &maxval) || maxval == 0)) {
    *error = "bad maxval (1 to 65535)";
    return nullptr;
  }
  if (raw && !r.RawStart()) {
    *error = "no data after the header";
    return nullptr;
  }
  int channels = family == 2 ? 3 : 1;
  bool wide = maxval > 255;
  // The pixels must be in the file before their bitmap is allocated. Raw rows
  // have a fixed size, so a short file is known at once; plain rows vary, so
  // the bitmap grows row by row as they are read.
  if (raw) {
    uint64_t rowBytes = family == 0 ? (w + 7) / 8 : w * channels * (wide ? 2 : 1);
    if (r.Remaining() / rowBytes < h) {
      *error = "image data ends or is bad in row " + std::to_string(r.Remaining() / rowBytes + 1) + " of " +
               std::to_string(h);
      return nullptr;
    }
  }
  auto bmp = std::make_shared<Bitmap>();
  bmp->width = static_cast<LONG>(w);
  bmp->height = static_cast<LONG>(h);
  bmp->bpp = family == 0 ? 1 : family == 1 ? 8 : 24;
  size_t stride = bmp->stride();
  if (raw) bmp->bits.assign(stride * h, 0);
  auto sample = [&](uint8_t* out) -> bool {
    uint64_t v = 0;
    if (raw) {
      uint8_t hi = 0, lo = 0;
      if (!r.Byte(&hi)) return false;
      if (wide) {
        if (!r.Byte(&lo)) return false;
        v = (uint64_t(hi) << 8) | lo;
      } else {
        v = hi;
      }
      if (v > maxval) v = maxval;
    } else if (!r.Number(maxval, &v)) {
      return false;
    }
    *out = static_cast<uint8_t>((v * 255 + maxval / 2) / maxval);
    return true;
  };
  for (uint64_t y = 0; y < h; ++y) {
    if (!raw) bmp->bits.resize((y + 1) * stride, 0);
    uint8_t* row = bmp->bits.data() + y * stride;
    bool ok = true;
    if (family == 0) {
      if (raw) {
        for (uint64_t i = 0; i < (w + 7) / 8 && ok; ++i) {
          ok = r.Byte(&row[i]);
          if (ok && i == (w - 1) / 8 && (w % 8)) row[i] &= static_cast<uint8_t>(0xFF << (8 - w % 8));
        }
      } else {
        for (uint64_t x = 0; x < w && ok; ++x) {
          int bit = 0;
          ok = r.Bit(&bit);
          if (ok && bit) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
      }
    } else {
      for (uint64_t x = 0; x < w && ok; ++x) {
        uint8_t c[3] = {0, 0, 0};
        for (int k = 0; k < channels && ok; ++k) ok = sample(&c[k]);
        if (!ok) break;
        if (channels == 1) {
          row[x] = c[0];
        } else {
          row[3 * x] = c[2];  // blue, green, red
          row[3 * x + 1] = c[1];
          row[3 * x + 2] = c[0];
        }
      }
    }
    if (!ok) {
      *error = "image data ends or is bad in row " + std::to_string(y + 1) + " of " + std::to_string(h);
      return nullptr;
    }
  }
  return bmp;
}

std::shared_ptr<Bitmap> ReadPnmFile(const std::string& path, std::string* error) {
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    *error = "cannot open the image";
    return nullptr;
  }
  // Bounded read: no valid image is larger than its pixels at two bytes per
  // sample plus a generous header and plain-text form.
  constexpr std::streamsize kLimit = std::streamsize(kMaxImagePixels) * 3 * 6 + 4096;
  std::string bytes;
  bytes.resize(1 << 16);
  std::streamsize total = 0;
  while (f) {
    if (total == std::streamsize(bytes.size())) {
      if (total >= kLimit) {
        *error = "image file too large";
        return nullptr;
      }
      bytes.resize(std::min<size_t>(bytes.size() * 2, size_t(kLimit)));
    }
    f.read(&bytes[total], std::streamsize(bytes.size()) - total);
    total += f.gcount();
  }
  bytes.resize(size_t(total));
  return ReadPnm(bytes, error);
}

}  // namespace pkhost
