// Colour detection: whether an image or a set of solid colours is grey,
// near grey or colour, kept in the document's colour counter for the page
// pipeline's colour decision, and the image's distinct colours handed to the
// page's colour set.
#pragma once

#include <cstdint>

#include "graphics_driver/core/pdev_state.h"

// Results kept in the counter.
constexpr uint32_t kColourFound = 1;
constexpr uint32_t kColourAllGrey = 2;
constexpr uint32_t kColourNearGrey = 3;
constexpr uint32_t kColourNotTested = 4;

// Scan modes: exact grey (R = G = B) or near grey.
constexpr int kScanExact = 1;
constexpr int kScanNear = 2;

struct ColorCounter {
  uint32_t result;
};
static_assert(sizeof(ColorCounter) == 4);

// 0, -1 for a null address, -2 when memory runs out.
int CreateColorCounter(ColorCounter** counter);
// 0, -1 for a null address.
int FreeColorCounter(ColorCounter** counter);

// All equal, or all within a tolerance of their mean (5 below a mean of 192,
// 2 from there on).
bool IsNearGrey(int r, int g, int b);
// width x rows pixels of 3 bytes, rows without padding: mode 1 gives 2 when
// all are grey, mode 2 gives 3 when all are near grey, else 1; other modes 4.
int ScanRgbGrey(const BYTE* data, uint32_t width, uint32_t rows, int mode);
// The same for 1, 4 and 8-bit pixels through a 3-byte palette (other depths
// give 4); a palette grey throughout answers without a scan. paletteCount is
// cut to 2^bits; an index at or past it is black and never read.
int ScanIndexedGrey(const BYTE* data, uint32_t width, uint32_t rows, const BYTE* palette, uint32_t paletteCount,
                    uint32_t bits, int mode);
// 1 when useCounter is 1 and the counter holds colour; 2 when it holds all
// grey; otherwise for kind 4 at 24 bits the exact scan; else -1.
int CheckColourCounter(const ColorCounter* counter, const BYTE* data, uint32_t width, uint32_t rows, uint32_t kind,
                       uint32_t bits, int useCounter);
// Tests an image for colour while the page's colours are collected, marks a
// page holding colour and adds the image's colours to the page colour set
// (pageColours) while it is on. The counter receives the result. 0, or -1
// for an image of another kind or when marking or collecting failed.
int DetectColourContent(ColorCounter* counter, PageColorSet* pageColours, PdevState* pdev, const BYTE* data,
                        uint32_t width, uint32_t rows, const BYTE* palette, uint32_t paletteCount, uint32_t kind,
                        uint32_t bits);
