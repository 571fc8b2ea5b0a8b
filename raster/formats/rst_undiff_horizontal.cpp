// Horizontal predictor undo.
#include "raster/formats/rst_undiff_horizontal.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"

namespace {

// The source's layout when it is raw lines of `bits` x `samples`; reports
// -2 or -3 with where otherwise.
bool suitable(RstRead* source, int32_t bits, int32_t samples, const char* where) {
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return false;
  }
  RstHeader h(source);
  if (h.bits_per_sample != bits || h.samples_per_pixel != samples || h.data_form != RstDataForm::raw || h.width < 0) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

template <class T>
T* make(RstRead* source, int32_t bits, int32_t samples, const char* where) {
  RstCreateGuard guard(source);
  if (!suitable(source, bits, samples, where)) return nullptr;
  return rst_create_end(rst_new<T>(source), guard);
}

}  // namespace

RstRead* RstUndiffHorizontal::create(RstRead* source) {
  const char* where = "RstUndiffHorizontal::create()";
  if (!source) {
    rst_report(RstCode::bad_argument, where);
    return nullptr;
  }
  RstHeader h(source);
  if (h.data_form == RstDataForm::raw && h.bits_per_sample == 1 && h.samples_per_pixel == 1)
    return RstUndiffHorizontal1x1::create(source);
  if (h.data_form == RstDataForm::raw && h.bits_per_sample == 8) {
    switch (h.samples_per_pixel) {
      case 1: return make<RstUndiffHorizontal8xN<1>>(source, 8, 1, "RstUndiffHorizontal8xN::create()");
      case 3: return make<RstUndiffHorizontal8xN<3>>(source, 8, 3, "RstUndiffHorizontal8xN::create()");
      case 4: return RstUndiffHorizontal8xN<4>::create(source);
      default: break;
    }
  }
  rst_report(RstCode::unsupported_form, where);
  return nullptr;
}

RstUndiffHorizontal1x1* RstUndiffHorizontal1x1::create(RstRead* source) {
  return make<RstUndiffHorizontal1x1>(source, 1, 1, "RstUndiffHorizontal1x1::create()");
}

int RstUndiffHorizontal1x1::read(uint8_t* line) {
  int size = line_size();
  int n = source()->read(line);
  if (n != size || size <= 0) return 0;
  // Each decoded bit is the parity of every stored bit up to it: within a
  // byte the shifts fold the bits above each position in, and the last
  // decoded bit of a byte carries into the next.
  uint8_t carry = 0;
  for (int i = 0; i < size; ++i) {
    uint8_t x = line[i];
    x ^= uint8_t(x >> 1);
    x ^= uint8_t(x >> 2);
    x ^= uint8_t(x >> 4);
    if (carry) x = uint8_t(~x);
    line[i] = x;
    carry = x & 1;
  }
  return n;
}

template <int N>
RstUndiffHorizontal8xN<N>* RstUndiffHorizontal8xN<N>::create(RstRead* source) {
  return make<RstUndiffHorizontal8xN<N>>(source, 8, N, "RstUndiffHorizontal8xN::create()");
}

template <int N>
bool RstUndiffHorizontal8xN<N>::initiate() {
  RstHeader h(source());
  samples_ = int64_t{h.width} * N;
  return true;
}

template <int N>
int RstUndiffHorizontal8xN<N>::read(uint8_t* line) {
  int size = line_size();
  int n = source()->read(line);
  if (n != size || size <= 0) return 0;
  // Never past the delivered row, whatever the header says.
  int64_t count = samples_ < size ? samples_ : size;
  for (int64_t i = N; i < count; ++i) line[i] = uint8_t(line[i] + line[i - N]);
  return n;
}

template class RstUndiffHorizontal8xN<1>;
template class RstUndiffHorizontal8xN<3>;
template class RstUndiffHorizontal8xN<4>;
