// The read-side page headers: one IFD into a header with its SubIFDs as
// children, page n of the chain, or the whole chain as a linked list of
// headers. Every offset comes from the file: a walk remembers the IFDs it has
// read, so loops end, and caps the number of pages and the depth of SubIFDs.
// A walk stopped that way leaves warning 13 in the first header's status.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "raster/core/input_storage.h"
#include "raster/formats/rst_tiff_fx_reader.h"
#include "raster/formats/rst_tiff_header.h"

class RstReadTIFFHeaderBase : public RstReadTIFFTagsBase {
 public:
  static constexpr uint32_t max_pages = 65536;
  static constexpr int max_sub_ifd_depth = 16;

  RstReadTIFFHeaderBase() = default;
  // Destroys the children, then the chain of following pages one by one.
  ~RstReadTIFFHeaderBase() override;
  RstReadTIFFHeaderBase(const RstReadTIFFHeaderBase&) = delete;
  RstReadTIFFHeaderBase& operator=(const RstReadTIFFHeaderBase&) = delete;

  // A new empty header of the same kind (the caller owns it), or none.
  virtual RstReadTIFFHeaderBase* new_header() = 0;
  virtual RstTIFF6Header* tiff6_header() = 0;

  // The IFD at `offset` into this header and, when asked, every SubIFD into a
  // child; the bytes moved over, 0 when the IFD could not be read.
  uint32_t read(InputStorage* input, uint32_t byte_order, uint32_t offset, bool read_sub_ifds, int32_t level);
  // Page `page` (1-based, 0 means 1) of the chain.
  uint32_t read_page(InputStorage* input, uint32_t page, bool read_sub_ifds, int32_t level);
  // Page 1 with its SubIFDs, then every following page into next_page.
  void read_chain(InputStorage* input, int32_t level);

  std::vector<RstReadTIFFHeaderBase*> children;  // one per SubIFD read, owned
  RstReadTIFFHeaderBase* next_page = nullptr;    // owned

 protected:
  // One construction's walk over the file.
  struct Walk {
    explicit Walk(RstTIFF6Header* first) : first(first) {}
    // Ends a walk that would loop or run on: the first header keeps warning 13.
    void stop() {
      if (first->status > 0) first->status = 13;
    }
    std::unordered_set<uint32_t> visited;
    RstTIFF6Header* first;
  };

  uint32_t read_ifd(InputStorage* input, uint32_t byte_order, uint32_t offset, bool read_sub_ifds, int32_t level,
                    Walk& walk, int depth);
  uint32_t read_page(InputStorage* input, uint32_t page, bool read_sub_ifds, int32_t level, Walk& walk);
};

class RstReadTIFFFXHeader : public RstTIFFFXHeader, public RstReadTIFFHeaderBase {
 public:
  RstReadTIFFFXHeader() : RstTIFFFXHeader(0x4949) {}

  // Strip rows from StripRowCounts when it gives one count per strip, else
  // from RowsPerStrip; never more rows in all than the page has.
  bool strip_rows(std::vector<uint32_t>& out) override;

  RstTIFFIFDReader* reader() override;
  RstReadTIFFHeaderBase* new_header() override;
  RstTIFF6Header* tiff6_header() override { return this; }

 private:
  RstCountedPtr<RstTIFFFXIFDReader> reader_;
};

class RstReadTIFFHeader : public RstReadTIFFFXHeader {
 public:
  // The whole chain of pages.
  RstReadTIFFHeader(InputStorage* input, int32_t level);
  // Page `page` of the chain.
  RstReadTIFFHeader(InputStorage* input, uint32_t page, bool read_sub_ifds, int32_t level);
  // The one IFD at a known offset.
  RstReadTIFFHeader(InputStorage* input, uint32_t byte_order, uint32_t offset, bool read_sub_ifds, int32_t level);
};
