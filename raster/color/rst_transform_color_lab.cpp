// The sRGB <-> Lab chains and their nodes.
#include "raster/color/rst_transform_color_lab.h"

#include <new>

#include "raster/color/rst_color_attributes.h"
#include "raster/color/rst_transform_color_gamma.h"
#include "raster/color/rst_transform_color_matrix.h"
#include "raster/core/rst_alloc.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

namespace {

// (fx, fy, fz) to (L*/100, a*/100, b*/100).
RstMatrix<double> lab_from_f_matrix() {
  static const double e[16] = {0, 1.16, 0,  -0.16,  //
                               5, -5,   0,  0,      //
                               0, 2,    -2, 0,      //
                               0, 0,    0,  1};
  return RstMatrix<double>(4, 4, e, true);
}

// Adds a new member; false (the transformer deleted) when memory ran out.
bool append(RstColorTransformerChain& chain, ColorTransformer* transformer) {
  if (!transformer) return false;
  RstColorTransformerChain::member counted(transformer);
  if (!counted.has_count()) return false;
  return chain.push_back(counted);
}

bool is_rgb_samples(const ColorOutputAttributes& a, bool sixteen_allowed) {
  return a.sample_kind() == RstSampleKind::unsigned_int && a.channels() == 3 &&
         (a.bits() == 8 || (sixteen_allowed && a.bits() == 16));
}

template <class Node>
Node* make_node(RstRead* source, const RstLabRange* range, const RstXYZ& white, RstColorType* color_type,
                bool sixteen_allowed, const char* where) {
  RstCreateGuard guard(source);
  RstColorAttributes attributes(source);
  if (!source || !is_rgb_samples(attributes, sixteen_allowed)) {
    rst_report(RstCode::unsupported_option, where);
    return nullptr;
  }
  RstColorTransformerChain chain = Node::make_chain(attributes, range ? *range : RstLabRange::full_range(), white);
  if (chain.empty()) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return rst_create_end_node_or_drop(rst_new<Node>(source, chain, color_type), guard);
}

}  // namespace

RstColorTransformerChain RstTransformColorSRGBToITULAB::make_chain(const ColorOutputAttributes& attributes,
                                                                   const RstLabRange& range, const RstXYZ& white) {
  RstColorTransformerChain chain;
  try {
    if (!append(chain, RstTransformColorGamma::create(attributes, 2.2))) return {};
    RstMatrix<double> scale(3, 3, false);
    scale.set(0, 0, 1.0 / white.x);
    scale.set(1, 1, 1.0 / white.y);
    scale.set(2, 2, 1.0 / white.z);
    RstChromaticAdaptation adaptation{white_point_d65, white, RstPrimaries::cone()};
    RstMatrix<double> q = scale * adaptation.matrix() * rst_srgb_to_xyz_matrix();
    if (!append(chain, RstTransformColorMatrix::create_color_transformer(*chain.back(), q))) return {};
    if (!append(chain, RstTransformColorLightness::create(*chain.back(), false))) return {};
    RstMatrix<double> e = range.matrix() * lab_from_f_matrix();
    if (!append(chain, RstTransformColorMatrix::create_color_transformer<UIntNBit<8>>(*chain.back(), e))) return {};
  } catch (const std::bad_alloc&) {
    return {};
  }
  return chain;
}

RstColorTransformerChain RstTransformColorITULABToSRGB::make_chain(const ColorOutputAttributes& attributes,
                                                                   const RstLabRange& range, const RstXYZ& white) {
  RstColorTransformerChain forward = RstTransformColorSRGBToITULAB::make_chain(attributes, range, white);
  if (forward.empty()) return {};
  RstColorTransformerChainInverse inverse = forward.inverse();
  if (inverse.status != 0) return {};
  return inverse.chain;
}

RstTransformColorSRGBToITULAB* RstTransformColorSRGBToITULAB::create(RstRead* source, const RstLabRange* range,
                                                                     const RstXYZ& white, RstColorType* color_type) {
  return make_node<RstTransformColorSRGBToITULAB>(source, range, white, color_type, true,
                                                  "RstTransformColorSRGBToITULAB::create()");
}

RstTransformColorSRGBToITULAB* RstTransformColorSRGBToITULAB::create(RstRead* source, const RstXYZ& white,
                                                                     RstColorType* color_type) {
  return create(source, &RstLabRange::full_range(), white, color_type);
}

RstTransformColorSRGBToITULAB* RstTransformColorSRGBToITULAB::create(RstRead* source, RstColorType* color_type) {
  return create(source, &RstLabRange::full_range(), white_point_d50, color_type);
}

RstTransformColorITULABToSRGB* RstTransformColorITULABToSRGB::create(RstRead* source, const RstLabRange* range,
                                                                     const RstXYZ& white, RstColorType* color_type) {
  return make_node<RstTransformColorITULABToSRGB>(source, range, white, color_type, false,
                                                  "RstTransformColorITULABToSRGB::create()");
}

RstTransformColorITULABToSRGB* RstTransformColorITULABToSRGB::create(RstRead* source, const RstXYZ& white,
                                                                     RstColorType* color_type) {
  return create(source, &RstLabRange::full_range(), white, color_type);
}

RstTransformColorITULABToSRGB* RstTransformColorITULABToSRGB::create(RstRead* source, RstColorType* color_type) {
  return create(source, &RstLabRange::full_range(), white_point_d50, color_type);
}
