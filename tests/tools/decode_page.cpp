// decode_page FILE PAGE OUT: reads page PAGE (1-based) of an image file through
// format detection and writes it as PBM, PGM, PPM (colormaps expanded) or PAM,
// as the page looks: 1 is black in PBM, 0 is black in PGM, so pages stored the
// other way round are inverted. decode_page --count FILE prints the page
// count. Warnings go to stderr; an error is printed with its code and
// where-text and ends the program with exit code 2.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>
#include <vector>

#include "raster/color/rst_color_creators.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_image_info.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/geometry/rst_geometry_creators.h"

namespace {

// Prints warnings and remembers the where-text of the last report, which the
// error printed at the end names.
class Messager : public RstMessager {
 public:
  void message(void*, const int32_t* code, const char* where) override {
    last_where = where ? where : "";
    if (*code > 0) std::fprintf(stderr, "warning %d: %s\n", int(*code), last_where.c_str());
  }
  std::string last_where;
};

int fail(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  return 2;
}

// Sample i of a packed row of `bits`-bit samples, most significant bits first
// (16-bit samples are whole words in the host's byte order).
uint32_t sample(const uint8_t* row, uint64_t i, int32_t bits) {
  if (bits == 8) return row[i];
  if (bits == 16) {
    // The library's 16-bit samples are in the host's byte order.
    uint16_t v;
    std::memcpy(&v, row + 2 * i, 2);
    return v;
  }
  uint64_t bit = i * uint64_t(bits);
  uint32_t byte = row[bit / 8];
  return (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
}

void put_sample(std::string& out, uint32_t v, uint32_t maxval) {
  if (maxval > 255) out.push_back(char(v >> 8));
  out.push_back(char(v & 0xFF));
}

// The page's rows as one PNM or PAM image.
std::string image(const RstHeader& h, const std::vector<std::vector<uint8_t>>& rows) {
  uint32_t width = uint32_t(h.width), height = uint32_t(rows.size());
  int32_t bits = h.bits_per_sample, spp = h.samples_per_pixel;
  uint32_t maxval = (1u << bits) - 1;
  bool reverse = h.color_type && h.color_type->is_gray_reverse();
  std::string out;
  if (spp == 1 && h.colormap) {
    // Indexed: expanded to RGB through the colormap.
    const RstColormap& map = *h.colormap;
    out = "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    const uint8_t* entries = map.data();
    int32_t count = map.size() / 3;
    for (const auto& row : rows)
      for (uint32_t x = 0; x < width; ++x) {
        int32_t index = int32_t(sample(row.data(), x, bits));
        for (int c = 0; c < 3; ++c) out.push_back(char(index < count ? entries[3 * index + c] : 0));
      }
    return out;
  }
  if (spp == 1 && bits == 1) {
    // PBM: 1 is black, as in reverse gray; plain gray is inverted.
    out = "P4\n" + std::to_string(width) + " " + std::to_string(height) + "\n";
    uint32_t row_bytes = (width + 7) / 8;
    for (const auto& row : rows)
      for (uint32_t i = 0; i < row_bytes; ++i) {
        uint8_t b = reverse ? row[i] : uint8_t(~row[i]);
        if (i == row_bytes - 1 && width % 8) b &= uint8_t(0xFF << (8 - width % 8));
        out.push_back(char(b));
      }
    return out;
  }
  bool gray = spp == 1;
  bool rgb = spp == 3 && h.color_type && h.color_type->is_rgb();
  if (gray || rgb) {
    out = std::string(gray ? "P5" : "P6") + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
          std::to_string(maxval) + "\n";
  } else {
    std::string type = "GRAYSCALE";
    if (h.color_type && h.color_type->is_cmyk()) type = "CMYK";
    else if (h.color_type && h.color_type->is_ycbcr()) type = "YCbCr";
    else if (h.color_type && h.color_type->is_rgb()) type = spp == 4 ? "RGB_ALPHA" : "RGB";
    else if (spp == 2) type = "GRAYSCALE_ALPHA";
    out = "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) + "\nDEPTH " +
          std::to_string(spp) + "\nMAXVAL " + std::to_string(maxval) + "\nTUPLTYPE " + type + "\nENDHDR\n";
  }
  for (const auto& row : rows)
    for (uint64_t i = 0; i < uint64_t(width) * uint32_t(spp); ++i) {
      uint32_t v = sample(row.data(), i, bits);
      put_sample(out, reverse ? maxval - v : v, maxval);
    }
  return out;
}

int count_pages(const char* path) {
  FileInputStorage storage;
  if (!storage.open(path)) return fail(std::string("cannot open ") + path);
  RstImageInfo* info = RstImageInfo::create(&storage, 1);
  if (!info) return fail("not a recognised image file");
  std::printf("%u\n", info->page_count());
  delete info;
  return 0;
}

int decode(const char* path, uint32_t page, const char* out_path) {
  FileInputStorage storage;
  if (!storage.open(path)) return fail(std::string("cannot open ") + path);
  RstRead* reader = RstReadRaster::create(&storage, page);
  if (!reader) return fail("no page read");
  struct Ender {
    RstRead* node;
    ~Ender() {
      try {
        node->end();
      } catch (const RstStatus&) {
      }
    }
  } ender{reader};
  RstHeader h(reader);
  if (h.data_form != RstDataForm::raw) return fail("the page is not delivered as raw lines");
  int size = reader->line_size();
  uint64_t row_bytes =
      (uint64_t(uint32_t(h.width)) * uint32_t(h.samples_per_pixel) * uint32_t(h.bits_per_sample) + 7) / 8;
  if (size <= 0 || uint64_t(size) < row_bytes) return fail("line size below the row size");
  std::vector<std::vector<uint8_t>> rows;
  std::vector<uint8_t> line(size_t(size), 0);
  for (int32_t y = 0; y < h.height; ++y) {
    std::fill(line.begin(), line.end(), 0);
    if (reader->read(line.data()) == 0) {
      std::fprintf(stderr, "page ended after %d of %d rows\n", int(y), int(h.height));
      break;
    }
    rows.emplace_back(line.begin(), line.begin() + long(row_bytes));
  }
  std::string data = image(h, rows);
  FILE* f = std::fopen(out_path, "wb");
  if (!f) return fail(std::string("cannot write ") + out_path);
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  ok = std::fclose(f) == 0 && ok;
  return ok ? 0 : fail(std::string("cannot write ") + out_path);
}

}  // namespace

int main(int argc, char** argv) {
  rst_register_color_creators();
  rst_register_geometry_creators();
  Messager messager;
  RstStatusContext* context = RstStatusContext::instance();
  // The context's own messager is put back at the end.
  struct Restore {
    RstStatusContext* context;
    RstMessager* old;
    ~Restore() { context->set_messager(old); }
  } restore{context, context->set_messager(&messager)};
  try {
    if (argc == 3 && std::string(argv[1]) == "--count") return count_pages(argv[2]);
    if (argc != 4) return fail("usage: decode_page FILE PAGE OUT | decode_page --count FILE");
    return decode(argv[1], uint32_t(std::strtoul(argv[2], nullptr, 10)), argv[3]);
  } catch (const RstStatus& status) {
    std::fprintf(stderr, "error %d: %s\n", int(status.code()), messager.last_where.c_str());
    return 2;
  }
}
