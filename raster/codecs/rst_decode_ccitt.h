// The CCITT decoder nodes: modified Huffman (data form 1), modified READ
// (data form 2) and T.6 (data form 3) code bytes from a source node to run
// lines (data form 15). They are tolerant: a faulty line is delivered up to
// its fault, the fault is reported as a warning naming pixel and line, and
// decoding resynchronises at the next EOL where the coding has EOLs.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_ccitt_bits.h"
#include "raster/codecs/rst_ccitt_line_decoders.h"
#include "raster/codecs/rst_coding_option.h"
#include "raster/core/rst_process.h"

class RstDecodeCCITTBWToRLE : public RstProcess {
 public:
  RstDecodeCCITTBWToRLE(RstRead* source, int32_t width, int32_t height);

  void header(RstHeader& h) override;
  bool initiate() override;
  void reset() override;
  int line_size() override { return line_size_; }

  // Decoder states besides the line statuses: RTC or EOFB seen, or the
  // data ended; every further line is white and nothing is reported.
  static constexpr int32_t kEnded = 202;

 protected:
  // Reports the current status as a warning with its kind, pixel and line.
  void report(const char* prefix);
  // Writes a white line into the buffer; its bytes.
  static int white_line(uint8_t* line);

  int32_t line_counter_ = 0;
  int32_t height_;
  RstBitsGettableCodeBuffer bits_;
  int32_t status_ = 1;
  int32_t position_ = 0;
  int32_t line_size_;
  int32_t width_;
};

class RstDecodeCCITT2D : public RstDecodeCCITTBWToRLE {
 public:
  RstDecodeCCITT2D(RstRead* source, int32_t width, int32_t height);
  ~RstDecodeCCITT2D() override;

  bool initiate() override;
  void reset() override;

 protected:
  // Makes the reference line empty (white).
  void clear_reference();

  uint8_t* reference_ = nullptr;
  RstCPList cp_;
};

class RstDecodeMH : public RstDecodeCCITTBWToRLE {
 public:
  // Null source: -2; data form not 1: -3; both "RstDecodeMH::create()".
  // Without an option: end code 1, EOL 1, align 0.
  static RstDecodeMH* create(RstRead* source, const RstMHOption* option);

  RstDecodeMH(RstRead* source, const RstHeader& h, const RstMHOption& option);
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  RstMHOption option_;
  RstDecodeCCITT1DLineMH line_;
  // Where the last line began, to see whether a failed line moved at all.
  int64_t line_start_ = 0;
};

class RstDecodeMR : public RstDecodeCCITT2D {
 public:
  // Null source: -2; data form not 2: -3; both "RstDecodeMR::create()".
  // Without an option: end code 1, EOL 1.
  static RstDecodeMR* create(RstRead* source, const RstMROption* option);

  RstDecodeMR(RstRead* source, const RstHeader& h, const RstMROption& option);
  bool initiate() override;
  int read(uint8_t* line) override;
  void reset() override;

 private:
  RstMROption option_;
  RstDecodeCCITT1DLineMR line1d_;
  RstDecodeCCITT2DLine line2d_;
  // The tag bit of the next line was taken by a failed RTC check (it was 1).
  bool tag_taken_ = false;
};

class RstDecodeMMR : public RstDecodeCCITT2D {
 public:
  // Null source: -2; data form not 3: -3; both "RstDecodeMMR::create()".
  // Without an option: end code 1.
  static RstDecodeMMR* create(RstRead* source, const RstMMROption* option);

  RstDecodeMMR(RstRead* source, const RstHeader& h, const RstMMROption& option);
  bool initiate() override;
  int read(uint8_t* line) override;

 private:
  RstMMROption option_;
  RstDecodeCCITT2DLine line_;
};
