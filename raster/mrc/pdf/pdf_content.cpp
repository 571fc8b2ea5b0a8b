// The content interpreter: graphics-state stack, colour spaces, the operator
// table, image XObjects and the page-object list.
#include "raster/mrc/pdf/pdf_content.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "raster/mrc/pdf/pdf_arena.h"
#include "raster/mrc/pdf/pdf_error.h"
#include "raster/mrc/pdf/pdf_file_window.h"
#include "raster/mrc/pdf/pdf_parser.h"
#include "raster/mrc/pdf/pdf_stack.h"
#include "raster/mrc/pdf/pdf_stream_data.h"

namespace {

// Integers from reals that may lie outside the 32-bit range or be no number:
// truncated towards zero, saturated, 0 for a NaN.
int32_t saturate(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return int32_t(v);
}

// trunc(v) keeping its low 8 bits, as a byte outside 0 to 255 does.
uint8_t low_byte(double v) { return uint8_t(uint32_t(saturate(v)) & 0xFFu); }
uint8_t color_byte(double v) { return low_byte(v * 255.0 + 0.5); }

void refuse() { pdf_raise(PdfError::unsupported); }

PdfValue* pop_value() { return static_cast<PdfValue*>(pdf_operand_pop()); }

float pop_number() {
  const PdfValue* v = pop_value();
  if (v->kind == PdfKind::integer) return float(v->value.integer);
  if (v->kind != PdfKind::real) pdf_raise(PdfError::type);
  return v->value.real;
}

int32_t pop_integer() {
  const PdfValue* v = pop_value();
  if (v->kind != PdfKind::integer) pdf_raise(PdfError::type);
  return v->value.integer;
}

PdfValue* pop_kind(int32_t kind) {
  PdfValue* v = pop_value();
  if (v->kind != kind) pdf_raise(PdfError::type);
  return v;
}

void pop_numbers(int32_t n) {
  for (int32_t i = 0; i < n; ++i) pop_number();
}

float clamp01(float v) { return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f); }

void set_fill(uint8_t r, uint8_t g, uint8_t b) {
  PdfGraphicsState* gs = pdf_gstate();
  gs->fill[0] = r;
  gs->fill[1] = g;
  gs->fill[2] = b;
}

// The colour conversion of sc, SC, scn and SCN by the number of values;
// the fill colour is set only when asked.
void color_by_count(const float* v, int32_t n, bool set) {
  PdfGraphicsState* gs = pdf_gstate();
  if (n == 1) {
    if (gs->color_space != PdfColorSpace::gray && gs->color_space != PdfColorSpace::cal_gray) {
      gs->color_space = PdfColorSpace::gray;
    }
    uint8_t g = color_byte(v[0]);
    if (set) set_fill(g, g, g);
  } else if (n == 3) {
    if (gs->color_space == PdfColorSpace::lab) {
      if (set) set_fill(low_byte(double(v[0]) * 2.55), low_byte(double(v[1]) + 128.0), low_byte(double(v[2]) + 128.0));
      return;
    }
    if (gs->color_space != PdfColorSpace::rgb && gs->color_space != PdfColorSpace::cal_rgb) {
      gs->color_space = PdfColorSpace::rgb;
    }
    if (set) set_fill(color_byte(v[0]), color_byte(v[1]), color_byte(v[2]));
  } else {
    pdf_raise(gs->color_space == PdfColorSpace::cmyk ? PdfError::unsupported : PdfError::syntax);
  }
}

// Pops every operand as numbers into a place for four; more raise 1.
int32_t pop_color_values(float v[4]) {
  int64_t n = pdf_operand_count();
  if (n > 4) pdf_raise(PdfError::syntax);
  for (int64_t i = n - 1; i >= 0; --i) v[i] = pop_number();
  return int32_t(n);
}

// scn and SCN: a name on top is a pattern, refused.
bool pop_pattern_or_values(float v[4], int32_t* n) {
  const PdfValue* top = static_cast<const PdfValue*>(pdf_stack_top(&pdf_state().operand_stack));
  if (pdf_operand_count() > 0 && top && top->kind == PdfKind::name) {
    while (pdf_operand_count() > 0) pop_value();
    refuse();
    return true;
  }
  *n = pop_color_values(v);
  return false;
}

// ---- Colour spaces ----

const PdfList* resources_list() {
  const auto* r = static_cast<const PdfValue*>(pdf_resource_top());
  return r && r->kind == PdfKind::dictionary ? r->value.list : nullptr;
}

// Exactly n numbers of an array value; false otherwise.
bool numbers(const PdfValue* v, int32_t n, float* out) {
  if (!v || v->kind != PdfKind::array || pdf_list_count(v->value.list) != n) return false;
  return pdf_numbers_to_reals(v->value.list, n, out) == 0;
}

// The dictionary of a two-element calibrated space array (else 1).
const PdfList* space_dictionary(const PdfList* array, bool stream_allowed) {
  if (pdf_list_count(array) != 2) pdf_raise(PdfError::syntax);
  const PdfValue* d = pdf_array_get(array, 1);
  if (!d || !(d->kind == PdfKind::dictionary || (stream_allowed && d->kind == PdfKind::stream)))
    pdf_raise(PdfError::syntax);
  return d->value.list;
}

void calibrated_points(const PdfList* d, float white[3], bool* black_zero) {
  const PdfValue* w = pdf_dict_get(d, "WhitePoint");
  if (!w) pdf_raise(PdfError::missing);
  if (!numbers(w, 3, white)) pdf_raise(PdfError::syntax);
  *black_zero = true;
  if (const PdfValue* b = pdf_dict_get(d, "BlackPoint")) {
    float black[3];
    if (!numbers(b, 3, black)) pdf_raise(PdfError::syntax);
    *black_zero = black[0] == 0.0f && black[1] == 0.0f && black[2] == 0.0f;
  }
}

bool d65_white(const float w[3]) { return w[0] == 0.9505f && w[1] == 1.0f && w[2] == 1.089f; }

bool srgb_gamma(float g) {
  const double target = double(2.222f);
  return double(g) >= target - 0.005 && double(g) < target + 0.005;
}

void select_cal_gray(const PdfList* array) {
  const PdfList* d = space_dictionary(array, false);
  float white[3];
  bool black_zero;
  calibrated_points(d, white, &black_zero);
  const PdfValue* g = pdf_dict_get(d, "Gamma");
  float gamma = 0;
  if (g) {
    if (g->kind == PdfKind::integer) {
      gamma = float(g->value.integer);
    } else if (g->kind == PdfKind::real) {
      gamma = g->value.real;
    } else {
      pdf_raise(PdfError::syntax);
    }
  }
  if (!g || !d65_white(white) || !black_zero || !srgb_gamma(gamma)) {
    refuse();
    return;
  }
  pdf_gstate()->color_space = PdfColorSpace::cal_gray;
}

void select_cal_rgb(const PdfList* array) {
  const PdfList* d = space_dictionary(array, false);
  float white[3];
  bool black_zero;
  calibrated_points(d, white, &black_zero);
  bool accepted = d65_white(white) && black_zero;
  const PdfValue* g = pdf_dict_get(d, "Gamma");
  float gamma[3];
  if (g) {
    if (!numbers(g, 3, gamma)) pdf_raise(PdfError::syntax);
    accepted = accepted && srgb_gamma(gamma[0]) && srgb_gamma(gamma[1]) && srgb_gamma(gamma[2]);
  } else {
    accepted = false;
  }
  const PdfValue* m = pdf_dict_get(d, "Matrix");
  if (m) {
    static const double kSrgb[9] = {0.4124, 0.2126, 0.0193, 0.3576, 0.71519, 0.1192, 0.1805, 0.0722, 0.9505};
    float matrix[9];
    if (!numbers(m, 9, matrix)) pdf_raise(PdfError::syntax);
    for (int i = 0; i < 9; ++i) accepted = accepted && std::fabs(double(matrix[i]) - kSrgb[i]) <= 0.00005;
  } else {
    accepted = false;
  }
  if (!accepted) {
    refuse();
    return;
  }
  pdf_gstate()->color_space = PdfColorSpace::cal_rgb;
}

void select_lab(const PdfList* array) {
  const PdfList* d = space_dictionary(array, false);
  float white[3];
  bool black_zero;
  calibrated_points(d, white, &black_zero);
  if (const PdfValue* r = pdf_dict_get(d, "Range")) {
    float range[4];
    if (!numbers(r, 4, range)) pdf_raise(PdfError::syntax);
  }
  pdf_gstate()->color_space = PdfColorSpace::lab;
}

void select_icc(const PdfList* array) {
  if (pdf_list_count(array) != 2) pdf_raise(PdfError::syntax);
  PdfValue* profile = pdf_array_get(array, 1);
  if (!profile || !(profile->kind == PdfKind::dictionary || profile->kind == PdfKind::stream)) {
    pdf_raise(PdfError::syntax);
  }
  struct Closer {
    PdfValue* v;
    ~Closer() {
      if (v->kind == PdfKind::stream && v->stream) pdf_stream_close(v->stream);
    }
  } closer{profile};
  const PdfList* d = profile->value.list;
  const PdfValue* n = pdf_dict_get(d, "N");
  if (!n) pdf_raise(PdfError::syntax);
  if (PdfValue* alternate = pdf_dict_get(d, "Alternate")) {
    if (pdf_select_color_space(alternate, PdfColorSpace::alternates) == 0) return;
  }
  int32_t components = n->kind == PdfKind::integer ? n->value.integer : -1;
  if (components == 1) {
    pdf_gstate()->color_space = PdfColorSpace::gray;
  } else if (components == 3) {
    pdf_gstate()->color_space = PdfColorSpace::rgb;
  } else if (components == 4) {
    refuse();
  } else {
    pdf_raise(PdfError::syntax);
  }
}

int32_t select_array(const PdfList* array, int32_t allowed) {
  const PdfValue* first = pdf_array_get(array, 0);
  if (!first || first->kind != PdfKind::name) pdf_raise(PdfError::type);
  int32_t code = pdf_color_space_code(first->value.bytes);
  if ((code & allowed) == 0) return -1;
  switch (code) {
    case PdfColorSpace::gray:
    case PdfColorSpace::rgb: pdf_gstate()->color_space = code; break;
    case PdfColorSpace::cal_gray: select_cal_gray(array); break;
    case PdfColorSpace::cal_rgb: select_cal_rgb(array); break;
    case PdfColorSpace::lab: select_lab(array); break;
    case PdfColorSpace::icc: select_icc(array); break;
    default: refuse(); break;
  }
  return 0;
}

// ---- Images ----

const PdfValue* present(const PdfList* d, const char* key) {
  const PdfValue* v = pdf_dict_get(d, key);
  return v && v->kind != PdfKind::null ? v : nullptr;
}

int32_t required_integer(const PdfList* d, const char* key) {
  const PdfValue* v = pdf_dict_get(d, key);
  if (!v) pdf_raise(PdfError::missing);
  if (v->kind != PdfKind::integer) pdf_raise(PdfError::type);
  return v->value.integer;
}

// "BlackIs1 true" in the decode parameters of CCITT data.
bool black_is_1(const PdfList* d) {
  const PdfValue* p = present(d, "DecodeParms");
  if (p && p->kind == PdfKind::array) p = pdf_array_get(p->value.list, 0);
  if (!p || p->kind != PdfKind::dictionary) return false;
  const PdfValue* b = pdf_dict_get(p->value.list, "BlackIs1");
  return b && b->kind == PdfKind::boolean && b->value.integer;
}

void record_image(PdfValue* xobject, int32_t compression_kind) {
  const PdfList* d = xobject->value.list;
  int32_t width = required_integer(d, "Width");
  int32_t height = required_integer(d, "Height");
  int32_t bits = required_integer(d, "BitsPerComponent");
  if (bits != 1 && bits != 8) {
    refuse();
    return;
  }
  // An empty image has nothing to place.
  if (width < 1 || height < 1) pdf_raise(PdfError::range);
  const PdfValue* image_mask = present(d, "ImageMask");
  bool is_mask = image_mask && image_mask->kind == PdfKind::boolean && image_mask->value.integer;
  PdfValue* space = const_cast<PdfValue*>(present(d, "ColorSpace"));
  const PdfValue* mask = present(d, "Mask");
  const PdfValue* soft_mask = present(d, "SMask");
  const PdfValue* decode = present(d, "Decode");
  if (!is_mask) {
    if (!space) pdf_raise(PdfError::missing);
    if (pdf_select_color_space(space, PdfColorSpace::selectable) != 0) pdf_raise(PdfError::syntax);
  } else if (bits != 1 || space || mask) {
    pdf_raise(PdfError::type);
  }
  bool inverted = false;
  if (decode && (is_mask || bits == 1)) {
    float range[2];
    if (!numbers(decode, 2, range)) pdf_raise(PdfError::type);
    if (range[0] == 1.0f && range[1] == 0.0f) {
      inverted = true;
    } else if (!(range[0] == 0.0f && range[1] == 1.0f)) {
      pdf_raise(PdfError::type);
    }
  }
  if (!pdf_take_image_data(xobject, compression_kind)) {
    refuse();
    return;
  }
  const bool ccitt = compression_kind == PdfCompression::ccitt_1d || compression_kind == PdfCompression::ccitt_2d;
  // CCITT data delivers 1 for black, which is sample 0 unless BlackIs1.
  const bool flipped = ccitt && black_is_1(d);
  if (is_mask) {
    // Sample 0 paints unless Decode is [1 0]; word 10 = 1 asks the canvas to
    // paint where the delivered bit is clear.
    bool paint_clear = ccitt ? (inverted != flipped) : !inverted;
    pdf_page_list_add(PdfObjectKind::mask, width, height, paint_clear ? 1u : 0u);
    return;
  }
  if (pdf_gstate()->color_space == PdfColorSpace::gray && bits == 1 && !mask && !soft_mask) {
    pdf_page_list_add(inverted != flipped ? PdfObjectKind::bilevel_inverted : PdfObjectKind::bilevel, width, height, 0);
    return;
  }
  if (mask) return;  // colour key or stencil: the image is passed over
  if (soft_mask) {
    refuse();
    return;
  }
  pdf_page_list_add(PdfObjectKind::image, width, height, 0);
}

void paint_xobject(const PdfValue* name) {
  PdfParserState& st = pdf_state();
  const PdfList* resources = resources_list();
  const PdfValue* xobjects = resources ? pdf_dict_get(resources, "XObject") : nullptr;
  if (!xobjects) pdf_raise(PdfError::missing);
  if (xobjects->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
  // The compression kind is the one the XObject's own data sets.
  st.compression_kind = PdfCompression::raw;
  PdfValue* x = pdf_dict_get(xobjects->value.list, name->value.bytes);
  const int32_t compression_kind = st.compression_kind;
  if (!x) pdf_raise(PdfError::missing);
  if (x->kind != PdfKind::stream || !x->stream) pdf_raise(PdfError::type);
  struct Closer {
    PdfValue* v;
    ~Closer() { pdf_stream_close(v->stream); }
  } closer{x};
  const PdfList* d = x->value.list;
  if (const PdfValue* type = pdf_dict_get(d, "Type")) {
    if (!pdf_is_name(type, "XObject")) pdf_raise(PdfError::type);
  }
  const PdfValue* subtype = pdf_dict_get(d, "Subtype");
  if (!subtype) pdf_raise(PdfError::missing);
  if (subtype->kind != PdfKind::name) pdf_raise(PdfError::type);
  if (pdf_is_name(subtype, "Image")) {
    record_image(x, compression_kind);
  } else if (pdf_is_name(subtype, "Form")) {
    refuse();
  }
}

// ---- Operators ----

void op_refuse() { refuse(); }
void op_nothing() {}

void op_bdc() {
  const PdfValue* p = pop_value();
  if (p->kind != PdfKind::dictionary && p->kind != PdfKind::name) pdf_raise(PdfError::type);
  pop_kind(PdfKind::name);
}
void op_name() { pop_kind(PdfKind::name); }
void op_name_refused() {
  pop_kind(PdfKind::name);
  refuse();
}
void op_bt() { pdf_state().in_text_object = 1; }
void op_et() { pdf_state().in_text_object = 0; }
void op_bx() { pdf_state().in_compatibility = 1; }
void op_ex() { pdf_state().in_compatibility = 0; }
void op_six_refused() {
  pop_numbers(6);
  refuse();
}
void op_six() { pop_numbers(6); }
void op_four_refused() {
  pop_numbers(4);
  refuse();
}
void op_two_refused() {
  pop_numbers(2);
  refuse();
}
void op_one_refused() {
  pop_number();
  refuse();
}
void op_integer_refused() {
  pop_integer();
  refuse();
}

void op_cm() {
  float m[6];
  for (int i = 5; i >= 0; --i) m[i] = pop_number();
  pdf_concat(m);
}

void op_cs() {
  PdfValue* v = pop_value();
  if (v->kind != PdfKind::name && v->kind != PdfKind::array) pdf_raise(PdfError::type);
  pdf_select_color_space(v, PdfColorSpace::selectable);
}

void op_d() {
  pop_number();
  pop_kind(PdfKind::array);
  refuse();
}

void op_do() { paint_xobject(pop_kind(PdfKind::name)); }

void op_dp() {
  pop_kind(PdfKind::dictionary);
  pop_kind(PdfKind::name);
}

void op_g() {
  float v = clamp01(pop_number());
  pdf_gstate()->color_space = PdfColorSpace::gray;
  uint8_t g = color_byte(v);
  set_fill(g, g, g);
}

void op_G() {
  clamp01(pop_number());
  pdf_gstate()->color_space = PdfColorSpace::gray;
  refuse();
}

void op_i() {
  pop_number();
  refuse();
}

void op_j() {
  pop_integer();
  refuse();
}

void op_k() {
  pop_numbers(4);
  refuse();
}

void op_q() { pdf_gsave(); }
void op_Q() { pdf_grestore(); }

void op_rg() {
  float b = clamp01(pop_number()), g = clamp01(pop_number()), r = clamp01(pop_number());
  pdf_gstate()->color_space = PdfColorSpace::rgb;
  set_fill(color_byte(r), color_byte(g), color_byte(b));
}

void op_RG() {
  pop_numbers(3);
  pdf_gstate()->color_space = PdfColorSpace::rgb;
  refuse();
}

void op_sc() {
  float v[4];
  int32_t n = pop_color_values(v);
  color_by_count(v, n, true);
}

void op_SC() {
  float v[4];
  int32_t n = pop_color_values(v);
  color_by_count(v, n, true);
  refuse();
}

void op_scn() {
  float v[4];
  int32_t n = 0;
  if (pop_pattern_or_values(v, &n)) return;
  color_by_count(v, n, true);
}

void op_SCN() {
  float v[4];
  int32_t n = 0;
  if (pop_pattern_or_values(v, &n)) return;
  color_by_count(v, n, false);
}

void op_tf() {
  pop_number();
  pop_kind(PdfKind::name);
  refuse();
}

void op_string_refused() {
  pop_kind(PdfKind::string);
  refuse();
}

void op_quote2() {
  pop_kind(PdfKind::string);
  pop_numbers(2);
  refuse();
}

void op_tj_array() {
  pop_kind(PdfKind::array);
  refuse();
}

const PdfOperatorEntry kOperators[] = {
    {"b", op_refuse},
    {"b*", op_refuse},
    {"s", op_refuse},
    {"B", op_refuse},
    {"B*", op_refuse},
    {"BDC", op_bdc},
    {"BI", op_refuse},
    {"BMC", op_name},
    {"BT", op_bt},
    {"BX", op_bx},
    {"c", op_six_refused},
    {"cm", op_cm},
    {"cs", op_cs},
    {"CS", op_cs},
    {"d", op_d},
    {"d0", op_two_refused},
    {"d1", op_six_refused},
    {"Do", op_do},
    {"DP", op_dp},
    {"EI", op_nothing},
    {"EMC", op_nothing},
    {"ID", op_nothing},
    {"ET", op_et},
    {"EX", op_ex},
    {"f", op_refuse},
    {"F", op_refuse},
    {"f*", op_refuse},
    {"h", op_refuse},
    {"n", op_refuse},
    {"S", op_refuse},
    {"W", op_refuse},
    {"W*", op_refuse},
    {"T*", op_refuse},
    {"g", op_g},
    {"G", op_G},
    {"gs", op_name_refused},
    {"ri", op_name_refused},
    {"sh", op_name_refused},
    {"i", op_i},
    {"j", op_j},
    {"J", op_j},
    {"k", op_k},
    {"K", op_k},
    {"l", op_two_refused},
    {"m", op_two_refused},
    {"M", op_one_refused},
    {"w", op_one_refused},
    {"MP", op_name},
    {"q", op_q},
    {"Q", op_Q},
    {"re", op_four_refused},
    {"v", op_four_refused},
    {"y", op_four_refused},
    {"rg", op_rg},
    {"RG", op_RG},
    {"sc", op_sc},
    {"SC", op_SC},
    {"scn", op_scn},
    {"SCN", op_SCN},
    {"Tc", op_one_refused},
    {"TL", op_one_refused},
    {"Tw", op_one_refused},
    {"Tz", op_one_refused},
    {"Td", op_two_refused},
    {"TD", op_two_refused},
    {"Tf", op_tf},
    {"Tj", op_string_refused},
    {"'", op_string_refused},
    {"\"", op_quote2},
    {"TJ", op_tj_array},
    {"Tm", op_six},
    {"Tr", op_integer_refused},
    {"Ts", op_integer_refused},
};
static_assert(sizeof kOperators / sizeof kOperators[0] == 73, "the content operator table");

}  // namespace

int32_t pdf_color_space_code(const char* name) {
  struct Entry {
    const char* name;
    int32_t code;
  };
  static const Entry kNames[] = {
      {"CMYK", PdfColorSpace::cmyk},
      {"DeviceCMYK", PdfColorSpace::cmyk},
      {"G", PdfColorSpace::gray},
      {"DeviceGray", PdfColorSpace::gray},
      {"RGB", PdfColorSpace::rgb},
      {"DeviceRGB", PdfColorSpace::rgb},
      {"CalGray", PdfColorSpace::cal_gray},
      {"CalRGB", PdfColorSpace::cal_rgb},
      {"Lab", PdfColorSpace::lab},
      {"ICCBased", PdfColorSpace::icc},
      {"Separation", PdfColorSpace::separation},
      {"DeviceN", PdfColorSpace::device_n},
      {"I", PdfColorSpace::indexed},
      {"Indexed", PdfColorSpace::indexed},
      {"Pattern", PdfColorSpace::pattern},
  };
  for (const Entry& e : kNames) {
    if (std::strcmp(e.name, name) == 0) return e.code;
  }
  return PdfColorSpace::other;
}

PdfGraphicsState* pdf_gstate() {
  PdfParserState& s = pdf_state();
  return &s.gstates[s.gstate_top];
}

void pdf_gstate_start(const float ctm[6]) {
  PdfParserState& s = pdf_state();
  s.gstate_top = 0;
  PdfGraphicsState& g = s.gstates[0];
  g = PdfGraphicsState{};
  g.color_space = PdfColorSpace::rgb;
  std::memcpy(g.ctm, ctm, sizeof g.ctm);
}

void pdf_gsave() {
  PdfParserState& s = pdf_state();
  if (s.gstate_top + 1 >= kPdfGraphicsStates) pdf_raise(PdfError::overflow);
  s.gstates[s.gstate_top + 1] = s.gstates[s.gstate_top];
  ++s.gstate_top;
}

void pdf_grestore() {
  PdfParserState& s = pdf_state();
  if (s.gstate_top > 0) --s.gstate_top;
}

void pdf_concat(const float m[6]) {
  float* t = pdf_gstate()->ctm;
  const float A = t[0], B = t[1], C = t[2], D = t[3], E = t[4], F = t[5];
  t[0] = m[0] * A + m[1] * C;
  t[1] = m[0] * B + m[1] * D;
  t[2] = m[2] * A + m[3] * C;
  t[3] = m[2] * B + m[3] * D;
  t[4] = m[4] * A + m[5] * C + E;
  t[5] = m[4] * B + m[5] * D + F;
}

int32_t pdf_select_color_space(PdfValue* space, int32_t allowed) {
  if (space->kind == PdfKind::name) {
    int32_t code = pdf_color_space_code(space->value.bytes);
    if (code == PdfColorSpace::gray || code == PdfColorSpace::rgb) {
      pdf_gstate()->color_space = code;
      return 0;
    }
    const PdfList* resources = resources_list();
    const PdfValue* spaces = resources ? pdf_dict_get(resources, "ColorSpace") : nullptr;
    if (!spaces) pdf_raise(PdfError::missing);
    if (spaces->kind != PdfKind::dictionary) pdf_raise(PdfError::type);
    PdfValue* entry = pdf_dict_get(spaces->value.list, space->value.bytes);
    if (!entry) pdf_raise(PdfError::missing);
    if (entry->kind == PdfKind::name) {
      int32_t c = pdf_color_space_code(entry->value.bytes);
      if (c != PdfColorSpace::gray && c != PdfColorSpace::rgb) pdf_raise(PdfError::type);
      pdf_gstate()->color_space = c;
      return 0;
    }
    if (entry->kind != PdfKind::array) pdf_raise(PdfError::type);
    space = entry;
  }
  if (space->kind != PdfKind::array) pdf_raise(PdfError::type);
  return select_array(space->value.list, allowed);
}

void pdf_page_list_begin(int32_t width, int32_t height, int32_t rotation) {
  PdfParserState& s = pdf_state();
  pdf_page_list_free();
  auto* node = static_cast<PdfPageNode*>(std::calloc(1, sizeof(PdfPageNode)));
  if (!node) pdf_raise(PdfError::memory);
  const uint32_t words[kPdfHeaderWords] = {0x746D692Eu, 0x10000u, uint32_t(width),   uint32_t(height), 600u,
                                           600u,        1u,       uint32_t(rotation)};
  std::memcpy(node->words, words, sizeof words);
  s.page_objects = node;
  s.page_tail = node;
  s.object_count = 0;
}

void pdf_page_list_add(uint32_t kind, int32_t width, int32_t height, uint32_t word10) {
  PdfParserState& s = pdf_state();
  if (!s.page_tail) pdf_raise(PdfError::missing);
  uint32_t compression = 0;
  switch (s.compression_kind) {
    case PdfCompression::raw: compression = 1; break;
    case PdfCompression::dct: compression = 32; break;
    case PdfCompression::ccitt_1d: compression = 16; break;
    case PdfCompression::ccitt_2d: compression = 17; break;
    default: pdf_raise(PdfError::unsupported); return;
  }
  // The record's words hold 32-bit offsets and lengths.
  if (s.data_offset < 0 || s.data_length < 0 || s.data_offset > int64_t(UINT32_MAX) ||
      s.data_length > int64_t(UINT32_MAX)) {
    pdf_raise(PdfError::unsupported);
    return;
  }
  const PdfGraphicsState* gs = pdf_gstate();
  uint32_t space = 0;
  switch (gs->color_space) {
    case PdfColorSpace::gray: space = 16; break;
    case PdfColorSpace::rgb: space = 32; break;
    case PdfColorSpace::cal_gray: space = 18; break;
    case PdfColorSpace::cal_rgb: space = 33; break;
    case PdfColorSpace::lab: space = 36; break;
    default: space = 0; break;
  }
  auto* node = static_cast<PdfPageNode*>(std::calloc(1, sizeof(PdfPageNode)));
  if (!node) pdf_raise(PdfError::memory);
  uint32_t* w = node->words;
  w[0] = kind;
  w[5] = uint32_t(width);
  w[6] = uint32_t(height);
  w[7] = uint32_t((int64_t(width) + 7) / 8);
  w[8] = compression;
  w[9] = space;
  w[10] = word10;
  w[13] = gs->fill[0];
  w[14] = gs->fill[1];
  w[15] = gs->fill[2];
  w[16] = uint32_t(s.data_length);
  w[17] = uint32_t(s.data_offset);
  if (kind != PdfObjectKind::thumbnail_8 && kind != PdfObjectKind::thumbnail_1) {
    std::memcpy(&w[18], gs->ctm, 4 * sizeof(float));
    w[22] = uint32_t(saturate(double(gs->ctm[4])));
    w[23] = uint32_t(saturate(double(gs->ctm[5])));
  }
  s.page_tail->next = node;
  s.page_tail = node;
  ++s.object_count;
  s.compression_kind = PdfCompression::raw;
}

void pdf_page_list_end() {
  PdfParserState& s = pdf_state();
  if (!s.page_tail) pdf_raise(PdfError::missing);
  auto* node = static_cast<PdfPageNode*>(std::calloc(1, sizeof(PdfPageNode)));
  if (!node) pdf_raise(PdfError::memory);
  node->words[0] = kPdfEndTag;
  node->words[1] = uint32_t(s.object_count + 1);
  s.page_tail->next = node;
  s.page_tail = node;
}

void pdf_page_list_free() {
  PdfParserState& s = pdf_state();
  auto* node = static_cast<PdfPageNode*>(s.page_objects);
  while (node) {
    PdfPageNode* next = node->next;
    std::free(node);
    node = next;
  }
  s.page_objects = nullptr;
  s.page_tail = nullptr;
  s.object_count = 0;
}

const PdfOperatorEntry* pdf_content_operators(int32_t* count) {
  if (count) *count = int32_t(sizeof kOperators / sizeof kOperators[0]);
  return kOperators;
}

void pdf_operands_clear() {
  while (pdf_operand_count() > 0) pdf_operand_pop();
}

int32_t pdf_run_content_stream(PdfValue* stream, int32_t open_arena) {
  PdfParserState& s = pdf_state();
  if (open_arena) {
    pdf_arena_push();
    s.operand_arena_open = 1;
  }
  bool last_was_operator = false;
  for (;;) {
    PdfValue* v = pdf_parse_content_object(stream->stream);
    if (v->kind == PdfKind::end) break;
    if (v->kind == PdfKind::op) {
      static_cast<const PdfOperatorEntry*>(v->value.pointer)->run();
      last_was_operator = s.content_depth == 0;
      if (last_was_operator) {
        // The operands die with their arena: none may stay on the stack.
        pdf_operands_clear();
        pdf_arena_pop();
        pdf_arena_push();
        s.operand_arena_open = 1;
      }
      continue;
    }
    last_was_operator = false;
    pdf_operand_push(v);
  }
  if (last_was_operator) {
    pdf_arena_pop();
    s.operand_arena_open = 0;
    return 1;
  }
  return 0;
}

bool pdf_take_image_data(PdfValue* stream, int32_t compression_kind) {
  PdfParserState& st = pdf_state();
  const PdfList* d = stream->value.list;
  // Only data the canvas can decode from the file as it lies is recorded:
  // stored, DCT or CCITT.
  if (const PdfValue* f = present(d, "Filter")) {
    const PdfValue* name = f;
    if (f->kind == PdfKind::array)
      name = pdf_list_count(f->value.list) == 1 ? pdf_array_get(f->value.list, 0) : nullptr;
    if (!pdf_is_name(name, "DCTDecode") && !pdf_is_name(name, "CCITTFaxDecode")) return false;
  } else if (compression_kind != PdfCompression::raw) {
    return false;
  }
  const PdfValue* length = pdf_dict_get(d, "Length");
  if (!length) pdf_raise(PdfError::missing);
  if (length->kind != PdfKind::integer) pdf_raise(PdfError::type);
  st.data_offset = pdf_window_tell(stream->stream->window);
  st.data_length = length->value.integer;
  st.compression_kind = compression_kind;
  return true;
}
