// The image store (see image_store.h).
#include "graphics_driver/core/image_store.h"

#include <cstring>

#include "graphics_driver/core/band_engine.h"
#include "graphics_driver/core/bit_block_transfer.h"
#include "graphics_driver/core/raster_ops.h"
#include "graphics_driver/job_output/feature_level.h"
#include "graphics_driver/job_output/memory_pool.h"
#include "platform/win/win_memory.h"
#include "settings/access/setting_access.h"

namespace {

// The attribute fields of a fresh state: none of them is set.
void ResetCache(GraphicsStateCache* cache) {
  std::memset(&cache->transform, 0, sizeof cache->transform);
  if (cache->attributeBuffer) {
    GlobalFree(cache->attributeBuffer);
    cache->attributeBuffer = nullptr;
  }
  std::memset(cache->attributes, 0, sizeof cache->attributes);
}

// Red, green and blue of a colour of the kind.
void ColourBytes(uint32_t kind, const BYTE* colour, BYTE* red, BYTE* green, BYTE* blue) {
  if (kind == kColourGrey) {
    *red = *green = *blue = colour[0];
    return;
  }
  *blue = colour[0];
  *green = colour[1];
  *red = colour[2];
}

PageTransformObserver g_transformObserver = nullptr;

int Emit(const ImageStore* store) { return (store->emit ? store->emit : NoOperation)() == 0 ? 0 : -1; }

}  // namespace

int NoOperation() { return 0; }

ImageStore* CreateImageStore(const PdevState* pdev, uint32_t poolSize) {
  if (!pdev) return nullptr;
  auto* store = static_cast<ImageStore*>(GlobalAlloc(GPTR, sizeof(ImageStore)));
  if (!store) return nullptr;
  store->modeA = store->modeB = 1;
  store->stream = pdev->jobOutput;
  store->extendedLevel = HasFeatureLevel(pdev, kExtendedFeatureLevel);
  store->poolSize = poolSize;
  store->emit = NoOperation;
  store->stateCache = static_cast<GraphicsStateCache*>(GlobalAlloc(GPTR, sizeof(GraphicsStateCache)));
  if (!store->stateCache) {
    GlobalFree(store);
    return nullptr;
  }
  store->stateCache->cacheMode = 1;
  if (poolSize != 0) {
    if (CreateMemoryPool(&store->pool, poolSize) != kPoolOk) {
      GlobalFree(store->stateCache);
      GlobalFree(store);
      return nullptr;
    }
    store->poolActive = 1;
  }
  store->featureLevel = static_cast<uint32_t>(GetSettingInt(&pdev->devmode, pdev->printerSettings, 1308));
  return store;
}

int FreeImageStore(ImageStore* store) {
  if (!store) return 0;
  if (store->pool) DestroyMemoryPool(store->pool);
  if (store->stateCache) {
    if (store->stateCache->attributeBuffer) GlobalFree(store->stateCache->attributeBuffer);
    GlobalFree(store->stateCache);
  }
  GlobalFree(store);
  return 0;
}

int ResetImageStore(ImageStore* store) {
  if (!store) return -1;
  int result = 0;
  if (store->modeB == 1) {
    if (store->poolActive) {
      DestroyMemoryPool(store->pool);
      store->pool = nullptr;
      store->poolActive = 0;
      if (CreateMemoryPool(&store->pool, store->poolSize) == kPoolOk) store->poolActive = 1;
      else result = -1;
    }
    ClearPendingState(store);
  }
  if (store->stateCache) ResetCache(store->stateCache);
  return result;
}

void SetStoreModes(ImageStore* store, uint32_t a, uint32_t b) {
  if (!store) return;
  store->modeA = a;
  store->modeB = b;
}

int ClearPendingState(ImageStore* store) {
  if (!store || !store->stateCache) return -1;
  std::memset(&store->stateCache->pending, 0, sizeof store->stateCache->pending);
  return 0;
}

int SetStateCacheMode(ImageStore* store, uint32_t mode) {
  if (!store || !store->stateCache) return -1;
  const uint32_t previous = store->stateCache->cacheMode;
  store->stateCache->cacheMode = mode;
  return static_cast<int>(previous);
}

int SetPageTransform(ImageStore* store, const PageTransform* matrix) {
  if (!store || !store->stateCache || !matrix) return -1;
  GraphicsStateCache* cache = store->stateCache;
  if (cache->cacheMode != 0 && std::memcmp(&cache->transform, matrix, sizeof *matrix) == 0) return 0;
  // A transform that could not be sent is not cached, so the next one is sent.
  if (Emit(store) != 0) return -1;
  std::memcpy(&cache->transform, matrix, sizeof *matrix);
  if (g_transformObserver) g_transformObserver(matrix);
  return 0;
}

void SetPageTransformObserver(PageTransformObserver observer) { g_transformObserver = observer; }

int UpdatePageTransform(ImageStore* store, const PageTransform* matrix) {
  if (!store || !store->stateCache || !matrix) return -1;
  std::memcpy(&store->stateCache->transform, matrix, sizeof *matrix);
  return 0;
}

int FlushPageState(ImageStore* store) {
  if (!store) return -1;
  return Emit(store);
}

int PoolActive(const ImageStore* store) { return store ? static_cast<int>(store->poolActive) : 0; }

int64_t AllocFromStorePool(ImageStore* store, int16_t tagB, int16_t tagA, uint8_t tagC, uint32_t* record, uint32_t n,
                           bool take) {
  if (!store || !store->poolActive || !store->pool) return -1;
  uint64_t offset = 0;
  uint32_t unused = 0;
  if (AllocFromPool(store->pool, tagB, tagA, tagC, &offset, record ? record : &unused, n, take) != kPoolOk) return -1;
  return static_cast<int64_t>(offset);
}

int GetPageTransform(const ImageStore* store, PageTransform* out) {
  if (!store || !store->stateCache || !out) return -1;
  std::memcpy(out, &store->stateCache->transform, sizeof *out);
  return 0;
}

int GetImageOutputValues(const ImageStore* store, BYTE* value1, DWORD* value2) {
  if (!store || !store->stateCache || !value1 || !value2) return -1;
  *value1 = static_cast<BYTE>(store->stateCache->outputValue1);
  *value2 = store->stateCache->outputValue2;
  return 0;
}

int SelectRasterOp(ImageStore* store, uint32_t type, uint32_t code) {
  if (!store) return -1;
  return MapRasterOp(store->stream, type, code) == 0 ? 0 : -1;
}

int SetSolidColor(ImageStore* store, uint32_t, uint32_t kind, const BYTE* colour) {
  if (!store || !store->stream || !colour) return -1;
  BYTE red, green, blue;
  ColourBytes(kind, colour, &red, &green, &blue);
  SetForegroundGrey(store->stream, red, green, blue);
  return 0;
}

int SetHatchBackground(ImageStore* store, uint32_t, uint32_t kind, uint32_t, const BYTE* colour) {
  if (!store || !store->stream || !colour) return -1;
  BYTE red, green, blue;
  ColourBytes(kind, colour, &red, &green, &blue);
  SetBackgroundGrey(store->stream, red, green, blue);
  return 0;
}

int FillStoreRect(ImageStore* store, const RECTL* rect) {
  if (!store || !store->stream || !rect) return -1;
  FillRectSpans(store->stream, POINTL{rect->left, rect->top}, POINTL{rect->right, rect->bottom});
  return 0;
}
