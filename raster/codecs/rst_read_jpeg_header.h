// RstReadJPEGHeader: the private header of a JPEG stream. Its constructor
// parses the segments from SOI to the first SOS (or EOI) into the records of
// rst_jpeg_marker.h, and puts the storage back where the parse began. It
// describes the image (size, precision, components), hands out the parsed
// tables, and turns them into a JPEG coding option. The JFIF and JPEG-fax
// flavours derive from it and add resolution and colour type.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_jpeg_option.h"
#include "raster/codecs/rst_read_jpeg_marker.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"

class RstReadJPEGHeader : public RstPrivateHeader, public RstJPEGTypes {
 public:
  // Parses at the storage's position. With the interchange flag the stream
  // must start with SOI (else status -12) and hold DQT and DHT segments (else
  // -13); a failed parse gives -13 either way.
  RstReadJPEGHeader(InputStorage* storage, bool interchange);
  ~RstReadJPEGHeader() override = default;
  RstReadJPEGHeader(const RstReadJPEGHeader&) = delete;
  RstReadJPEGHeader& operator=(const RstReadJPEGHeader&) = delete;

  // The parse status: 1 parsed, 14 (a JPGn marker) warning, -12 not this
  // kind of JPEG, -13 broken header. While it is 1 this is the marker
  // reader's status.
  const int32_t* status() const { return parse_status_ == 1 ? &marker_code_.status : &parse_status_; }
  // Bytes the parse consumed from where it began.
  int32_t consumed() const { return consumed_; }

  // Fills and returns the header of the frame: X, Y, precision, components,
  // data form JPEG, the colour type of rst_color_type().
  virtual RstHeader* rst_header();
  // Dots per inch; 0 when the stream says nothing.
  virtual uint32_t x_resolution() const { return 0; }
  virtual uint32_t y_resolution() const { return 0; }
  // None (null) unless a flavour says what the components are.
  virtual RstColorType* rst_color_type() const { return nullptr; }

  // The parsed table arrays (shared), none when the stream had no such segment.
  RstCountedPtr<RstHuffmanTableArray> dc_tables() { return huffman_tables_.dc_tables(); }
  RstCountedPtr<RstHuffmanTableArray> ac_tables() { return huffman_tables_.ac_tables(); }
  RstCountedPtr<RstJPEGQTableArray> quantization_tables() { return quantization_tables_.tables(); }

  // A new option over the parsed tables; a kind the stream lacks comes from
  // the default option, or stays empty without one. The colour type is this
  // header's, else the default's. Out of memory: -1
  // "RstReadJPEGHeader::create_option()" and none.
  RstJPEGOption* create_option(const RstJPEGOption* default_option);

  const RstReadJPEGMarkerFrameHeader& frame_header() const { return frame_header_; }
  const RstReadJPEGMarkerScanHeader& scan_header() const { return scan_header_; }
  const RstReadJPEGMarkerComment& comment() const { return comment_; }
  const RstReadJPEGMarkerApplicationArray& applications() const { return applications_; }
  const RstReadJPEGMarkerQuantizationTableArray& quantization_segments() const { return quantization_tables_; }
  const RstReadJPEGMarkerHuffmanTableArray& huffman_segments() const { return huffman_tables_; }
  const RstReadJPEGMarkerRestartInterval& restart_interval() const { return restart_interval_; }
  const RstJPEGMarkerLineCount& line_count() const { return line_count_; }
  const RstReadJPEGMarkerCode& marker_code() const { return marker_code_; }
  bool interchange() const { return applications_.interchange; }

 protected:
  // Sets the parse status (a flavour whose segment is missing sets -12).
  void set_status(int32_t status) { parse_status_ = status; }
  int32_t parse_status() const { return parse_status_; }

 private:
  // The parse the constructor runs; returns the bytes consumed.
  int32_t read_markers(InputStorage* storage, bool interchange);

  RstReadJPEGMarkerFrameHeader frame_header_;
  int32_t parse_status_ = 1;
  RstReadJPEGMarkerComment comment_;
  RstReadJPEGMarkerApplicationArray applications_;
  RstReadJPEGMarkerScanHeader scan_header_;
  RstReadJPEGMarkerHuffmanTableArray huffman_tables_;
  RstJPEGMarkerLineCount line_count_;
  RstReadJPEGMarkerQuantizationTableArray quantization_tables_;
  RstReadJPEGMarkerRestartInterval restart_interval_;
  RstReadJPEGMarkerCode marker_code_;
  RstHeader header_;
  int32_t consumed_ = 0;
};
