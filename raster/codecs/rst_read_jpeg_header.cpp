// The JPEG header parse, the header it describes and the option it makes.
#include "raster/codecs/rst_read_jpeg_header.h"

#include <new>
#include <optional>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

bool is_frame_marker(uint32_t code) {
  // SOF0..SOF15 less DHT (C4), JPG (C8) and DAC (CC).
  return code >= 0xFFC0 && code <= 0xFFCF && code != 0xFFC4 && code != 0xFFC8 && code != 0xFFCC;
}

}  // namespace

RstReadJPEGHeader::RstReadJPEGHeader(InputStorage* storage, bool interchange) : applications_(interchange) {
  if (!storage) {
    parse_status_ = RstCode::bad_argument;
    return;
  }
  consumed_ = read_markers(storage, interchange);
}

int32_t RstReadJPEGHeader::read_markers(InputStorage* storage, bool interchange) {
  int32_t start = storage->tell();
  RstJPEGDataInput in(storage, rst_jpeg_byte_order);
  // A missing SOI leaves the storage after the bytes read, as an early EOI does.
  if (interchange && (!marker_code_.read(in) || marker_code_.code != 0xFFD8)) {
    parse_status_ = RstCode::not_this_format;
    return in.tell() - start;
  }
  bool failed = false;
  bool scan = false;
  while (!failed && !scan) {
    if (!marker_code_.read(in)) {
      failed = true;
      break;
    }
    uint32_t code = marker_code_.code;
    if (is_frame_marker(code)) {
      failed = !frame_header_.read(in, code);
    } else if (code >= 0xFFE0 && code <= 0xFFEF) {
      failed = !applications_.read(in, code);
    } else if (code >= 0xFFF0 && code <= 0xFFFD) {
      // JPGn: a warning; its segment is not skipped.
      parse_status_ = 14;
    } else {
      switch (code) {
        case 0xFFC4: failed = !huffman_tables_.read(in); break;
        case 0xFFD8: break;
        case 0xFFD9: return in.tell() - start;
        case 0xFFDA:
          failed = !scan_header_.read(in);
          scan = true;
          break;
        case 0xFFDB: failed = !quantization_tables_.read(in); break;
        case 0xFFDD: failed = !restart_interval_.read(in); break;
        case 0xFFFE: failed = !comment_.read(in); break;
        default: failed = true; break;
      }
    }
  }
  if (failed || (interchange && (quantization_tables_.segments().empty() || huffman_tables_.segments().empty())))
    parse_status_ = -13;
  int32_t consumed = in.tell() - start;
  storage->seek(start);
  return consumed;
}

RstHeader* RstReadJPEGHeader::rst_header() {
  header_.width = frame_header_.samples_per_line;
  header_.height = frame_header_.lines;
  header_.bits_per_sample = frame_header_.precision;
  header_.samples_per_pixel = frame_header_.component_count;
  header_.sample_kind = RstSampleKind::unsigned_int;
  header_.data_form = RstDataForm::jpeg;
  header_.colormap.reset();
  header_.color_type = rst_color_type();
  return &header_;
}

RstJPEGOption* RstReadJPEGHeader::create_option(const RstJPEGOption* default_option) {
  const char* where = "RstReadJPEGHeader::create_option()";
  RstCountedPtr<RstHuffmanTableArray> ac = ac_tables();
  RstCountedPtr<RstHuffmanTableArray> dc = dc_tables();
  RstCountedPtr<RstJPEGQTableArray> quantization = quantization_tables();
  const RstJPEGTables* defaults = default_option ? default_option->tables.get() : nullptr;
  RstColorType* color = rst_color_type();
  if (!color && default_option) color = default_option->color_type;
  RstJPEGOption* option = nullptr;
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    // A kind missing from both the stream and the default stays empty.
    std::optional<RstHuffmanTableArray> no_huffman;
    std::optional<RstJPEGQTableArray> no_quantization;
    auto huffman = [&](const RstCountedPtr<RstHuffmanTableArray>& own,
                       const RstHuffmanTableArray* fallback) -> const RstHuffmanTableArray& {
      if (own) return *own;
      if (fallback) return *fallback;
      if (!no_huffman) no_huffman.emplace(4);
      return *no_huffman;
    };
    const RstJPEGQTableArray* q = quantization.get();
    if (!q && defaults) q = &defaults->quantization;
    if (!q) q = &no_quantization.emplace(4);
    const RstHuffmanTableArray& dc_array = huffman(dc, defaults ? &defaults->dc : nullptr);
    const RstHuffmanTableArray& ac_array = huffman(ac, defaults ? &defaults->ac : nullptr);
    RstJPEGTables tables(*q, dc_array, ac_array);
    option = rst_new<RstJPEGOption>(&tables, color);
  } catch (const std::bad_alloc&) {
    option = nullptr;
  }
  if (option && option->tables) return option;
  delete option;
  rst_report(RstCode::no_memory, where);
  return nullptr;
}
