// The Sun raster reader: a 32-byte big-endian header, an optional colour map
// and the pixel data, stored raw (rows padded to 16 bits) or byte-encoded
// (raster type 2). The private header is the probe of format detection.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/core/nested_input_storage.h"
#include "raster/core/rst_colormap.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"
#include "raster/core/rst_read.h"

class RstSunrasHeader : public RstPrivateHeader {
 public:
  static constexpr uint32_t kMagic = 0x59a66a95;
  static constexpr int32_t kHeaderBytes = 32;
  // The largest colour map: 256 entries of three bytes.
  static constexpr int32_t kMaxMapBytes = 768;

  RstSunrasHeader() = default;
  // Reads the eight words from the storage's position and checks them.
  explicit RstSunrasHeader(InputStorage* storage);

  int32_t raster_type = 0xffff;
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  int32_t data_length = 0;
  int32_t map_type = 0;
  int32_t map_length = 0;
  // 1 good; -12 not Sun raster; -201 width; -202 height; -303 depth; -13
  // colour map or sizes; -14 raster type.
  int32_t status = 1;
};

class RstReadSunras : public RstRead {
 public:
  // The header, or null. No memory: -1; an invalid header: its status; both
  // "RstReadSunras::private_header()". Another format: null, no report.
  static RstSunrasHeader* private_header(InputStorage* storage);
  // The last node of the reader chain, or null. Null or closed storage, a
  // raster type not 0 to 3: -2; no header and none found: -12; all
  // "RstReadSunras::create()". The storage must stand after the header; a
  // header passed in stays the caller's.
  static RstRead* create(InputStorage* storage, RstSunrasHeader* header);

  RstReadSunras(InputStorage* storage, const RstSunrasHeader& header);
  ~RstReadSunras() override;

  void header(RstHeader& h) override;
  // Reads the colour map and opens the window over the pixel data.
  bool initiate() override;
  int skip(int n) override;
  void reset() override;

 protected:
  InputStorage* storage_;
  NestedInputStorage* window_ = nullptr;
  RstSunrasHeader file_;
  RstCountedPtr<RstColormap> colormap_;
};

class RstReadSunrasRaw : public RstReadSunras {
 public:
  // Null or closed storage, no header, raster type 2 or out of range: -2
  // "RstReadSunrasRaw::create()".
  static RstRead* create(InputStorage* storage, RstSunrasHeader* header);

  RstReadSunrasRaw(InputStorage* storage, const RstSunrasHeader& header);

  // One row; a row cut by the end of the data or of the file is completed
  // with zeros (warning 3).
  int read(uint8_t* line) override;
  void reset() override;
  int line_size() override { return row_size_; }

 private:
  int32_t row_size_;
  int32_t rows_left_;
};

class RstReadSunrasEncode : public RstReadSunras {
 public:
  // As RstReadSunrasRaw::create, type 2 the only one accepted;
  // "RstReadSunrasEncode::create()".
  static RstRead* create(InputStorage* storage, RstSunrasHeader* header);

  using RstReadSunras::RstReadSunras;

  // Up to 1024 coded bytes.
  int read(uint8_t* line) override;
  int line_size() override { return 1024; }
};
