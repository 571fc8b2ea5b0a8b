// The JBIG decoding stages: T.85 (a bare bilevel image entity, 1-bit
// reversed-gray lines) and T.43 (the head, then a multi-plane JBIG image whose
// bit-planes are rebuilt into colour, palette or gray lines). Both read their
// bytes straight from the storage.
#pragma once

#include <cstdint>

#include "raster/codecs/rst_stage.h"
#include "raster/core/input_storage.h"

// The stage over the storage from its position, delivering at most
// line_limit lines; null when the data cannot be decoded (bad head or BIH,
// no memory), the storage then put back where it was.
//
// info: width, height (YD, at most 0x7FFFFFFF, and at most the limit), the
// format word, and for T.43 the palette (planar 3 x 256) or none.
// line: 1 for a line written into the buffer; 0 once the image is complete
// (all lines delivered, or a NEWLEN ended it); below 0 the status of a
// coding fault, after which nothing more comes.
RstInstanceTolvane* rst_jbig_t85_decoder_create(InputStorage* storage, uint32_t line_limit);
RstInstanceTolvane* rst_jbig_t43_decoder_create(InputStorage* storage, uint32_t line_limit);
