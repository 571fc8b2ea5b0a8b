// The BMP and DIB reader: header parsing, checks and the reader chains.
#include "raster/formats/rst_read_bmp.h"

#include <cstring>
#include <memory>

#include "raster/codecs/rst_decode_win_rle.h"
#include "raster/codecs/rst_read_code.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_is_valid_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_read_raw.h"
#include "raster/core/rst_reinterpret.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_format_creators.h"
#include "raster/formats/rst_probe_checks.h"
#include "raster/formats/rst_unpack_pixel_16_to_24.h"

namespace {

// The largest run-length image turned over in memory (64 MiB).
constexpr int64_t kMaxMirroredBytes = int64_t{1} << 26;

struct PrivateRelease {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};

// Little-endian fields; false when the storage ends first.
bool read_le(InputStorage* storage, uint32_t& value, int32_t n) {
  uint8_t b[4] = {};
  if (storage->read(b, n) != n) return false;
  value = 0;
  for (int32_t i = n - 1; i >= 0; --i) value = value << 8 | b[i];
  return true;
}

int32_t table_size(uint16_t bit_count) {
  switch (bit_count) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

// The next node of the chain from a registered creator: -50 with `where`
// when none is registered; the source ended when the step fails.
RstRead* chain(RstOwner<RstRead>& node, RstRead* (*make)(RstRead*), const char* where) {
  if (!make) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  RstRead* next = make(node.get());
  if (!next) return nullptr;
  if (next != node.get()) node.release();
  node.attach(next);
  return next;
}

}  // namespace

RstHeader* RstBMPHeader::rst_header() {
  header_.width = width;
  header_.height = height < 0 ? -height : height;
  header_.sample_kind = RstSampleKind::unsigned_int;
  header_.bits_per_sample = bit_count == 16 ? 5 : bit_count == 24 ? 8 : bit_count;
  header_.samples_per_pixel = bit_count >= 16 ? 3 : 1;
  header_.color_type = RstColorType::default_rgb();
  header_.data_form = compression == kRLE8 || compression == kRLE4 ? RstDataForm::windows_rle : RstDataForm::raw;
  header_.colormap = colormap;
  return &header_;
}

void RstBMPHeader::read_dib(InputStorage* storage, int32_t start, bool has_file_header) {
  int32_t info_start = storage->tell();
  auto fail = [&](int32_t code) {
    status = code;
    parsed = storage->tell() - start;
  };
  uint32_t v = 0;
  if (!read_le(storage, header_size, 4)) return fail(RstCode::bad_tile_strip);
  if (header_size < 16) {
    // The OS/2 core header: 16-bit sizes.
    if (header_size != 12) return fail(RstCode::bad_tile_strip);
    core_header = true;
    uint32_t w = 0, h = 0, p = 0, b = 0;
    if (!read_le(storage, w, 2) || !read_le(storage, h, 2) || !read_le(storage, p, 2) || !read_le(storage, b, 2))
      return fail(RstCode::bad_tile_strip);
    width = int32_t(w);
    height = int16_t(h);
    planes = uint16_t(p);
    bit_count = uint16_t(b);
  } else {
    uint32_t w = 0, h = 0, p = 0, b = 0;
    if (header_size % 4 != 0 || !read_le(storage, w, 4) || !read_le(storage, h, 4) || !read_le(storage, p, 2) ||
        !read_le(storage, b, 2))
      return fail(RstCode::bad_tile_strip);
    width = int32_t(w);
    height = int32_t(h);
    planes = uint16_t(p);
    bit_count = uint16_t(b);
    uint32_t rest = header_size - 16;
    uint32_t* fields[] = {&compression, &image_size, &v, &v, &colors_used, &colors_important};
    for (int i = 0; i < 6 && rest != 0; ++i, rest -= 4) {
      if (!read_le(storage, *fields[i], 4)) return fail(RstCode::bad_tile_strip);
      if (i == 2) x_pels_per_meter = int32_t(v);
      if (i == 3) y_pels_per_meter = int32_t(v);
    }
    if (rest != 0) {
      // Later header versions: the extra fields are skipped.
      if (rest > uint32_t(INT32_MAX) || storage->move(int32_t(rest)) != int32_t(rest)) return fail(RstCode::io_failure);
    }
  }
  if (width <= 0 || height == 0 || height == INT32_MIN) return fail(RstCode::bad_tile_strip);
  if (planes != 1) return fail(RstCode::unsupported_variant);
  int32_t entries = table_size(bit_count);
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 16 && bit_count != 24)
    return fail(RstCode::tiff_header_convert);
  if (bit_count > 8) {
    colors_used = 0;
  } else if (colors_used == 0) {
    colors_used = uint32_t(entries);
  } else if (colors_used > uint32_t(entries)) {
    // More entries than the indices can reach.
    return fail(RstCode::bad_tile_strip);
  }
  if (compression == kRLE8 || compression == kRLE4) {
    if (height < 0) return fail(RstCode::bad_tile_strip);
  } else if (compression != kRGB) {
    return fail(RstCode::unsupported_variant);
  }
  if (colors_used > 0 && !read_colormap(storage)) return;
  int32_t here = storage->tell();
  if (data_offset == 0) {
    data_position = here;
  } else {
    // The colour table may not run into the pixel data.
    int64_t position = int64_t{start} + data_offset;
    if (position < here || position > INT32_MAX) return fail(RstCode::bad_tile_strip);
    data_position = int32_t(position);
  }
  (void)info_start;
  (void)has_file_header;
  parsed = here - start;
}

bool RstBMPHeader::read_colormap(InputStorage* storage) {
  int32_t entries = table_size(bit_count);
  RstColormap* map = rst_new<RstColormap>(8, 3, entries);
  if (!map || map->size() < entries * 3) {
    delete map;
    status = RstCode::no_memory;
    rst_report(RstCode::no_memory, "RstReadBMPHeader::read_colormap()");
    return false;
  }
  colormap = RstCountedPtr<RstColormap>(map);
  if (!colormap) {  // deleted with its count
    status = RstCode::no_memory;
    rst_report(RstCode::no_memory, "RstReadBMPHeader::read_colormap()");
    return false;
  }
  int32_t step = core_header ? 3 : 4;
  uint8_t* rgb = map->data();
  for (uint32_t i = 0; i < colors_used; ++i) {
    uint8_t entry[4] = {};
    if (storage->read(entry, step) != step) {
      status = RstCode::bad_tile_strip;
      return false;
    }
    rgb[3 * i] = entry[2];
    rgb[3 * i + 1] = entry[1];
    rgb[3 * i + 2] = entry[0];
  }
  table_entries = colors_used;
  return true;
}

RstReadDIBHeader::RstReadDIBHeader(InputStorage* storage) {
  int32_t start = storage->tell();
  read_dib(storage, start, false);
}

RstReadBMPHeader::RstReadBMPHeader(InputStorage* storage) {
  int32_t start = storage->tell();
  uint8_t m[2] = {};
  if (storage->read(m, 2) != 2 || (magic = uint16_t(m[0] << 8 | m[1])) != 0x424D) {
    status = RstCode::not_this_format;
    parsed = storage->tell() - start;
    return;
  }
  if (!read_le(storage, file_size, 4) || !read_le(storage, reserved, 4) || !read_le(storage, data_offset, 4)) {
    status = RstCode::bad_tile_strip;
    parsed = storage->tell() - start;
    return;
  }
  read_dib(storage, start, true);
}

namespace {

template <class H>
RstBMPHeader* probe(InputStorage* storage, const char* where, bool need_bytes) {
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  H* header = rst_new<H>(storage);
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  if (need_bytes && header->parsed <= 0 && header->status >= RstCode::good) {
    rst_release(header);
    return nullptr;
  }
  return rst_probe_result<RstBMPHeader>(header, header->status, where);
}

}  // namespace

RstBMPHeader* RstReadDIB::private_header(InputStorage* storage) {
  return probe<RstReadDIBHeader>(storage, "RstReadDIB::private_header()", true);
}

RstBMPHeader* RstReadBMP::private_header(InputStorage* storage) {
  return probe<RstReadBMPHeader>(storage, "RstReadBMP", false);
}

RstRead* RstReadBMP::create(InputStorage* storage, RstBMPHeader* header, int32_t top_down) {
  const char* where = "RstReadBMP::create()";
  if (header) return RstReadDIB::create(storage, header, top_down);
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  std::unique_ptr<RstBMPHeader, PrivateRelease> own(private_header(storage));
  if (!own) {
    rst_report(RstCode::not_this_format, where);
    return nullptr;
  }
  return RstReadDIB::create(storage, own.get(), top_down);
}

RstRead* RstReadDIB::create(InputStorage* storage, RstBMPHeader* header, int32_t top_down) {
  const char* where = "RstReadDIB::create()";
  if (!rst_is_valid_storage(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (!header) {
    std::unique_ptr<RstBMPHeader, PrivateRelease> own(private_header(storage));
    if (!own) {
      rst_report(RstCode::not_this_format, where);
      return nullptr;
    }
    return create(storage, own.get(), top_down);
  }
  if (header->status < RstCode::good) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  const RstFormatCreators& creators = rst_format_creators();
  bool flip = top_down != 0 && header->height > 0;
  RstOwner<RstRead> node;
  if (header->compression == RstBMPHeader::kRLE8 || header->compression == RstBMPHeader::kRLE4) {
    bool four = header->compression == RstBMPHeader::kRLE4;
    // Every creator is known before anything is made.
    if ((flip && !creators.mirror_y) || (four && !creators.convert_bits_4_to_8)) {
      rst_report(RstCode::unsupported_option, where);
      return nullptr;
    }
    // Turning the rows over holds the whole decoded image; a few code bytes
    // can declare any height, so the image is bounded.
    int64_t row = four ? (int64_t{header->width} + 1) / 2 : header->width;
    if (flip && row * header->height > kMaxMirroredBytes) {
      rst_report(RstCode::bad_tile_strip, where);
      return nullptr;
    }
    node.attach(RstReadDIBRLE::create(storage, header));
    if (!node) return nullptr;
    RstRead* decoder = four ? RstDecodeWinRLE4::create(node.get()) : RstDecodeWinRLE8::create(node.get());
    if (!decoder) return nullptr;
    node.release();
    node.attach(decoder);
    if (flip && !chain(node, creators.mirror_y, where)) return nullptr;
    if (four && !chain(node, creators.convert_bits_4_to_8, where)) return nullptr;
    return node.release();
  }
  RstRead* (*next)(RstRead*) = nullptr;
  bool relabel = false;
  RstColorType* gray = nullptr;
  switch (header->bit_count) {
    case 1: {
      // Relabelled as gray only when the two entries are black and white.
      const uint8_t* rgb = header->colormap ? header->colormap->data() : nullptr;
      auto is = [&](int i, uint8_t v) { return rgb && rgb[3 * i] == v && rgb[3 * i + 1] == v && rgb[3 * i + 2] == v; };
      if (is(0, 0) && is(1, 255)) {
        relabel = true;
        gray = RstColorType::default_gray();
      } else if (is(0, 255) && is(1, 0)) {
        relabel = true;
        gray = RstColorType::default_gray_reverse();
      } else if (!creators.convert_bits_1_to_8) {
        rst_report(RstCode::unsupported_option, where);
        return nullptr;
      }
      break;
    }
    case 4:
      next = creators.convert_bits_4_to_8;
      if (!next) {
        rst_report(RstCode::unsupported_option, where);
        return nullptr;
      }
      break;
    case 24:
      next = creators.reverse_channel;
      if (!next) {
        rst_report(RstCode::unsupported_option, where);
        return nullptr;
      }
      break;
    default: break;
  }
  node.attach(RstReadDIBRaw::create(storage, header, top_down));
  if (!node) return nullptr;
  if (header->bit_count == 1) {
    if (relabel) {
      RstHeader copy = *header->rst_header();
      copy.color_type = gray;
      copy.colormap = RstCountedPtr<RstColormap>();
      RstRead* again = RstReinterpret::create(node.get(), copy);
      if (!again) return nullptr;
      node.release();
      node.attach(again);
    } else {
      RstRead* indices = creators.convert_bits_1_to_8(node.get(), 0, 1);
      if (!indices) return nullptr;
      node.release();
      node.attach(indices);
    }
  } else if (header->bit_count == 16) {
    RstRead* unpacked = RstUnpackPixel16To24::create(node.get(), 0x7C00, 0x03E0, 0x001F);
    if (!unpacked) return nullptr;
    node.release();
    node.attach(unpacked);
  } else if (next && !chain(node, next, where)) {
    return nullptr;
  }
  return node.release();
}

RstRead* RstReadDIBRaw::create(InputStorage* storage, RstBMPHeader* header, int32_t top_down) {
  const char* where = "RstReadDIBRaw::create()";
  if (!rst_is_valid_storage(storage) || !header) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  bool bottom_up = top_down != 0 && header->height >= 1;
  int64_t stride = (int64_t{header->bit_count} * header->width + 31) / 32 * 4;
  int64_t rows = header->height < 0 ? -int64_t{header->height} : header->height;
  if (stride <= 0 || stride * rows > INT32_MAX) {
    rst_report(RstCode::bad_tile_strip, where);
    return nullptr;
  }
  if (storage->seek(header->data_position) != header->data_position) {
    rst_report(RstCode::io_failure, where);
    return nullptr;
  }
  const RstHeader& h = *header->rst_header();
  if (header->bit_count == 16) return RstReadRawDepth16::create(storage, h, int32_t(stride), 1, bottom_up, false);
  return RstReadRaw::create(storage, h, int32_t(stride), bottom_up, false);
}

RstRead* RstReadDIBRLE::create(InputStorage* storage, RstBMPHeader* header) {
  const char* where = "RstReadDIBRLE::create()";
  if (!rst_is_valid_storage(storage) || !header) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  int64_t length = header->image_size;
  if (length == 0) length = int64_t{storage->size()} - header->data_position;
  if (length < 0) length = 0;
  if (length > INT32_MAX) length = INT32_MAX;
  if (storage->seek(header->data_position) != header->data_position) {
    rst_report(RstCode::io_failure, where);
    return nullptr;
  }
  return RstReadCode::create(storage, *header->rst_header(), int32_t(length), false);
}
