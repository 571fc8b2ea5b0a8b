// The image store: the page's drawing state front end shared by the drawing
// calls of one document. It holds the modes of the store, the device memory
// pool for downloaded items, the cache of the last graphics state (page
// transform, image output values, pending block) and the job's output stream.
// Every state change that would be sent to the output goes through the
// store's emit hook.
#pragma once

#include <cstddef>
#include <cstdint>

#include "graphics_driver/core/pdev_state.h"
#include "platform/gdi/ddi_types.h"

// A page transform: six f32 a, b, c, d, e, f.
struct PageTransform {
  float a, b, c, d, e, f;
};
static_assert(sizeof(PageTransform) == 24);

// The state sent last: 0 in cacheMode means that no transform is cached, so
// every transform is sent.
struct GraphicsStateCache {
  uint32_t cacheMode;
  PageTransform transform;
  uint16_t outputValue1;  // the two image output values; nothing sets them
  uint16_t reserved1;
  uint32_t outputValue2;
  uint32_t reserved2;
  void* attributeBuffer;
  BYTE attributes[848];  // attribute fields of the state; no one reads them
  struct {
    uint16_t a, b;
    uint32_t c;
    BYTE bytes[24];
  } pending;
};
static_assert(sizeof(GraphicsStateCache) == 928);
static_assert(offsetof(GraphicsStateCache, transform) == 4);
static_assert(offsetof(GraphicsStateCache, outputValue1) == 28);
static_assert(offsetof(GraphicsStateCache, outputValue2) == 32);
static_assert(offsetof(GraphicsStateCache, attributeBuffer) == 40);
static_assert(offsetof(GraphicsStateCache, pending) == 896);

using StoreEmitHook = int (*)();

struct ImageStore {
  uint32_t modeA;
  uint32_t modeB;  // 1: ResetImageStore rebuilds the pool
  uint32_t reserved1;
  uint32_t poolActive;
  MemoryPool* pool;
  uint32_t poolSize;  // bytes asked for at creation, 0 for no pool
  uint32_t reserved2;
  GraphicsStateCache* stateCache;
  JobOutputStream* stream;
  uint32_t extendedLevel;  // 1 at feature level 0x01010801 or later
  uint32_t featureLevel;   // setting 1308
  StoreEmitHook emit;      // NoOperation unless a test counts the runs
};
static_assert(sizeof(ImageStore) == 64);
static_assert(offsetof(ImageStore, pool) == 16);
static_assert(offsetof(ImageStore, stateCache) == 32);
static_assert(offsetof(ImageStore, stream) == 40);
static_assert(offsetof(ImageStore, extendedLevel) == 48);
static_assert(offsetof(ImageStore, featureLevel) == 52);

constexpr uint32_t kExtendedFeatureLevel = 0x01010801;

// The emit hook of this system: nothing is sent, and it always succeeds.
int NoOperation();

// A new store for the PDEV's job (a pool of poolSize bytes unless 0), or null
// when memory runs out; then nothing it made is left.
ImageStore* CreateImageStore(const PdevState* pdev, uint32_t poolSize);
// Destroys the pool, frees the cache with its attribute buffer and the store: 0.
int FreeImageStore(ImageStore* store);
// At page and job boundaries: with mode B 1 the pool is made anew and the
// pending block cleared; the cached state is reset. 0, or -1 when the pool
// cannot be made again (it stays inactive) or without a store.
int ResetImageStore(ImageStore* store);
void SetStoreModes(ImageStore* store, uint32_t a, uint32_t b);
int ClearPendingState(ImageStore* store);
// The previous cache mode (-1 without a store or cache).
int SetStateCacheMode(ImageStore* store, uint32_t mode);
// Sends the transform unless it is the cached one (while the cache mode is
// nonzero) and caches it: 0, or -1 when the emit hook fails.
int SetPageTransform(ImageStore* store, const PageTransform* matrix);
// A test may observe every transform the store sends, after it is cached.
using PageTransformObserver = void (*)(const PageTransform* matrix);
void SetPageTransformObserver(PageTransformObserver observer);
// Caches the transform without sending it: 0.
int UpdatePageTransform(ImageStore* store, const PageTransform* matrix);
int FlushPageState(ImageStore* store);
int PoolActive(const ImageStore* store);
// The offset AllocFromPool of the store's pool reports, or -1 without a pool
// or when the pool has no room.
int64_t AllocFromStorePool(ImageStore* store, int16_t tagB, int16_t tagA, uint8_t tagC, uint32_t* record, uint32_t n,
                           bool take);
int GetPageTransform(const ImageStore* store, PageTransform* out);
// The low byte of the first image output value and the second value: 0.
int GetImageOutputValues(const ImageStore* store, BYTE* value1, DWORD* value2);

// Colour kinds of the drawing state setters: a grey byte, or three bytes
// blue, green, red.
constexpr uint32_t kColourGrey = 3;
constexpr uint32_t kColourBgr = 4;

// The band's raster operation by type and code (MapRasterOp on the store's
// stream): 0, or -1 for a type other than 1 and 2.
int SelectRasterOp(ImageStore* store, uint32_t type, uint32_t code);
// The foreground grey from a colour of the kind: 0, -1 without a stream.
int SetSolidColor(ImageStore* store, uint32_t role, uint32_t kind, const BYTE* colour);
// The background grey from a colour of the kind: 0, -1 without a stream.
int SetHatchBackground(ImageStore* store, uint32_t role, uint32_t kind, uint32_t unused, const BYTE* colour);
// Fills the rows top .. bottom - 1 from the left column, |right - left| dots
// wide, with the current brush: 0, -1 without a stream or rectangle.
int FillStoreRect(ImageStore* store, const RECTL* rect);
