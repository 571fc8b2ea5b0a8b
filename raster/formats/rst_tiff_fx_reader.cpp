// The TIFF-FX tag switch, Decode pairs and the global parameters IFD.
#include "raster/formats/rst_tiff_fx_reader.h"

#include <type_traits>

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_status_context.h"

namespace {

using T = RstTIFFTypes;
constexpr uint32_t B = T::bit_byte, A = T::bit_ascii, S = T::bit_short, L = T::bit_long, R = T::bit_rational,
                   U = T::bit_undefined, SR = T::bit_srational, IFD = T::bit_ifd;

}  // namespace

bool RstTIFFGlobalParameteresReader::read_tag(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  RstTIFFGlobalParameters& g = *target_;
  switch (e.tag) {
    case 401:
      check_tag_type(L, S, e);
      g.profile_type = e.value();
      return true;
    case 402:
      check_tag_type(B, A | S | L | U, e);
      g.fax_profile = e.value();
      return true;
    case 403:
      check_tag_type(L, S, e);
      g.coding_methods = e.value();
      return true;
    case 404:
      check_tag_type(B, A | S | L | U, e);
      e.read_bytes(in, g.version_year);
      return true;
    case 405:
      check_tag_type(B, A | S | L | U, e);
      g.mode_number = int32_t(e.value());
      return true;
    default: return false;
  }
}

RstReadTIFFGlobalParameters::RstReadTIFFGlobalParameters(InputStorage* input, uint32_t byte_order) {
  if (input) read_status = RstReadTIFFTagsBase::read(input, byte_order, uint32_t(input->tell()), 2) != 0 ? 1 : 0;
}

RstTIFFIFDReader* RstReadTIFFGlobalParameters::reader() {
  if (!reader_) {
    reader_.reset(rst_new<RstTIFFGlobalParameteresReader>(static_cast<RstTIFFGlobalParameters*>(this), &ifd));
    if (!reader_) rst_report(RstCode::no_memory, "RstReadTIFFGlobalParameters::reader()");
  }
  return reader_.get();
}

RstTIFFGlobalParameteresReader* RstTIFFFXIFDReader::globalparam_reader() {
  if (globalparam_reader_) return globalparam_reader_.get();
  if (!fx_header_->global_parameters) {
    fx_header_->global_parameters.reset(rst_new<RstTIFFGlobalParameters>());
    if (!fx_header_->global_parameters) {
      rst_report(RstCode::no_memory, "RstTIFFFXIFDReader::globalparam_reader");
      return nullptr;
    }
  }
  globalparam_reader_.reset(rst_new<RstTIFFGlobalParameteresReader>(fx_header_->global_parameters.get(), ifd_));
  if (!globalparam_reader_) rst_report(RstCode::no_memory, "RstTIFFFXIFDReader::globalparam_reader()");
  return globalparam_reader_.get();
}

void RstTIFFFXIFDReader::read_decode_values(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  static const char* const where = "RstReadTIFFHeader::read_decode_values()";
  std::vector<RstDecodePair>& decode = fx_header_->decode;
  size_t pairs = e.count / 2;
  // Pairs that would lie past the end of the data are refused before the
  // array is sized from the count.
  if (pairs != 0 && !rst_tiff_fits(in, e.value_word, uint64_t(pairs) * 16)) {
    decode.clear();
    rst_report(13, where);
    return;
  }
  if (!rst_resize(decode, pairs, RstDecodePair{}) || decode.size() != pairs) {
    rst_report(RstCode::no_memory, where);
    return;
  }
  if (pairs == 0 || !rst_tiff_seek(in, e.value_word)) return;
  auto read_one = [&](RstSRational& out) {
    uint32_t n = 0, d = 0;
    if (!in.read_value(&n, 4) || !in.read_value(&d, 4)) return false;
    out = {int32_t(n), int32_t(d)};
    return true;
  };
  for (RstDecodePair& pair : decode)
    if (!read_one(pair.minimum) || !read_one(pair.maximum)) return;
}

bool RstTIFFFXIFDReader::read_tag(const RstReadTIFFIFDEntry& e, RstTIFFDataInput& in) {
  if (RstTIFF6IFDReader::read_tag(e, in)) return true;
  RstTIFFFXHeader& h = *fx_header_;
  if (h.global_parameters_ifd != 0) {
    RstTIFFGlobalParameteresReader* g = globalparam_reader();
    if (g && g->read_tag(e, in)) return true;
  }
  auto value = [&](uint32_t expected, uint32_t tolerated, auto& field) {
    check_tag_type(expected, tolerated, e);
    field = static_cast<std::remove_reference_t<decltype(field)>>(e.value());
    return true;
  };
  switch (e.tag) {
    case 326: return value(S | L, 0, h.bad_fax_lines);
    case 327: return value(S, L, h.clean_fax_data);
    case 328: return value(S | L, 0, h.consecutive_bad_fax_lines);
    case 346: return value(S, L, h.indexed);
    case 400: return value(L | IFD, S, h.global_parameters_ifd);
    case 433:
      check_tag_type(SR, R, e);
      read_decode_values(e, in);
      return true;
    case 434:
      check_tag_type(S, L, e);
      e.read_u16s(in, h.default_image_color);
      return true;
    case 559:
      check_tag_type(L, S, e);
      e.read_u32s(in, h.strip_row_counts);
      return true;
    case 34732:
      check_tag_type(S | L, 0, e);
      e.read_u32s(in, h.image_layer);
      return true;
    default: return false;
  }
}

bool RstTIFFFXIFDReader::read(RstTIFFDataInput& input, int32_t level) {
  bool result = RstTIFFIFDReader::read(input, level);
  if (!result || fx_header_->global_parameters_ifd == 0) return result;
  return read_global_parameters(input);
}

bool RstTIFFFXIFDReader::read_global_parameters(RstTIFFDataInput& input) {
  RstTIFFFXHeader& h = *fx_header_;
  // A global parameters IFD outside the data is not followed; the page keeps
  // no global parameters and its reader notes the refusal.
  if (!rst_tiff_ifd_offset_usable(input, h.global_parameters_ifd) || !rst_tiff_seek(input, h.global_parameters_ifd)) {
    refused_offset_ = true;
    h.global_parameters.reset();
    return true;
  }
  RstReadTIFFGlobalParameters* record = rst_new<RstReadTIFFGlobalParameters>(&input, h.byte_order);
  if (!record) {
    h.status = -1;
    return false;
  }
  if (record->read_status < 1) {
    delete record;
    record = nullptr;
  }
  h.global_parameters.reset(record);
  return true;
}
