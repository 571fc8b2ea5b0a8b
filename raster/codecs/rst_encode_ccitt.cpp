// The CCITT encoder nodes and their factories.
#include "raster/codecs/rst_encode_ccitt.h"

#include "raster/codecs/rst_encode_rle.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

bool rst_ccitt_encoder_accepts(const RstHeader& h) {
  return h.bits_per_sample == 1 && h.samples_per_pixel == 1 && h.color_type && h.color_type->is_gray_reverse() &&
         (h.data_form == RstDataForm::raw || h.data_form == RstDataForm::rle) && h.width >= 0 && h.height >= 0;
}

template <class Line, int32_t Form>
void RstEncodeCCITTNode<Line, Form>::header(RstHeader& h) {
  RstProcess::header(h);
  h.sample_kind = RstSampleKind::unsigned_int;
  h.data_form = Form;
}

template <class Line, int32_t Form>
bool RstEncodeCCITTNode<Line, Form>::initiate() {
  // The run buffer also holds whatever the source says a line may take.
  Line::set_run_capacity(source()->line_size());
  return Line::init();
}

template <class Line, int32_t Form>
int RstEncodeCCITTNode<Line, Form>::skip(int n) {
  int skipped = source()->skip(n);
  return Line::skip(skipped);
}

template <class Line, int32_t Form>
void RstEncodeCCITTNode<Line, Form>::reset() {
  source()->reset();
  Line::reset();
}

template <class Line, int32_t Form>
int RstEncodeCCITTNode<Line, Form>::read_until_bytes(uint8_t* line) {
  // A line whose bits all stay pending (an MMR line of one V0 code) gives
  // no byte: the next line is coded at once, so 0 means the end.
  while (!Line::all_done()) {
    int32_t n = Line::encode_line(line);
    if (n > 0) return n;
  }
  // Lines skipped up to the height: close the page once.
  return Line::page_open() ? Line::finish(line) : 0;
}

namespace {

// The shared steps of the three factories: checks, the raw wrap, the node.
template <class Node, class Option>
Node* create_encoder(RstRead* source, const Option& option, const char* where) {
  RstCreateGuard guard(source);
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (!rst_ccitt_encoder_accepts(h)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  RstRead* input = source;
  RstRead* wrapper = nullptr;
  if (h.data_form == RstDataForm::raw) {
    wrapper = RstEncodeRLE::create(source);
    if (!wrapper) return nullptr;
    input = wrapper;
  }
  Node* made = nullptr;
  try {
    made = rst_new<Node>(input, h.width, h.height, option);
  } catch (...) {
    if (wrapper) wrapper->end();
    throw;
  }
  // Without the node nothing holds the wrapper; with it, ending the node
  // ends the wrapper too (the caller's source stays the caller's).
  if (!made && wrapper) wrapper->end();
  RstOwner<Node> owner(made);
  return rst_create_end(owner);
}

}  // namespace

RstEncodeMH* RstEncodeMH::create(RstRead* source, const RstCodingOption* option) {
  RstMHOption settled(1, 0, 1, 0, 0);
  if (auto* given = dynamic_cast<const RstMHOption*>(option)) settled = *given;
  return create_encoder<RstEncodeMH>(source, settled, "RstEncodeMH::create()");
}

RstEncodeMR* RstEncodeMR::create(RstRead* source, const RstCodingOption* option) {
  RstMROption settled(1, 0, 0, 0, 4);
  if (auto* given = dynamic_cast<const RstMROption*>(option)) settled = *given;
  return create_encoder<RstEncodeMR>(source, settled, "RstEncodeMR::create()");
}

RstEncodeMMR* RstEncodeMMR::create(RstRead* source, const RstCodingOption* option) {
  RstMMROption settled(1, 0);
  if (auto* given = dynamic_cast<const RstMMROption*>(option)) settled = *given;
  return create_encoder<RstEncodeMMR>(source, settled, "RstEncodeMMR::create()");
}

template class RstEncodeCCITTNode<RstEncodeMHLine, 1>;
template class RstEncodeCCITTNode<RstEncodeMRLine, 2>;
template class RstEncodeCCITTNode<RstEncodeMMRLine, 3>;
