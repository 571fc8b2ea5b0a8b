// The three layer splits of the MRC page writer.
#include "raster/mrc/rst_make_mrc_layers.h"

#include "raster/color/rst_select_channel.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_create.h"
#include "raster/core/rst_divide.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_status_context.h"
#include "raster/geometry/rst_convert_bits8_to1.h"
#include "raster/geometry/rst_pixel_not.h"
#include "raster/mrc/rst_create_chain.h"
#include "raster/mrc/rst_halvex.h"
#include "raster/mrc/rst_make_layers.h"

namespace {

const char k3Layers[] = "RstMakeMRC3Layers::create()";
const char kFore[] = "RstMakeMRC2LayersFore::create()";
const char kBack[] = "RstMakeMRC2LayersBack::create()";

// No source: -1; not the ITU Lab page every split works on: -3.
bool page_accepted(RstRead* source, const char* where) {
  if (!source) {
    rst_report(RstCode::no_memory, where);
    return false;
  }
  const RstHeader h(source);
  if (h.bits_per_sample != 8 || h.samples_per_pixel != 3 || h.sample_kind != RstSampleKind::unsigned_int ||
      h.data_form != RstDataForm::raw || h.colormap || h.color_type != RstColorType::itu_lab()) {
    rst_report(RstCode::unsupported_form, where);
    return false;
  }
  return true;
}

// A fan-out of node with one reader taken into held; null after -1 at
// where. Once the divide exists it holds node, so owner (the chain that
// held node, when there is one) lets go of it at once: a page buffer may
// end its source as soon as it has read it.
RstDivide* fan_out(RstRead* node, RstCreateChain* owner, int mode, int n, RstCreateChain& held, const char* where) {
  RstOwner<RstDivide> d(RstDivide::create(node, mode, n));
  if (!d) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  if (owner) owner->node.release();
  if (!held.step(d->create_reader())) {
    rst_report(RstCode::no_memory, where);
    return nullptr;
  }
  return d.release();
}

// The layers as the result, or nothing when the list cannot be copied (the
// chains then end the nodes).
std::vector<RstRead*> finish(RstCreateGuard& guard, std::initializer_list<RstCreateChain*> layers) {
  std::vector<RstRead*> nodes;
  try {
    for (RstCreateChain* c : layers) nodes.push_back(c->node.get());
  } catch (const std::bad_alloc&) {
    rst_report(RstCode::no_memory, "rst_create_end_nodes()");
    return {};
  }
  std::vector<RstRead*> out = rst_create_end_nodes(guard, nodes);
  if (!out.empty())
    for (RstCreateChain* c : layers) c->node.release();
  return out;
}

}  // namespace

std::vector<RstRead*> RstMakeMRC3Layers::create_white_bg(RstRead* source, int32_t rows) {
  const RstMRCParamWhiteBG param(rows, 4, 1);
  return create(source, param);
}

std::vector<RstRead*> RstMakeMRC3Layers::create(RstRead* source, const RstMRCParam& param) {
  if (!page_accepted(source, k3Layers)) return {};
  RstCreateGuard guard(source);

  // The page in memory once; the reader held here keeps the buffer alive
  // until the layers hold it.
  RstCreateChain held;
  RstDivide* page = fan_out(source, nullptr, 4, 8, held, k3Layers);
  if (!page) return {};

  RstCreateChain mask_source, mask;
  if (!mask_source.step(page->create_reader())) return {};
  RstRead* halvex = RstHalvex::create(mask_source.node.get(), &param, 0);
  if (!halvex) {
    rst_report(RstCode::no_memory, k3Layers);
    return {};
  }
  mask_source.node.release();
  RstCreateChain halvex_node;
  halvex_node.step(halvex);
  RstDivide* masks = fan_out(halvex, &halvex_node, 4, 8, mask, k3Layers);
  if (!masks) return {};

  RstCreateChain back, fore;
  RstCreateChain page_reader, mask_reader;
  if (!page_reader.step(page->create_reader()) || !mask_reader.step(masks->create_reader())) return {};
  if (!back.step(RstMakeBack::create(page_reader.node.get(), mask_reader.node.get(), param.background_mode))) return {};
  page_reader.node.release();
  mask_reader.node.release();
  if (!page_reader.step(page->create_reader()) || !mask_reader.step(masks->create_reader())) return {};
  if (!fore.step(RstMakeFore::create(page_reader.node.get(), mask_reader.node.get(), param.foreground_mode))) return {};
  page_reader.node.release();
  mask_reader.node.release();

  held.node.reset();
  return finish(guard, {&mask, &back, &fore});
}

std::vector<RstRead*> RstMakeMRC2LayersFore::create(RstRead* source) {
  if (!page_accepted(source, kFore)) return {};
  RstCreateGuard guard(source);
  RstCreateChain held;
  RstDivide* cache = fan_out(source, nullptr, 2, 8, held, kFore);
  if (!cache) return {};

  // Dark pixels: the L byte read as reversed gray, set above 180, inverted.
  RstCreateChain dark;
  if (!dark.step(cache->create_reader())) return {};
  if (!dark.step(RstSelectChannel::create(dark.node.get(), 0, RstColorType::default_gray_reverse())) ||
      !dark.step(RstConvertBits8To1Threshold::create(dark.node.get(), 180)) ||
      !dark.step(RstPixelNot::create(dark.node.get()))) {
    rst_report(RstCode::no_memory, kFore);
    return {};
  }
  RstCreateChain mask;
  RstDivide* masks = fan_out(dark.node.get(), &dark, 0, 8, mask, kFore);
  if (!masks) return {};

  RstCreateChain fore, page_reader, mask_reader;
  if (!page_reader.step(cache->create_reader()) || !mask_reader.step(masks->create_reader())) return {};
  if (!fore.step(RstMakeFore::create(page_reader.node.get(), mask_reader.node.get(), 4))) return {};
  page_reader.node.release();
  mask_reader.node.release();
  held.node.reset();
  return finish(guard, {&mask, &fore});
}

std::vector<RstRead*> RstMakeMRC2LayersBack::create(RstRead* source) {
  if (!page_accepted(source, kBack)) return {};
  RstCreateGuard guard(source);
  RstCreateChain held;
  RstDivide* cache = fan_out(source, nullptr, 2, 27, held, kBack);
  if (!cache) return {};

  // Dark, nearly neutral pixels.
  RstCreateChain dark;
  if (!dark.step(cache->create_reader())) return {};
  if (!dark.step(RstConvertBits24To8::create(dark.node.get(), 155, 25, 0, 255)) ||
      !dark.step(RstConvertBits8To1Threshold::create(dark.node.get(), 128))) {
    rst_report(RstCode::no_memory, kBack);
    return {};
  }
  RstCreateChain mask;
  RstDivide* masks = fan_out(dark.node.get(), &dark, 2, 16, mask, kBack);
  if (!masks) return {};

  RstCreateChain back, page_reader, mask_reader;
  if (!page_reader.step(cache->create_reader()) || !mask_reader.step(masks->create_reader())) return {};
  if (!back.step(RstMakeBack::create(page_reader.node.get(), mask_reader.node.get(), 0))) return {};
  page_reader.node.release();
  mask_reader.node.release();
  held.node.reset();
  return finish(guard, {&mask, &back});
}
