// The table conversion node and the table transformer instances.
#include "raster/color/rst_transform_color_mdlut.h"

#include "raster/color/ct_mdlut.h"
#include "raster/color/rst_color_attributes.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_create_node.h"

CT_MDLUT_INSTANCES()

namespace {

const char* const kWhere = "RstTransformColorMDLUTLinear::create()";

using Creator = RstReadTolvaneCreator<MDLUTLinearCreator_, MDLUTLinearArg_>;

bool power_of_two_grid(unsigned n) {
  unsigned cells = n - 1;
  while (cells > 0 && cells % 2 == 0) cells /= 2;
  return cells == 1;
}

template <class T, int K>
ColorTransformer* make_table(unsigned outputs, unsigned grid_points, const void* table) {
  using V = typename T::value_type;
  return rst_new<CtMDLUTLinear<T, T, K>>(int(outputs), int(grid_points), static_cast<const V*>(table));
}

template <class T>
ColorTransformer* make_table(int inputs, unsigned outputs, unsigned grid_points, const void* table) {
  if (inputs == 1) return make_table<T, 1>(outputs, grid_points, table);
  if (inputs == 3) return make_table<T, 3>(outputs, grid_points, table);
  return make_table<T, 4>(outputs, grid_points, table);
}

}  // namespace

ColorTransformer* RstTransformColorMDLUTLinear::create_color_transformer(const ColorOutputAttributes& attributes,
                                                                         unsigned outputs, unsigned grid_points,
                                                                         const void* table) {
  const int k = attributes.channels(), bits = attributes.bits();
  if (attributes.sample_kind() != RstSampleKind::unsigned_int || (bits != 8 && bits != 16) ||
      (k != 1 && k != 3 && k != 4)) {
    rst_report(RstCode::unsupported_option, kWhere);
    return nullptr;
  }
  ColorTransformer* made = bits == 8 ? make_table<UIntNBit<8>>(k, outputs, grid_points, table)
                                     : make_table<UIntNBit<16>>(k, outputs, grid_points, table);
  if (!made) rst_report(RstCode::no_memory, kWhere);
  return made;
}

uint8_t* RstTransformColorMDLUTLinear::reverse_axes(const void* table, int bits, int inputs, unsigned outputs,
                                                    unsigned grid_points) {
  if (inputs != 3 && inputs != 4) return nullptr;
  const uint64_t n = grid_points;
  uint64_t nodes = 1;
  for (int i = 0; i < inputs; ++i) nodes *= n;
  const uint64_t node_bytes = (uint64_t(bits) * outputs + 7) / 8;
  const uint64_t bytes = (uint64_t(bits) * nodes * outputs + 7) / 8;
  auto* copy = static_cast<uint8_t*>(rst_malloc(size_t(bytes ? bytes : 1)));
  if (!copy) return nullptr;
  const auto* from = static_cast<const uint8_t*>(table);
  // Node (i0, ..., iK-1) of the given table, last index fastest, goes to
  // i0 + N i1 + ... of the copy: the same step serves both directions.
  uint64_t index[4] = {0, 0, 0, 0};
  for (uint64_t node = 0; node < nodes; ++node) {
    uint64_t to = 0;
    for (int c = inputs - 1; c >= 0; --c) to = to * n + index[c];
    std::memcpy(copy + to * node_bytes, from + node * node_bytes, size_t(node_bytes));
    for (int c = inputs - 1; c >= 0; --c) {
      if (++index[c] < n) break;
      index[c] = 0;
    }
  }
  return copy;
}

namespace {

ColorTransformer* transformer_of(RstRead* source, unsigned outputs, unsigned grid_points, const void* table) {
  RstColorAttributes attributes(source);
  return RstTransformColorMDLUTLinear::create_color_transformer(attributes, outputs, grid_points, table);
}

}  // namespace

RstTransformColorMDLUTLinear::RstTransformColorMDLUTLinear(RstRead* source, unsigned outputs, unsigned grid_points,
                                                           const void* table, RstColorType* color_type)
    : RstTransformColor(source, transformer_of(source, outputs, grid_points, table), color_type) {}

RstRead* RstTransformColorMDLUTLinear::create(RstRoot* root, unsigned outputs, unsigned grid_points, const void* table,
                                              RstColorType* color_type, uint8_t stage_order) {
  auto* source = dynamic_cast<RstRead*>(root);
  RstCreateGuard guard(root);
  if (!source || outputs == 0 || grid_points < 2 || !table) {
    rst_report(RstCode::bad_argument, kWhere);
    return nullptr;
  }
  RstHeader h(source);
  if (h.bits_per_sample < 2 || h.sample_kind != RstSampleKind::unsigned_int) {
    rst_report(RstCode::unsupported_form, kWhere);
    return nullptr;
  }
  // Only 8 and 16 bits have kernels and transformers.
  if (h.bits_per_sample != 8 && h.bits_per_sample != 16) {
    rst_report(RstCode::unsupported_option, kWhere);
    return nullptr;
  }
  const int k = h.samples_per_pixel;
  if (power_of_two_grid(grid_points) && k >= 2) {
    RstHeaderTolvane stage_header(h);
    if (color_type) stage_header.set_color_type(color_type);
    // The node's header comes back through the stage's description: the
    // colour code must name a type of M channels, and N, M travel in bytes.
    RstColorType* announced = stage_header.color_type;
    if (outputs > 255 || grid_points > 255 || k > 255 || stage_header.color_code() == TolvaneColorCode::none ||
        !announced || unsigned(announced->channels()) != outputs) {
      rst_report(RstCode::bad_argument, kWhere);
      return nullptr;
    }
    MDLUTLinearArg_ arg;
    arg.param.bits = uint8_t(h.bits_per_sample);
    arg.param.inputs = uint8_t(k);
    arg.param.outputs = uint8_t(outputs);
    arg.param.grid_points = uint8_t(grid_points);
    arg.param.table = table;
    if (!stage_order) {
      arg.owned_table.attach(reverse_axes(table, h.bits_per_sample, k, outputs, grid_points));
      if (!arg.owned_table) {
        rst_report(RstCode::no_memory, kWhere);
        return nullptr;
      }
      arg.param.table = arg.owned_table.get();
    }
    arg.color_code = stage_header.color_code();
    return rst_create_end_node_or_drop(rst_new<Creator>(source, MDLUTLinearCreator_{}, std::move(arg)), guard);
  }
  RstOwner<uint8_t> copy;
  if (k >= 2 && stage_order) {
    copy.attach(reverse_axes(table, h.bits_per_sample, k, outputs, grid_points));
    if (!copy) {
      rst_report(RstCode::no_memory, kWhere);
      return nullptr;
    }
    table = copy.get();
  }
  return rst_create_end_node_or_drop(
      rst_new<RstTransformColorMDLUTLinear>(source, outputs, grid_points, table, color_type), guard);
}
