// The JPEG probes, and the JPEG stream parser of the TIFF tag readers.
#include "raster/formats/rst_read_jpeg.h"

#include <memory>

#include "raster/codecs/rst_read_jpeg23.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_exif.h"
#include "raster/formats/rst_tiff_jpeg_stream.h"

namespace {

struct Release {
  void operator()(RstPrivateHeader* h) const { rst_release(h); }
};
using HeaderHolder = std::unique_ptr<RstReadJPEGHeader, Release>;

bool usable(InputStorage* storage) { return storage && !storage->is_closed(); }

template <class Header>
RstReadJPEGHeader* flavour(InputStorage* storage, const char* where) {
  if (!usable(storage)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  return RstReadJPEG::check_header(rst_new<Header>(storage));
}

}  // namespace

RstReadJPEGHeader* RstReadJPEG::check_header(RstReadJPEGHeader* header) {
  const char* where = "RstReadJPEG::check_header()";
  if (!header) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  HeaderHolder held(header);
  int32_t status = *header->status();
  if (status == 1) return held.release();
  if (status >= 2) {
    rst_report(status, where);
    return held.release();
  }
  // Released before the report, which may throw.
  held.reset();
  if (status != RstCode::not_this_format) rst_report(status, where);
  return nullptr;
}

RstReadJPEGHeader* RstReadJPEG::private_header(InputStorage* storage) {
  if (!storage) {
    rst_report(RstCode::bad_argument, "RstReadJPEG::private_header()");
    return nullptr;
  }
  int32_t position = storage->tell();
  RstReadJPEGHeader* header = RstReadJFIF::private_header(storage);
  if (!header) {
    storage->seek(position);
    header = RstReadJPEGFax::private_header(storage);
  }
  if (!header && storage->seek(position) == position && !storage->is_closed()) {
    // The Exif header's JPEG part; releasing it frees the whole header.
    header = RstReadExifJPEG::private_header(storage);
  }
  if (!header) {
    storage->seek(position);
    header = check_header(rst_new<RstReadJPEGHeader>(storage, true));
  }
  // A parse that ended at EOI leaves the storage after it; the caller gets it
  // back where it was.
  storage->seek(position);
  return header;
}

RstRead* RstReadJPEG::create(InputStorage* storage, RstReadJPEGHeader*, const RstJPEGOption* option) {
  if (!storage) {
    rst_report(RstCode::bad_argument, "RstReadJPEG::create()");
    return nullptr;
  }
  return RstReadJPEG23::create(storage, nullptr, option);
}

RstRead* RstReadJPEG::create(InputStorage* storage, RstReadExifJPEGHeader* header) {
  return create(storage, header ? static_cast<RstReadJPEGHeader*>(header) : nullptr, nullptr);
}

RstReadJPEGHeader* RstReadJFIF::private_header(InputStorage* storage) {
  return flavour<RstReadJFIFHeader>(storage, "RstReadJFIF::private_header()");
}

RstReadJPEGHeader* RstReadJPEGFax::private_header(InputStorage* storage) {
  return flavour<RstReadJPEGFaxHeader>(storage, "RstReadJPEGFax::private_header()");
}

RstTIFFJPEGStream* rst_tiff_read_jpeg_stream(InputStorage* window) {
  const char* where = "rst_tiff_read_jpeg_stream()";
  HeaderHolder header(RstReadJPEG::private_header(window));
  if (!header) return nullptr;
  std::unique_ptr<RstTIFFJPEGStream> stream(rst_new<RstTIFFJPEGStream>());
  if (!stream) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  stream->status = *header->status();
  stream->header = *header->rst_header();
  stream->x_resolution = header->x_resolution();
  stream->y_resolution = header->y_resolution();
  RstCountedPtr<RstJPEGQTableArray> q = header->quantization_tables();
  RstCountedPtr<RstHuffmanTableArray> dc = header->dc_tables();
  RstCountedPtr<RstHuffmanTableArray> ac = header->ac_tables();
  // A kind the stream lacks is an array of empty slots.
  RstJPEGTables* tables = nullptr;
  try {
    if (RstAllocFault::next_fails()) throw std::bad_alloc();
    RstJPEGQTableArray no_q(4);
    RstHuffmanTableArray no_huffman(4);
    tables = rst_new<RstJPEGTables>(q ? *q : no_q, dc ? *dc : no_huffman, ac ? *ac : no_huffman);
  } catch (const std::bad_alloc&) {
    tables = nullptr;
  }
  stream->tables.reset(tables);
  if (!tables || !stream->tables.has_count()) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return stream.release();
}
