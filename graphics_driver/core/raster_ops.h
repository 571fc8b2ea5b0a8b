// Raster operations of the band: GDI's two-operand mixes (R2_ codes) and
// three-operand codes mapped onto the band's polarity and operation. A set
// band bit is ink, so each operation defined on white-is-one colours is
// carried out as its dual (SRCAND becomes OR, SRCPAINT becomes AND).
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/job_output_stream.h"
#include "platform/gdi/ddi_types.h"

constexpr uint32_t kRopTwoOperand = 1;    // an R2_ code
constexpr uint32_t kRopThreeOperand = 2;  // a ROP3 index byte or full code

constexpr uint32_t kR2CopyPen = 13;
constexpr uint32_t kR2Nop = 11;

// The rop4 of a mix: the ROP3 byte of each R2_ code (low nibble of each
// byte, 0 meaning 16).
ROP4 MixToRop4(uint32_t mix);
// The mix of a rop4: (R2_ code of the high byte) << 8 | R2_ code of the low
// byte; a byte that is no pattern operation gives R2_COPYPEN.
uint32_t RopToMix(ROP4 rop4);
// Sets the band's polarity and operation for the code: 0 (codes not listed
// change nothing), -1 for a type other than 1 and 2 or without a stream.
int MapRasterOp(JobOutputStream* stream, uint32_t type, uint32_t code);
