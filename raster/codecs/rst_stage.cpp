// Colour codes of the stage descriptions and the error stage.
#include "raster/codecs/rst_stage.h"

#include "raster/core/rst_alloc.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_status.h"

bool TolvaneOrder::is_four_channel(uint32_t order) {
  return order == 0xFF010200u || order == 0xFF020100u || order == 0x010200FFu || order == 0x020100FFu;
}

namespace {

struct CodeEntry {
  uint16_t code;
  RstColorType* (*type)();
};

const CodeEntry kCodes[] = {
    {TolvaneColorCode::rgb, &RstColorType::default_rgb},
    {TolvaneColorCode::icc_lab, &RstColorType::icc_lab},
    {TolvaneColorCode::itu_lab, &RstColorType::itu_lab},
    {TolvaneColorCode::ycbcr, &RstColorType::default_ycbcr},
    {TolvaneColorCode::icc_lstar, &RstColorType::icc_lstar},
    {TolvaneColorCode::gray, &RstColorType::default_gray},
    {TolvaneColorCode::gray_reverse, &RstColorType::default_gray_reverse},
    {TolvaneColorCode::cmyk, &RstColorType::default_cmyk},
};

// Returns its code from every operation; close frees it.
class ErrorInstance final : public RstInstanceTolvane {
 public:
  explicit ErrorInstance(int32_t code) { status = code; }
  int32_t info(TolvaneImageInfo*) override { return status; }
  int32_t line(uint8_t*) override { return status; }
  int32_t close() override {
    delete this;
    return RstCode::good;
  }
};

}  // namespace

uint16_t TolvaneColorCode::from_color_type(const RstColorType* type) {
  if (!type) return none;
  for (const CodeEntry& e : kCodes)
    if (e.type() == type) return e.code;
  return none;
}

RstColorType* TolvaneColorCode::to_color_type(uint32_t code) {
  auto wanted = static_cast<int16_t>(code & 0xFFFFu);
  for (const CodeEntry& e : kCodes)
    if (static_cast<int16_t>(e.code) == wanted) return e.type();
  return RstColorType::none();
}

RstInstanceTolvane* rst_create_error_instance(int32_t status) { return rst_new<ErrorInstance>(status); }

int32_t rst_close_instance(RstInstanceTolvane* instance) {
  return instance ? instance->close() : RstCode::bad_argument;
}
