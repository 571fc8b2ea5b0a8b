// RstReadJPEG23: the reader node of JPEG data. Its window runs from the
// storage's position to the end; the decoder stage parses the stream itself
// and describes the image. A coding option may bring tables (a TIFF page's
// JPEGTables) that strips without their own tables decode with, and a colour
// type that names the components of a stream without an application header.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_context.h"
#include "raster/codecs/rst_jpeg_option.h"
#include "raster/codecs/rst_read_jpeg_header.h"
#include "raster/codecs/rst_read_tolvane.h"

class RstReadJPEG23 : public RstReadRasterTolvane {
 public:
  // The node, or null: no storage -2 "RstReadJPEG23::create()"; a stream the
  // stage refuses is reported with its code. The header is not used; the
  // option is borrowed until the node has been initiated.
  static RstReadJPEG23* create(InputStorage* storage, RstReadJPEGHeader* header, const RstJPEGOption* option);

  RstReadJPEG23(InputStorage* storage, const RstJPEGOption* option);
  ~RstReadJPEG23() override;

  // The option's tables as a holder the decoder borrows: none without an
  // option or table set; -1 "RstReadJPEG23::create_jpeg_tables()" without
  // memory.
  static JpegCodecContext* create_jpeg_tables(const RstJPEGOption* option);
  // count records of slots symbols each from the table array; null for count
  // 0 and after a report.
  static JpegHuffmanInfo* create_huffman_info(int32_t count, const RstHuffmanTableArray& tables, int32_t slots);

 protected:
  RstInstanceTolvane* create_stage() override;

 private:
  const RstJPEGOption* option_;
  JpegCodecContext* holder_ = nullptr;
  bool holder_made_ = false;
  uint32_t color_code_ = TolvaneColorCode::ycbcr;
};
