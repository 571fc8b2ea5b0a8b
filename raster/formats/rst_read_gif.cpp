// The GIF reader: the decoder stage that parses up to the first image, its
// deinterlacing, the private header and the reader node.
#include "raster/formats/rst_read_gif.h"

#include <algorithm>
#include <cstring>

#include "raster/codecs/rst_header_tolvane.h"
#include "raster/codecs/rst_lzw_decoder.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

constexpr int32_t kTableBytes = 3 * 256;

// What the parse up to the first image descriptor found.
struct GifParse {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t image_code = 0;
  bool interlaced = false;
  uint8_t* table = nullptr;  // planar 3 x 256, rst_calloc
  int32_t entries = 0;

  GifParse() = default;
  GifParse(const GifParse&) = delete;
  GifParse& operator=(const GifParse&) = delete;
  ~GifParse() { rst_free(table); }
};

// Reads a table of `entries` RGB triples into a fresh planar block, which
// replaces the one held. -1 without memory, -3 when the file ends inside.
int32_t read_table(BrenvoldStream* s, GifParse& p, int32_t entries) {
  uint8_t* table = static_cast<uint8_t*>(rst_calloc(kTableBytes));
  if (!table) return RstCode::no_memory;
  rst_free(p.table);
  p.table = table;
  p.entries = entries;
  uint8_t rgb[3];
  for (int32_t i = 0; i < entries; ++i) {
    if (s->read(rgb, 3, 1) != 1) return RstCode::unsupported_form;
    table[i] = rgb[0];
    table[256 + i] = rgb[1];
    table[512 + i] = rgb[2];
  }
  return RstCode::good;
}

int32_t parse_to_image(BrenvoldStream* s, GifParse& p) {
  uint8_t signature[6];
  if (s->read(signature, 6, 1) != 1 ||
      (std::memcmp(signature, "GIF87a", 6) != 0 && std::memcmp(signature, "GIF89a", 6) != 0))
    return RstCode::not_this_format;
  // Logical screen: only the packed byte matters.
  if (s->get16() < 0 || s->get16() < 0) return RstCode::unsupported_form;
  int32_t packed = s->getc();
  if (packed < 0 || s->getc() < 0 || s->getc() < 0) return RstCode::unsupported_form;
  if (packed & 0x80) {
    int32_t r = read_table(s, p, 2 << (packed & 7));
    if (r < 1) return r;
  }
  int32_t result = RstCode::good;
  for (;;) {
    int32_t c = s->getc();
    if (c < 0 || c == 0x3B) return RstCode::unsupported_form;  // no image at all
    if (c == 0) continue;
    if (c == 0x21) {
      if (s->getc() < 0) return RstCode::unsupported_form;  // label
      for (;;) {
        int32_t n = s->getc();
        if (n < 0) return RstCode::unsupported_form;
        if (n == 0) break;
        if (s->seek(n, 1) != 0) return RstCode::unsupported_form;
      }
      continue;
    }
    if (c != 0x2C) {
      result = RstCode::unsupported_form;
      continue;
    }
    // Sizes are unsigned; an empty image has no line to deliver.
    if (s->get16() < 0 || s->get16() < 0) return RstCode::unsupported_form;
    p.width = s->get16();
    p.height = s->get16();
    packed = s->getc();
    if (p.width <= 0 || p.height <= 0 || packed < 0) return RstCode::unsupported_form;
    if (packed & 0x80) {
      int32_t r = read_table(s, p, 2 << (packed & 7));
      if (r < 1) return r;
    } else if (!p.table) {
      return RstCode::unsupported_form;
    }
    p.interlaced = (packed & 0x40) != 0;
    break;
  }
  const uint8_t* t = p.table;
  if (p.entries == 2)
    p.image_code = (1u << 16) |
                   (t[0] == 0 && t[256] == 0 && t[512] == 0 ? TolvaneColorCode::gray : TolvaneColorCode::gray_reverse);
  else p.image_code = (8u << 16) | TolvaneColorCode::rgb;
  return result;
}

// The parse in little-endian order, the stream's order restored afterwards.
int32_t parse(BrenvoldStream* s, GifParse& p) {
  int32_t old = s->set_byte_order(1);
  int32_t result = parse_to_image(s, p);
  s->set_byte_order(old);
  return result;
}

class GifStage : public RstInstanceTolvane {
 public:
  int32_t info(TolvaneImageInfo* out) override {
    int32_t r = lzw_->info(out);
    if (out) out->height = line_count_;
    return r;
  }

  int32_t line(uint8_t* buffer) override { return parse_.interlaced ? interlaced_line(buffer) : lzw_->line(buffer); }

  int32_t close() override {
    int32_t result = lzw_ ? rst_close_instance(lzw_) : RstCode::good;
    delete this;
    return result;
  }

  // Parses and builds the LZW stage; the failure status otherwise.
  int32_t open(BrenvoldStream* stream, int32_t first_line, int32_t line_count) {
    int32_t result = parse(stream, parse_);
    if (result < 1) return result;
    first_line = std::max(0, std::min(first_line, parse_.height - 1));
    line_count = std::min(line_count, parse_.height - first_line);
    first_line_ = first_line;
    line_count_ = line_count;
    int32_t code_size = stream->getc();
    if (code_size < 0) return RstCode::unsupported_form;
    TolvaneImageInfo description;
    description.width = parse_.width;
    description.height = parse_.height;
    description.format = (8u << 16) | TolvaneColorCode::rgb;
    description.component_order = 0;
    description.colormap = parse_.table;
    lzw_ = rst_lzw_create_decoder(stream, parse_.interlaced ? 0 : first_line,
                                  parse_.interlaced ? parse_.height : line_count, &description, parse_.width, code_size,
                                  RstLzwVariant::gif, 1);
    if (!lzw_) return RstCode::no_memory;
    return lzw_->status;
  }

  int32_t entries() const { return parse_.entries; }

 private:
  ~GifStage() override { rst_free(rows_); }

  // Passes 1 to 3 (the even rows) go to the buffer, pass 4 (the odd rows)
  // arrives in row order and is decoded straight into the line.
  int32_t interlaced_line(uint8_t* out) {
    if (failed_ < 1) return failed_;
    size_t width = size_t(parse_.width);
    if (!rows_) {
      rows_ = static_cast<uint8_t*>(rst_malloc(size_t(uint64_t(parse_.height / 2 + 1) * width)));
      if (!rows_) return failed_ = RstCode::no_memory;
      static const int32_t start[3] = {0, 4, 2}, step[3] = {8, 8, 4};
      for (int pass = 0; pass < 3; ++pass)
        for (int32_t r = start[pass]; r < parse_.height; r += step[pass]) {
          int32_t result = lzw_->line(rows_ + size_t(r / 2) * width);
          if (result < 1) return failed_ = result;
        }
      while (next_row_ < first_line_) {
        int32_t result = row(out);
        if (result < 1) return failed_ = result;
      }
    }
    int32_t result = row(out);
    if (result < 1) failed_ = result;
    return result;
  }

  int32_t row(uint8_t* out) {
    int32_t r = next_row_++;
    if (r % 2 == 0) {
      std::memcpy(out, rows_ + size_t(r / 2) * size_t(parse_.width), size_t(parse_.width));
      return RstCode::good;
    }
    return lzw_->line(out);
  }

  GifParse parse_;
  RstInstanceTolvane* lzw_ = nullptr;
  int32_t first_line_ = 0;
  int32_t line_count_ = 0;
  uint8_t* rows_ = nullptr;  // even rows, slot row / 2
  int32_t next_row_ = 0;
  int32_t failed_ = RstCode::good;
};

}  // namespace

RstInstanceTolvane* rst_gif_open_stage(BrenvoldStream* stream, int32_t first_line, int32_t line_count) {
  if (!stream) return rst_create_error_instance(RstCode::bad_argument);
  int32_t position = stream->tell();
  GifStage* stage = rst_new<GifStage>();
  if (!stage) return rst_create_error_instance(RstCode::no_memory);
  int32_t result = stage->open(stream, first_line, line_count);
  if (result < 1) {
    stream->seek(position, 0);
    stage->close();
    return rst_create_error_instance(result);
  }
  return stage;
}

int32_t rst_gif_stage_table_entries(RstInstanceTolvane* stage) {
  GifStage* gif = dynamic_cast<GifStage*>(stage);
  return gif ? gif->entries() : 0;
}

RstReadGIFHeader::RstReadGIFHeader(InputStorage* storage) {
  BrenvoldStream* stream = rstCreateStreamByBrenvoldInputStorage(storage);
  if (!stream) {
    status = RstCode::no_memory;
    return;
  }
  int32_t start = stream->tell();
  RstInstanceTolvane* stage = rst_gif_open_stage(stream, 0, 2147483647);
  if (!stage) {
    status = RstCode::no_memory;
  } else if (stage->status < 1) {
    status = stage->status;
    rst_close_instance(stage);
  } else {
    TolvaneImageInfo description;
    stage->info(&description);
    int32_t entries = rst_gif_stage_table_entries(stage);
    stream->seek(start, 0);
    GifParse again;
    int32_t result = parse(stream, again);
    if (result < 1) {
      status = result;
    } else {
      description.format = again.image_code;
      RstHeaderTolvane described(description);
      header = described;
      header.data_form = RstDataForm::lzw;
      if (header.colormap && entries > 0 && entries < 256) {
        RstColormap* map = rst_new<RstColormap>(8, 3, entries, header.colormap->data());
        if (map && map->size() == 3 * entries) header.colormap.reset(map);
        else delete map;
      }
    }
    rst_close_instance(stage);
  }
  stream->close();
}

RstReadGIFHeader* RstReadGIF23::private_header(InputStorage* storage) {
  const char* where = "RstReadGIF23::private_header()";
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstReadGIFHeader* header = rst_new<RstReadGIFHeader>(storage);
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  int32_t status = header->status;
  if (status == RstCode::good) return header;
  if (status > RstCode::good) {
    rst_report(status, where);
    return header;
  }
  delete header;
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

RstReadGIF23* RstReadGIF23::create(InputStorage* storage, RstReadGIFHeader*) {
  const char* where = "RstReadGIF23::create()";
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  storage->rewind();
  RstOwner<RstReadGIF23> owner(rst_new<RstReadGIF23>(storage));
  if (!owner) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return rst_create_end(owner);
}

RstInstanceTolvane* RstReadGIF23::create_stage() { return rst_gif_open_stage(stream(), 0, 2147483647); }

bool RstReadGIF23::describe() {
  bool first = !described_;
  if (!RstReadRasterTolvane::describe()) return false;
  int32_t entries = rst_gif_stage_table_entries(stage_);
  if (first && header_.colormap && entries > 0 && entries < 256) {
    RstColormap* map = rst_new<RstColormap>(8, 3, entries, header_.colormap->data());
    if (map && map->size() == 3 * entries) header_.colormap.reset(map);
    else delete map;
  }
  return true;
}
