// The colour-type objects: each made on its accessor's first call in static
// storage and never destroyed, so a pointer stays valid even while other
// objects are torn down at exit.
#include "raster/core/rst_color_type.h"

#include <new>

#define RST_COLOR_TYPE_OBJECT(Class)                          \
  alignas(Class) static unsigned char storage[sizeof(Class)]; \
  static RstColorType* object = new (storage) Class;          \
  return object

RstColorType* RstColorType::none() { RST_COLOR_TYPE_OBJECT(RstColorType); }
RstColorType* RstColorType::s_rgb() { RST_COLOR_TYPE_OBJECT(RstRGBColorType); }
RstColorType* RstColorType::ntsc_rgb() { RST_COLOR_TYPE_OBJECT(RstRGBColorType); }
RstColorType* RstColorType::s_gray() { RST_COLOR_TYPE_OBJECT(RstGrayColorType); }
RstColorType* RstColorType::s_gray_reverse() { RST_COLOR_TYPE_OBJECT(RstGrayReverseColorType); }
RstColorType* RstColorType::s_ycbcr() { RST_COLOR_TYPE_OBJECT(RstYCbCrColorType); }
RstColorType* RstColorType::hsl() { RST_COLOR_TYPE_OBJECT(RstHSLColorType); }
RstColorType* RstColorType::cmy() { RST_COLOR_TYPE_OBJECT(RstCMYColorType); }
RstColorType* RstColorType::s_cmyk() { RST_COLOR_TYPE_OBJECT(RstCMYKColorType); }
RstColorType* RstColorType::icc_lab() { RST_COLOR_TYPE_OBJECT(RstLABColorType); }
RstColorType* RstColorType::itu_lab() { RST_COLOR_TYPE_OBJECT(RstLABColorType); }
RstColorType* RstColorType::icc_lstar() { RST_COLOR_TYPE_OBJECT(RstLstarColorType); }
