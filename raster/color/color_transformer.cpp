// The typed-run wrapper of every transformer and its instances.
#include "raster/color/color_transformer.h"

template <class I, class O>
void CtColorTransformer<I, O>::transform(const void* in, void* out, unsigned pixels) {
  // The runs only view the caller's buffers; nothing is owned or freed.
  uint64_t in_samples = uint64_t(pixels) * uint64_t(this->input_channels());
  uint64_t out_samples = uint64_t(pixels) * uint64_t(this->channels());
  transform_samples(CtSampleTraits<I>::in(in, in_samples), CtSampleTraits<O>::out(out, out_samples), pixels);
}

template class CtColorTransformer<UIntNBit<1>, UIntNBit<1>>;
template class CtColorTransformer<UIntNBit<8>, UIntNBit<8>>;
template class CtColorTransformer<UIntNBit<16>, UIntNBit<16>>;
template class CtColorTransformer<UIntNBit<16>, UIntNBit<8>>;
template class CtColorTransformer<UIntNBit<8>, UIntNBit<16>>;
template class CtColorTransformer<float, float>;
template class CtColorTransformer<double, double>;
template class CtColorTransformer<CtFixed, CtFixed>;
