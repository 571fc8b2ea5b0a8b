// The data of a stream object and the table of filters.
#include "raster/mrc/pdf/pdf_stream_data.h"

#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_filters.h"
#include "raster/mrc/pdf/pdf_state.h"

namespace {

// "DecodeParms" as a dictionary list, its first element when it is an array;
// null when absent or null. Where the filter needs a dictionary and gets
// another kind, `kind_out` tells.
const PdfValue* decode_parms(const PdfList* dictionary) {
  const PdfValue* v = pdf_dict_get(dictionary, "DecodeParms");
  if (v && v->kind == PdfKind::array) v = pdf_array_get(v->value.list, 0);
  if (v && v->kind == PdfKind::null) v = nullptr;
  return v;
}

// Width and Height of image data must be present (7) and integers (2).
void require_integer(const PdfList* dictionary, const char* key) {
  const PdfValue* v = pdf_dict_get(dictionary, key);
  if (!v) pdf_raise(PdfError::missing);
  if (v->kind != PdfKind::integer) pdf_raise(PdfError::type);
}

// A predictor stage over the decoder when there are decode parameters.
void install_predictor(PdfStream* s, const PdfValue* parms) {
  if (!parms) return;
  if (parms->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
  pdf_install_predictor(s, parms->value.list);
}

void install_named(PdfStream* s, const PdfValue* name, const PdfList* dictionary) {
  PdfParserState& st = pdf_state();
  if (pdf_is_name(name, "ASCIIHexDecode")) {
    pdf_install_hex(s);
  } else if (pdf_is_name(name, "ASCII85Decode")) {
    pdf_install_base85(s);
  } else if (pdf_is_name(name, "RunLengthDecode")) {
    pdf_install_run_length(s);
  } else if (pdf_is_name(name, "FlateDecode")) {
    const PdfValue* parms = decode_parms(dictionary);
    if (parms && parms->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
    pdf_install_flate(s);
    install_predictor(s, parms);
  } else if (pdf_is_name(name, "LZWDecode")) {
    const PdfValue* parms = decode_parms(dictionary);
    if (parms && parms->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
    pdf_install_lzw(s);
    install_predictor(s, parms);
  } else if (pdf_is_name(name, "DCTDecode")) {
    require_integer(dictionary, "Width");
    st.compression_kind = PdfCompression::dct;
  } else if (pdf_is_name(name, "CCITTFaxDecode")) {
    require_integer(dictionary, "Width");
    require_integer(dictionary, "Height");
    const PdfValue* parms = decode_parms(dictionary);
    const PdfValue* k = parms && parms->kind == PdfKind::dictionary ? pdf_dict_get(parms->value.list, "K") : nullptr;
    int32_t kv = k && k->kind == PdfKind::integer ? k->value.integer : 0;
    if (kv > 0) pdf_raise(PdfError::unsupported);
    st.compression_kind = kv < 0 ? PdfCompression::ccitt_2d : PdfCompression::ccitt_1d;
  } else if (pdf_is_name(name, "JBIG2Decode") || pdf_is_name(name, "JPXDecode")) {
    require_integer(dictionary, "Width");
    require_integer(dictionary, "Height");
    pdf_raise(PdfError::unsupported);
  }
  // Any other name: the data is read as stored.
}

}  // namespace

void pdf_install_filter(PdfStream* s, const PdfList* dictionary) {
  const PdfValue* filter = pdf_dict_get(dictionary, "Filter");
  if (!filter) return;
  if (filter->kind == PdfKind::name) {
    install_named(s, filter, dictionary);
  } else if (filter->kind == PdfKind::array) {
    if (pdf_list_count(filter->value.list) != 1) pdf_raise(PdfError::unsupported);
    const PdfValue* only = pdf_array_get(filter->value.list, 0);
    if (only && only->kind == PdfKind::name) install_named(s, only, dictionary);
  } else {
    pdf_raise(PdfError::unsupported);
  }
}

PdfStream* pdf_open_stream_data(PdfStream* file, const PdfList* dictionary) {
  // The data starts after the first end of line: LF, CR LF or a lone CR.
  for (;;) {
    int32_t c = pdf_stream_get(file);
    if (c < 0 || c == '\n') break;
    if (c == '\r') {
      int32_t next = pdf_stream_get(file);
      if (next >= 0 && next != '\n') pdf_stream_give_back(file, next);
      break;
    }
  }
  int64_t start = pdf_stream_tell(file) - (file->has_pushed ? 1 : 0);
  const PdfValue* length = pdf_dict_get(dictionary, "Length");
  if (!length) pdf_raise(PdfError::missing);
  if (length->kind != PdfKind::integer) pdf_raise(PdfError::type);
  if (length->value.integer < 0) pdf_raise(PdfError::range);
  PdfStream* data = pdf_stream_new(start, length->value.integer);
  pdf_install_filter(data, dictionary);
  return data;
}
