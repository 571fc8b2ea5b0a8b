// The C entry points of the colour library, as the driver calls them. A
// library instance is a 32-bit handle from CLX_LoadCLX32 (0: none); every
// other call answers a 16-bit code, 0 for success, except that
// CLX_CreateParam_End32 answers 1 when the images need no conversion. Pixels
// are 3 bytes each in blue, green, red order, width x rows of them.
#pragma once

#include <cstdint>

// What the library tells the driver about the parameters of a page's images.
struct ColourLibraryInfo {
  uint32_t mode;    // the conversion mode of CLX_CreateParam_Begin32
  uint32_t images;  // images collected so far
  uint32_t reserved[2];
};

extern "C" {
using ClxLoadCall = uint32_t (*)(const char* dataPath);
using ClxFreeCall = uint16_t (*)(uint32_t handle);
using ClxBeginCall = uint16_t (*)(uint32_t handle, uint8_t mode, ColourLibraryInfo* info);
using ClxCreateParamCall = uint16_t (*)(uint32_t handle, const uint8_t* pixels, uint32_t width, uint32_t rows);
using ClxEndCall = uint16_t (*)(uint32_t handle, void* entry, ColourLibraryInfo* info);
using ClxDeleteParamCall = uint16_t (*)(uint32_t handle, void* entry, ColourLibraryInfo* info);
using ClxConvertCall = uint16_t (*)(uint32_t handle, const uint8_t* pixels, uint8_t* out, uint32_t width,
                                    uint32_t rows);
}

// The entry point names, in the order the driver binds them.
inline const char* const kColourLibraryEntryNames[7] = {
    "CLX_LoadCLX32",         "CLX_FreeCLX32",     "CLX_CreateParam_Begin32", "CLX_CreateParam32",
    "CLX_CreateParam_End32", "CLX_DeleteParam32", "CLX_ColorConvert32"};
