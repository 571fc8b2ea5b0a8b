// The T.85 and T.43 push writers.
#include "raster/codecs/rst_push_write_jbig.h"

#include "raster/codecs/rst_jbig_encoder_stages.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"

namespace {

bool usable_target(OutputStorage* target) { return target && !target->is_closed(); }

// The T.43 inputs: 3-bit RGB, 3- or 4-bit CMYK, 8- or 24-bit ITU Lab, 8-bit
// gray or L*.
bool t43_input(const RstHeader& h) {
  const RstColorType* type = h.color_type;
  if (!type) return false;
  int32_t bits = h.bits_per_sample * h.samples_per_pixel;
  if (type->is_rgb()) return bits == 3;
  if (type->is_cmyk()) return bits == 3 || bits == 4;
  if (type == RstColorType::itu_lab()) return bits == 8 || bits == 24;
  if (type->is_gray()) return bits == 8;
  return false;
}

int32_t send(RstInstanceTolvane* stage, const RstWriteTolvaneHeader& record) {
  TolvaneHeaderRecord* r = record.record();
  if (!r) return RstCode::no_memory;  // reported by the record
  return stage->info(&r->info);
}

}  // namespace

RstPushWriteT85* RstPushWriteT85::create(OutputStorage* target, const RstHeader& header,
                                         const RstEncodeJBIGT85Option* option, bool bit_reverse) {
  const char* where = "RstPushWriteT85:create()";
  int32_t status = RstCode::good;
  if (!usable_target(target)) status = RstCode::bad_argument;
  else if (header.bits_per_sample * header.samples_per_pixel != 1 || header.data_form != RstDataForm::raw)
    status = RstCode::unsupported_form;
  if (status != RstCode::good) {
    rst_report(status, where);
    return nullptr;
  }
  RstEncodeJBIGT85Option o(128, 0, 0);
  if (option) {
    o.l0 = option->l0;
    o.mx = option->mx;
    o.options = option->options;
  }
  RstOwner<RstPushWriteT85> owner(rst_new<RstPushWriteT85>(target, header, o, bit_reverse));
  return rst_create_end(owner);
}

RstPushWriteT85::RstPushWriteT85(OutputStorage* target, const RstHeader& header, const RstEncodeJBIGT85Option& option,
                                 bool bit_reverse)
    : RstPushWriteTolvane(target, header, bit_reverse), option_(option), record_(header, 0) {}

void RstPushWriteT85::header(RstHeader& out) {
  out = stored_header();
  out.data_form = RstDataForm::jbig;
}

RstInstanceTolvane* RstPushWriteT85::create_stage() {
  BrenvoldStream* s = stream();
  if (!s) return nullptr;
  return rst_jbig_t85_encoder_create(s, option_.l0, option_.mx, option_.options);
}

int32_t RstPushWriteT85::send_header() { return send(stage(), record_); }

RstPushWriteT43* RstPushWriteT43::create(OutputStorage* target, const RstHeader& header,
                                         const RstEncodeJBIGT43Option* option, bool bit_reverse) {
  const char* where = "RstPushWriteT43::create()";
  int32_t status = RstCode::good;
  if (!usable_target(target)) status = RstCode::bad_argument;
  else if (!accepts(header)) status = RstCode::unsupported_form;
  if (status != RstCode::good) {
    rst_report(status, where);
    return nullptr;
  }
  RstEncodeJBIGT43Option o(128, 0, 200, 0);
  if (option) {
    o.l0 = option->l0;
    o.mx = option->mx;
    o.header_word = option->header_word;
    o.options = option->options;
  }
  RstOwner<RstPushWriteT43> owner(rst_new<RstPushWriteT43>(target, header, o, bit_reverse));
  return rst_create_end(owner);
}

bool RstPushWriteT43::accepts(const RstHeader& header) {
  return header.data_form == RstDataForm::raw && t43_input(header);
}

RstPushWriteT43::RstPushWriteT43(OutputStorage* target, const RstHeader& header, const RstEncodeJBIGT43Option& option,
                                 bool bit_reverse)
    : RstPushWriteTolvane(target, header, bit_reverse), option_(option), record_(header, option.header_word) {}

void RstPushWriteT43::header(RstHeader& out) {
  out = stored_header();
  out.data_form = RstDataForm::jbig_color;
}

RstInstanceTolvane* RstPushWriteT43::create_stage() {
  BrenvoldStream* s = stream();
  if (!s) return nullptr;
  return rst_jbig_t43_encoder_create(s, option_.l0, option_.mx, option_.options);
}

int32_t RstPushWriteT43::send_header() { return send(stage(), record_); }
