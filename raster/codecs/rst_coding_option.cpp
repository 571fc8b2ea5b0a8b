// Cloning of the bilevel coding options.
#include "raster/codecs/rst_coding_option.h"

RstCodingOption* RstMHOption::clone() const { return rst_clone_option(*this, "RstMHOption::clone()"); }

RstCodingOption* RstMROption::clone() const { return rst_clone_option(*this, "RstMROption::clone()"); }

RstCodingOption* RstMMROption::clone() const { return rst_clone_option(*this, "RstMMROption::clone()"); }
