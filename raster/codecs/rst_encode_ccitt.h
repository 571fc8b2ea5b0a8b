// The CCITT encoder nodes: RstEncodeMH (T.4 one-dimensional, data form 1),
// RstEncodeMR (T.4 two-dimensional, data form 2) and RstEncodeMMR (T.6, data
// form 3). Each wraps its line coder, feeds it the source's run lines (a raw
// 1-bit source is turned into run lines first) and hands out its code bytes.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_ccitt_line_encoders.h"
#include "raster/codecs/rst_coding_option.h"
#include "raster/core/rst_process.h"

// The input test of the encoders: 1 bit, 1 sample, reversed gray (0 white),
// raw or run lines.
bool rst_ccitt_encoder_accepts(const RstHeader& h);

// A node over line coder Line with data form Form.
template <class Line, int32_t Form>
class RstEncodeCCITTNode : public RstProcess, public Line {
 public:
  template <class Option>
  RstEncodeCCITTNode(RstRead* source, int32_t width, int32_t height, const Option& option)
      : RstProcess(source), Line(width, height, option) {}

  void header(RstHeader& h) override;
  bool initiate() override;
  int skip(int n) override;
  void reset() override;
  int line_size() override { return Line::bound(); }
  int32_t read_line(uint8_t* runs) override { return source()->read(runs); }

 protected:
  // Codes lines until a byte comes out or the page is done.
  int read_until_bytes(uint8_t* line);
};

class RstEncodeMH : public RstEncodeCCITTNode<RstEncodeMHLine, 1> {
 public:
  // Null source: -2; input the coder does not take: -3; both
  // "RstEncodeMH::create()". Without an option (or with an option of
  // another class): end code, EOL, no alignment.
  static RstEncodeMH* create(RstRead* source, const RstCodingOption* option);
  using RstEncodeCCITTNode::RstEncodeCCITTNode;
  int read(uint8_t* line) override { return read_until_bytes(line); }
};

class RstEncodeMR : public RstEncodeCCITTNode<RstEncodeMRLine, 2> {
 public:
  // As RstEncodeMH, "RstEncodeMR::create()"; default K 4.
  static RstEncodeMR* create(RstRead* source, const RstCodingOption* option);
  using RstEncodeCCITTNode::RstEncodeCCITTNode;
  // Every MR line begins with EOL and tag bit: each line gives bytes.
  int read(uint8_t* line) override {
    if (all_done()) return page_open() ? finish(line) : 0;
    return encode_line(line);
  }
};

class RstEncodeMMR : public RstEncodeCCITTNode<RstEncodeMMRLine, 3> {
 public:
  // As RstEncodeMH, "RstEncodeMMR::create()"; default: EOFB at the end.
  static RstEncodeMMR* create(RstRead* source, const RstCodingOption* option);
  using RstEncodeCCITTNode::RstEncodeCCITTNode;
  int read(uint8_t* line) override { return read_until_bytes(line); }
};
