// The PDF reader front: a PDF page read like any raster file. The PDF module
// (mrc) opens the file by the storage's name, reports the document
// information and turns a page into an object image; the front keeps what the
// detection needs in RstReadPDFHeader and reads a page as one composed raster.
// The module's calls are the creators the mrc folder registers.
#pragma once

#include <cstdint>
#include <string>

#include "raster/core/input_storage.h"
#include "raster/core/rst_counted_ptr.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"
#include "raster/formats/rst_pdf_document_info.h"

class RstRead;

class RstReadPDFHeader : public RstPrivateHeader {
 public:
  RstReadPDFHeader(InputStorage* storage, uint32_t page) : page(page), storage(storage) {}
  // Closes the document first when this header still holds it open.
  void release() override;
  // The following pages' headers go one after the other, not by recursion.
  ~RstReadPDFHeader() override;

  // Reads the document information (first header of a file only) and the
  // page's objects; false when the storage is not a named PDF with that page.
  bool initialize();
  // The header of the following page, made on first use; null after the
  // last page.
  RstReadPDFHeader* next();

  // Information string as stored: UTF-16 text (0xFE 0xFF or 0xFF 0xFE) in
  // code page 932, other bytes as they are; at most 1023 bytes, cut at a
  // whole character. Null gives "".
  static std::string info_string(const char* value);

  uint32_t page;  // 1-based; 0 asks for the whole chain
  int32_t x_resolution = 0;
  int32_t y_resolution = 0;
  int32_t object_count = 0;
  bool document_open = false;
  InputStorage* storage;
  RstReadPDFHeader* next_page = nullptr;  // owned
  int32_t status = 1;                     // -3: no object that counts
  RstHeader header;
  RstCountedPtr<RstPDFDocumentInfo> info;

 private:
  bool read_document();
  bool read_page();
};

class RstReadPDF {
 public:
  // The initialized header of the page, or null (not a named PDF, too few
  // pages: silently). Enable byte 12 clear: null. No storage or a closed
  // one: -2 "RstReadPDF::private_header()".
  static RstReadPDFHeader* private_header(InputStorage* storage, uint32_t page);
  // The page composed at its canvas size; no header reads page 1, a header
  // passed in stays the caller's.
  static RstRead* create(InputStorage* storage, RstReadPDFHeader* header);
  // No storage, a closed one or page 0: -2 "RstReadPDF::create()".
  static RstRead* create(InputStorage* storage, uint32_t page);
};
