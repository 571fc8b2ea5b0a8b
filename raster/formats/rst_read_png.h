// The PNG reader: libpng decodes, this glue opens a libpng context over a
// window of the storage, asks for lines of at most 8 bits per sample (palette
// images of depth 1 and 8 as indices, alpha composited onto a background) and
// hands the rows out. The private header and the reader nodes share one
// context, so the header chunks are parsed once.
#pragma once

#include <cstdint>

#include "raster/core/input_storage.h"
#include "raster/core/nested_input_storage.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"
#include "raster/core/rst_read.h"

struct png_struct_def;
struct png_info_def;

class RstReadPNGHeader : public RstPrivateHeader {
 public:
  // The libpng context: read and info structures over a window from the
  // storage's position to its end.
  class RstReadPNGInfo {
   public:
    explicit RstReadPNGInfo(InputStorage* storage);
    ~RstReadPNGInfo();
    RstReadPNGInfo(const RstReadPNGInfo&) = delete;
    RstReadPNGInfo& operator=(const RstReadPNGInfo&) = delete;

    // Destroys the libpng structures, rewinds the window and opens again.
    void reopen();
    // Width, height, bits and samples after the transformations; data form
    // flate; the palette as an 8-bit, 3-channel colormap.
    RstHeader& rst_header(RstHeader& out);

    png_struct_def* png = nullptr;
    png_info_def* info = nullptr;
    // 1 good; -11 short read; -12 header chunks failed; -14 transformations
    // failed; -4 rows failed; -1 no read structure.
    int32_t status = 1;
    NestedInputStorage window;

   private:
    void open();
    void close();
  };

  explicit RstReadPNGHeader(InputStorage* storage);

  // The context's status; -1 without a context.
  int32_t status() const { return context ? context->status : -1; }
  // Dots per inch from pHYs in metres, else 0.
  int32_t x_resolution() const;
  int32_t y_resolution() const;
  // The image header (data form flate).
  void rst_header(RstHeader& out);
  // Adam7 or not.
  bool interlaced() const;

  RstCountedPtr<RstReadPNGInfo> context;
};

class RstReadPNG : public RstRead {
 public:
  // A new private header, or null (a file that is not PNG: without report).
  static RstReadPNGHeader* private_header(InputStorage* storage);
  // The initiated reader node, or null; a header passed in stays the
  // caller's, without one a header is made and deleted.
  static RstRead* create(InputStorage* storage, RstReadPNGHeader* header);

  // The context's header with the data form raw.
  void header(RstHeader& h) override { h = header_; }
  int line_size() override { return line_size_; }

 protected:
  RstReadPNG(InputStorage* storage, RstReadPNGHeader* header);

  int32_t row_ = 0;
  RstCountedPtr<RstReadPNGHeader::RstReadPNGInfo> context_;
  InputStorage* storage_;
  RstHeader header_;
  int32_t line_size_ = 0;
};

class RstReadPNGNonInterlaced : public RstReadPNG {
 public:
  static RstReadPNGNonInterlaced* create(InputStorage* storage, RstReadPNGHeader* header);
  RstReadPNGNonInterlaced(InputStorage* storage, RstReadPNGHeader* header) : RstReadPNG(storage, header) {}

  // One libpng row per call; after a failure the line is left as it was and
  // warning 4 reported.
  int read(uint8_t* line) override;
  // Row 0 again, from a reopened context.
  void reset() override;
};

class RstReadPNGInterlaced : public RstReadPNG {
 public:
  static RstReadPNGInterlaced* create(InputStorage* storage, RstReadPNGHeader* header);
  RstReadPNGInterlaced(InputStorage* storage, RstReadPNGHeader* header) : RstReadPNG(storage, header) {}
  ~RstReadPNGInterlaced() override;

  // The most decoded image bytes an interlaced reader holds: an interlaced
  // image is decoded whole, and its header alone may announce terabytes.
  static constexpr int64_t max_held_bytes = int64_t(1) << 30;

  // Decodes the whole image into one buffer per row. An image above
  // max_held_bytes: -1 before anything is allocated.
  bool initiate() override;
  int read(uint8_t* line) override;
  // Row 0 again; the decoded rows stay.
  void reset() override { row_ = 0; }

 private:
  uint8_t** rows_ = nullptr;
  int32_t row_count_ = 0;
};
