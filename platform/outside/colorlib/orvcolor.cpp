// The colour library the device model names: it loads the model's colour
// data file, picks the table of a conversion mode for a page's images and
// converts their blue-green-red pixels through the raster library's
// multi-dimensional lookup table (tetrahedral interpolation on the 17^3
// grid). Instances are 32-bit handles; every entry point catches every
// exception and answers nonzero for a bad handle or a call out of order.
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "platform/outside/colorlib/colour_data_file.h"
#include "platform/outside/colorlib/colour_library_calls.h"
#include "platform/outside/outside_tiff_files.h"
#include "raster/color/ct_mdlut.h"

#define ORVCOLOR_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr uint16_t kOk = 0;
constexpr uint16_t kNoConversion = 1;
constexpr uint16_t kBadHandle = 1;
constexpr uint16_t kOutOfOrder = 2;
constexpr uint16_t kBadArgument = 3;
constexpr uint16_t kFailed = 4;

using Lut = CtMDLUTLinear<UIntNBit<8>, UIntNBit<8>, 3>;

struct Instance {
  ColourData data;
  std::shared_ptr<const ColourTable> table;  // of the mode begun; null: none
  uint32_t mode = 0;
  uint32_t images = 0;
  bool begun = false;
  std::unique_ptr<Lut> lut;  // made at the end of the parameters
};

std::mutex gMutex;
std::map<uint32_t, std::unique_ptr<Instance>> gInstances;
uint32_t gNextHandle = 1;

// The instance of a handle; the caller holds gMutex.
Instance* Find(uint32_t handle) {
  auto it = gInstances.find(handle);
  return it == gInstances.end() ? nullptr : it->second.get();
}

// The file's table (nodes red, green, blue; blue fastest) in the order of the
// pixels: input channel 0 is blue and fastest, outputs blue, green, red.
std::unique_ptr<Lut> MakeLut(const ColourTable& table) {
  std::vector<uint8_t> nodes(table.size());
  for (size_t i = 0; i + 2 < table.size(); i += 3) {
    nodes[i] = table[i + 2];
    nodes[i + 1] = table[i + 1];
    nodes[i + 2] = table[i];
  }
  return std::make_unique<Lut>(3, kColourGrid, nodes.data());
}

}  // namespace

ORVCOLOR_EXPORT uint32_t CLX_LoadCLX32(const char* dataPath) {
  try {
    if (!dataPath) return 0;
    const std::string host = OutsideHostPath(dataPath);
    auto instance = std::make_unique<Instance>();
    if (host.empty() || !LoadColourData(host, &instance->data)) return 0;
    std::lock_guard<std::mutex> lock(gMutex);
    while (gNextHandle == 0 || gInstances.count(gNextHandle)) ++gNextHandle;
    const uint32_t handle = gNextHandle++;
    gInstances[handle] = std::move(instance);
    return handle;
  } catch (...) {
    return 0;
  }
}

ORVCOLOR_EXPORT uint16_t CLX_FreeCLX32(uint32_t handle) {
  try {
    std::unique_ptr<Instance> gone;
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gInstances.find(handle);
    if (it == gInstances.end()) return kBadHandle;
    gone = std::move(it->second);
    gInstances.erase(it);
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOLOR_EXPORT uint16_t CLX_CreateParam_Begin32(uint32_t handle, uint8_t mode, ColourLibraryInfo* info) {
  try {
    std::lock_guard<std::mutex> lock(gMutex);
    Instance* in = Find(handle);
    if (!in) return kBadHandle;
    in->table = in->data.tables[mode];
    in->mode = mode;
    in->images = 0;
    in->lut.reset();
    in->begun = true;
    if (info) *info = ColourLibraryInfo{mode, 0, {0, 0}};
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOLOR_EXPORT uint16_t CLX_CreateParam32(uint32_t handle, const uint8_t* pixels, uint32_t width, uint32_t rows) {
  try {
    std::lock_guard<std::mutex> lock(gMutex);
    Instance* in = Find(handle);
    if (!in) return kBadHandle;
    if (!in->begun) return kOutOfOrder;
    if (!pixels && uint64_t(width) * rows != 0) return kBadArgument;
    ++in->images;
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOLOR_EXPORT uint16_t CLX_CreateParam_End32(uint32_t handle, void* entry, ColourLibraryInfo* info) {
  (void)entry;
  try {
    std::lock_guard<std::mutex> lock(gMutex);
    Instance* in = Find(handle);
    if (!in) return kBadHandle;
    if (!in->begun) return kOutOfOrder;
    if (info) info->images = in->images;
    if (!in->table || *in->table == IdentityColourTable()) return kNoConversion;
    in->lut = MakeLut(*in->table);
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOLOR_EXPORT uint16_t CLX_DeleteParam32(uint32_t handle, void* entry, ColourLibraryInfo* info) {
  (void)entry;
  (void)info;
  try {
    std::lock_guard<std::mutex> lock(gMutex);
    Instance* in = Find(handle);
    if (!in) return kBadHandle;
    in->lut.reset();
    in->table.reset();
    in->begun = false;
    in->images = 0;
    return kOk;
  } catch (...) {
    return kFailed;
  }
}

ORVCOLOR_EXPORT uint16_t CLX_ColorConvert32(uint32_t handle, const uint8_t* pixels, uint8_t* out, uint32_t width,
                                            uint32_t rows) {
  try {
    std::lock_guard<std::mutex> lock(gMutex);
    Instance* in = Find(handle);
    if (!in) return kBadHandle;
    if (!in->lut) return kOutOfOrder;
    uint64_t count = uint64_t(width) * rows;
    if (count && (!pixels || !out)) return kBadArgument;
    // In runs the transformer's pixel count can hold.
    constexpr uint64_t kRun = 1u << 20;
    for (uint64_t done = 0; done < count; done += kRun) {
      const unsigned n = unsigned(count - done < kRun ? count - done : kRun);
      in->lut->transform(pixels + done * 3, out + done * 3, n);
    }
    return kOk;
  } catch (...) {
    return kFailed;
  }
}
