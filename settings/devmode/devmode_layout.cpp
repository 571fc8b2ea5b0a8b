// Constant contents of the driver's blocks: the default second font record.
#include "settings/devmode/devmode_layout.h"

namespace {

// The face name's code units, kept unit for unit as the stored blocks hold them.
constexpr LOGFONTW kDefaultSecondFont = {
    9,
    0,
    0,
    0,
    400,  // height, width, escapement, orientation, weight
    0,
    0,
    0,
    128,
    0,
    0,
    2,
    0,  // italic .. pitch and family
    {0x201A, 0x006C, 0x201A, 0x0072, 0x0020, 0x0192, 0x0053, 0x0192, 0x0056, 0x0192, 0x0062, 0x0192, 0x004E},
};

}  // namespace

const LOGFONTW& GetDefaultSecondFontRecord() { return kDefaultSecondFont; }
