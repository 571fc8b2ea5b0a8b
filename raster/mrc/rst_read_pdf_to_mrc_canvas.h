// A PDF page as an MRC canvas. The PDF reader core runs the page and lists
// its images; the list is rewritten into an IMT object image at the pixel
// density of the page's first mask or image, kept in memory, and on make
// turned into a canvas whose objects read their coded data from the PDF file.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "raster/core/byte_array_storage.h"
#include "raster/core/input_storage.h"
#include "raster/mrc/pdf/pdf_content.h"
#include "raster/mrc/rst_mrc_canvas.h"
#include "raster/mrc/rst_object_maker.h"

class RstReadPDFToMRCCanvasImpl : public RstObjectMaker<RstMRCCanvas*> {
 public:
  // The node of page n (1-based) of the PDF file the storage names, its
  // object image built; null when that fails. Storage missing or page 0: -2
  // "RstReadPDFToMRCCanvasImpl::create()"; a storage without a name (not a
  // file): null without a report. The storage must outlive the canvas.
  static RstReadPDFToMRCCanvasImpl* create(InputStorage* source, uint32_t page_number);

  // Opens the document, reads the page and closes the document again, all
  // under the PDF mutex; true when the object image was built. Every failing
  // path closes the document before the mutex is released.
  bool initiate() override;
  // The canvas, the caller's; only once: a second call reports 0
  // "RstReadPDFToMRCCanvasImpl::make()" and returns null.
  RstMRCCanvas* make() override;

  // The object image, and what the PDF header reader takes beside it.
  InputStorage* imt_storage() const { return imt_storage_.get(); }
  int32_t page_rotation() const { return page_rotation_; }
  int32_t page_width() const { return page_width_; }
  int32_t page_height() const { return page_height_; }
  int32_t box_left() const { return box_left_; }
  int32_t box_top() const { return box_top_; }

  // Rewrites the page list in place at the density of its reference object;
  // 1, or the status reported with "RstReadPDFToMRCCanvasImpl::mod_imt()":
  // -105 for a page without objects, -3 for no reference object, a zero
  // scale, a rotated or skewed object, a placement or canvas out of range,
  // -50 for raw data of the wrong length or past the file's end (file_size).
  int32_t mod_imt(PdfPageNode* head, int64_t file_size);
  // Appends a piece over the bytes (not copied); false after -1
  // "RstReadPDFToMRCCanvasImpl::add_strg()".
  bool add_strg(const void* bytes, int32_t length);

  ~RstReadPDFToMRCCanvasImpl() override;

 private:
  RstReadPDFToMRCCanvasImpl(InputStorage* source, uint32_t page_number) : page_number_(page_number), source_(source) {}
  bool build(PdfPageNode* head);

  uint32_t page_number_;
  int32_t page_rotation_ = 0;
  std::vector<std::unique_ptr<ByteArrayInputStorage>> pieces_;
  int32_t make_count_ = 0;
  std::vector<uint8_t> imt_bytes_;
  bool document_open_ = false;
  int32_t page_width_ = 0;
  int32_t page_height_ = 0;
  int32_t box_left_ = 0;
  int32_t box_top_ = 0;
  InputStorage* source_;
  std::unique_ptr<ByteArrayInputStorage> imt_storage_;
};
