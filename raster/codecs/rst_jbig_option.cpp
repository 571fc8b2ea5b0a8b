// Cloning of the JBIG coding options.
#include "raster/codecs/rst_jbig_option.h"

RstCodingOption* RstEncodeJBIGT85Option::clone() const {
  return rst_clone_option(*this, "RstEncodeJBIGT85Option::clone()");
}

RstCodingOption* RstEncodeJBIGT43Option::clone() const {
  return rst_clone_option(*this, "RstEncodeJBIGT43Option::clone()");
}
