// The JPEG writers.
#include "raster/codecs/rst_write_jpeg.h"

#include "raster/codecs/rst_jpeg_core_tables.h"
#include "raster/codecs/rst_jpeg_encoder.h"
#include "raster/core/rst_code_source.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_push_pull_write_bridge.h"
#include "raster/core/rst_status_context.h"

namespace {

const RstWriteJPEGOption& default_option() {
  static const RstWriteJPEGOption option(200, 200, 75, RstJPEGSampling::s444);
  return option;
}

}  // namespace

RstPushWriteJPEG::RstPushWriteJPEG(OutputStorage* storage, const RstHeader& header, const RstWriteJPEGOption& option,
                                   bool bit_reverse)
    : RstPushWriteTolvane(storage, header, bit_reverse), option_(option), record_(header, option) {}

RstPushWriteJPEG* RstPushWriteJPEG::create(OutputStorage* storage, const RstHeader& header,
                                           const RstWriteJPEGOption* option, bool bit_reverse) {
  const char* where = "RstPushWriteJPEG::create()";
  if (!storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (header.colormap || header.data_form != RstDataForm::raw || header.bits_per_sample != 8 ||
      (header.samples_per_pixel != 1 && header.samples_per_pixel != 3)) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  const RstWriteJPEGOption& used = option ? *option : default_option();
  // A code outside the four would leave the encoder's divisors undefined.
  if (!RstJPEGSampling::find(used.sampling)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (rst_jpeg_range_table_acquire() < 1) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  RstOwner<RstPushWriteJPEG> owner(rst_new<RstPushWriteJPEG>(storage, header, used, bit_reverse));
  return rst_create_end(owner);
}

void RstPushWriteJPEG::header(RstHeader& out) {
  RstPushWriteTolvane::header(out);
  out.data_form = RstDataForm::jpeg;
}

int32_t RstPushWriteJPEG::header_kind(const RstHeader& header, const RstWriteJPEGOption& option) {
  if (!option.header_flag) return JpegHeaderKind::none;
  const RstColorType* type = header.color_type;
  if (!type) return JpegHeaderKind::none;
  if (type->is_lab() || type->is_lstar()) return JpegHeaderKind::g3fax;
  if (type == RstColorType::s_gray() || type->is_ycbcr()) return JpegHeaderKind::jfif;
  return JpegHeaderKind::none;
}

RstInstanceTolvane* RstPushWriteJPEG::create_stage() {
  BrenvoldStream* s = stream();
  if (!s) return nullptr;
  return rst_jpeg_create_encoder(s, header_kind(stored_header(), option_), option_.down_sampling_mode);
}

int32_t RstPushWriteJPEG::send_header() {
  JpegEncoderParams* params = record_.record();
  if (!params) return RstCode::no_memory;
  return stage()->info(&params->image);
}

RstCodecKernel RstWriteJPEG::chroma_kernel(uint32_t sampling) {
  static const int32_t horizontal[3] = {1024, 2048, 1024};
  static const int32_t both[9] = {0, 682, 0, 682, 1365, 682, 0, 682, 0};
  RstCodecKernel k;
  if (sampling == RstJPEGSampling::s422 || sampling == RstJPEGSampling::s411) {
    k = {3, 1, 1, 0, horizontal};
  } else if (sampling == RstJPEGSampling::s420) {
    k = {3, 3, 1, 1, both};
  } else {
    k = {3, 1, 1, 0, nullptr};
  }
  return k;
}

namespace {

// The filter step of one chroma channel: the checks of the convolution
// filter's factory, then the filter. Null (reported) when it fails.
RstRead* filter_channel(RstRead* channel, const RstCodecKernel& kernel) {
  const char* where = "RstConvolutionFilter::create()";
  if (!channel || !kernel.weights) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(channel);
  if (h.colormap || h.bits_per_sample != 8) {
    rst_report(RstCode::unsupported_form, where);
    return nullptr;
  }
  if (h.samples_per_pixel != 1 && h.samples_per_pixel != 3 && h.samples_per_pixel != 4) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  return rst_codec_creators().convolution_filter(channel, kernel);
}

// The source with its chroma channels low-pass filtered: fan-out, three
// channel readers, two filters, merge. Null when a step fails; the nodes
// made so far are ended, the source stays the caller's.
RstRead* chroma_chain(RstRead* source, uint32_t sampling) {
  const RstCodecCreators& make = rst_codec_creators();
  RstHeader h(source);
  RstColorType* type = h.color_type;
  RstDivide* divide = RstDivide::create(source, 1, 0);
  if (!divide) return nullptr;
  RstRead* heads[3] = {nullptr, nullptr, nullptr};
  auto fail = [&]() -> RstRead* {
    bool any = false;
    for (RstRead*& head : heads)
      if (head) {
        any = true;
        head->end();
      }
    if (!any) divide->end();
    return nullptr;
  };
  for (int32_t i = 0; i < 3; ++i) {
    heads[i] = divide->create_reader();
    if (!heads[i]) return fail();
  }
  for (int32_t i = 0; i < 3; ++i) {
    RstRead* channel = make.select_channel(heads[i], i);
    if (!channel) return fail();
    heads[i] = channel;
  }
  RstCodecKernel kernel = RstWriteJPEG::chroma_kernel(sampling);
  for (int32_t i = 1; i < 3; ++i) {
    RstRead* filtered = filter_channel(heads[i], kernel);
    // A missing chroma channel would leave the merge nothing to interleave.
    if (!filtered) return fail();
    heads[i] = filtered;
  }
  RstRead* merged = make.merge_8bit_planes(heads[0], heads[1], heads[2], type);
  if (!merged) return fail();
  return merged;
}

}  // namespace

RstWrite* RstWriteJPEG::create(RstRead* source, OutputStorage* storage, const RstWriteJPEGOption* option,
                               bool bit_reverse) {
  const char* where = "RstWriteJPEG::create()";
  if (!source || !storage || storage->is_closed()) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  if (dynamic_cast<RstCodeSource*>(source)) {
    rst_report(RstCode::unsupported_operation, where);
    return nullptr;
  }
  RstCreateGuard guard(source);
  const RstWriteJPEGOption& used = option ? *option : default_option();
  if (!RstJPEGSampling::find(used.sampling)) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstRead* input = source;
  if (used.down_sampling_mode == 2 && used.sampling != RstJPEGSampling::s444) {
    const RstCodecCreators& make = rst_codec_creators();
    // Unfiltered chroma in place of filtered would be other output than asked.
    if (!make.select_channel || !make.convolution_filter || !make.merge_8bit_planes) {
      rst_report(RstCode::unsupported_option, where);
      return nullptr;
    }
    input = chroma_chain(source, used.sampling);
    if (!input) return nullptr;
  }
  auto drop_chain = [&] {
    if (input != source) input->end();
  };
  RstHeader h(input);
  RstPushWriteJPEG* push = RstPushWriteJPEG::create(storage, h, &used, bit_reverse);
  if (!push) {
    drop_chain();
    return nullptr;
  }
  RstPushPullWriteBridge* bridge = RstPushPullWriteBridge::create(input, push, storage);
  if (!bridge) {
    push->end();
    drop_chain();
    return nullptr;
  }
  return rst_create_end(bridge, guard);
}
