// Reference encoders for the PDF stream filter tests.
#include "pdf_encoders.h"

#include <zlib.h>

#include <cstdlib>
#include <map>
#include <vector>

namespace pdf_test {

std::string hex_encode(const std::string& data) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : data) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out + ">";
}

std::string ascii85_encode(const std::string& data) {
  std::string out;
  size_t i = 0;
  for (; i + 4 <= data.size(); i += 4) {
    uint32_t v = 0;
    for (int k = 0; k < 4; ++k) v = (v << 8) | uint8_t(data[i + k]);
    if (v == 0) {
      out += 'z';
      continue;
    }
    char g[5];
    for (int k = 4; k >= 0; --k, v /= 85) g[k] = char('!' + v % 85);
    out.append(g, 5);
  }
  size_t rest = data.size() - i;
  if (rest) {
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) v = (v << 8) | (k < rest ? uint8_t(data[i + k]) : 0);
    char g[5];
    for (int k = 4; k >= 0; --k, v /= 85) g[k] = char('!' + v % 85);
    out.append(g, rest + 1);
  }
  return out + "~>";
}

std::string run_length_encode(const std::string& data) {
  std::string out;
  size_t i = 0;
  while (i < data.size()) {
    size_t run = 1;
    while (i + run < data.size() && run < 128 && data[i + run] == data[i]) ++run;
    if (run >= 2) {
      out += char(257 - run);
      out += data[i];
      i += run;
      continue;
    }
    size_t start = i;
    while (i < data.size() && i - start < 128 && !(i + 1 < data.size() && data[i + 1] == data[i])) ++i;
    if (i == start) ++i;
    out += char(i - start - 1);
    out.append(data, start, i - start);
  }
  return out + char(128);
}

namespace {

struct BitWriter {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  void put(uint32_t code, int width) {
    acc = (acc << width) | code;
    bits += width;
    while (bits >= 8) {
      out += char((acc >> (bits - 8)) & 0xFF);
      bits -= 8;
    }
  }
  void flush() {
    if (bits > 0) out += char((acc << (8 - bits)) & 0xFF);
    bits = 0;
  }
};

}  // namespace

std::string lzw_encode(const std::string& data, bool fill_table) {
  BitWriter w;
  std::map<std::pair<int, uint8_t>, int> table;
  int next = 258, width = 9;
  auto clear = [&] {
    w.put(256, width);
    table.clear();
    next = 258;
    width = 9;
  };
  w.put(256, width);
  int prefix = -1;
  for (unsigned char c : data) {
    if (prefix < 0) {
      prefix = c;
      continue;
    }
    auto it = table.find({prefix, c});
    if (it != table.end()) {
      prefix = it->second;
      continue;
    }
    w.put(uint32_t(prefix), width);
    if (next < 4096) {
      table[{prefix, c}] = next++;
      // The decoder lags one entry behind and widens one code early.
      if (next >= (1 << width) && width < 12) ++width;
      if (!fill_table && next == 4094) clear();
    } else {
      // The decoder adds its entry 4095 on this code; then the table restarts.
      clear();
    }
    prefix = c;
  }
  if (prefix >= 0) {
    w.put(uint32_t(prefix), width);
    if (next >= (1 << width) - 1 && width < 12) ++width;
  }
  w.put(257, width);
  w.flush();
  return w.out;
}

std::string flate_encode(const std::string& data) {
  uLongf size = compressBound(uLong(data.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()), 9);
  return std::string(reinterpret_cast<const char*>(out.data()), size);
}

namespace {

int paeth(int a, int b, int c) {
  int q = a + b - c;
  int pa = std::abs(q - a), pb = std::abs(q - b), pc = std::abs(q - c);
  if (pa <= pb && pa <= pc) return a;
  if (pc < pb) return c;
  return b;
}

}  // namespace

std::string png_predict(const std::string& data, int row_bytes, int pixel_bytes, int filter) {
  std::string out;
  std::string prev(size_t(row_bytes), '\0');
  for (size_t r = 0, row = 0; r < data.size(); r += size_t(row_bytes), ++row) {
    std::string cur = data.substr(r, size_t(row_bytes));
    cur.resize(size_t(row_bytes), '\0');
    int f = filter >= 0 ? filter : int(row % 5);
    out += char(f);
    for (int i = 0; i < row_bytes; ++i) {
      int a = i >= pixel_bytes ? uint8_t(cur[i - pixel_bytes]) : 0;
      int b = uint8_t(prev[i]);
      int c = i >= pixel_bytes ? uint8_t(prev[i - pixel_bytes]) : 0;
      int p = f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : f == 4 ? paeth(a, b, c) : 0;
      out += char(uint8_t(cur[i]) - p);
    }
    prev = cur;
  }
  return out;
}

std::string tiff_predict(const std::string& data, int row_bytes, int colors) {
  std::string out = data;
  for (size_t r = 0; r < data.size(); r += size_t(row_bytes)) {
    for (int i = row_bytes - 1; i >= colors; --i) {
      if (r + i < data.size()) out[r + i] = char(uint8_t(data[r + i]) - uint8_t(data[r + i - colors]));
    }
  }
  return out;
}

}  // namespace pdf_test
