// Velmora: the outside library that gathers the job's page files into one
// multi-page TIFF. The storage object is the open output file, the manager
// object links each appended page into the file's IFD chain; both are plain
// values to the driver. Every entry point catches every exception.
#include <cstdint>
#include <cstring>
#include <new>

#include "platform/outside/outside_tiff_files.h"
#include "platform/outside/tiff_job_record.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/formats/rst_write_tiff.h"

#define VELMORA_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kFailed = -1;

// The manager's state: the chain's manager over the storage.
struct Manager {
  FileOutputStorage* storage;
  RstWriteTIFFMultiPageManager* chain;
};

Manager* ManagerOf(const TiffJobRecord* record) {
  return record ? reinterpret_cast<Manager*>(static_cast<uintptr_t>(record->managerObject)) : nullptr;
}

// One page of the multi-page file: NewSubfileType 2, the rows in the page
// file's strip height (its full band height).
bool AppendPage(Manager* manager, const PackedRows& page, uint32_t resolution, uint32_t rowsPerStrip) {
  RstHeader h;
  h.width = int32_t(page.width);
  h.height = int32_t(page.rows);
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  h.color_type = RstColorType::s_gray_reverse();
  RstRead* raw = RstReadRawFromByteArray::create(page.bits.data(), h, int32_t(page.rowBytes), false, false);
  if (!raw) return false;
  RstWriteTIFFOption option(resolution, resolution, RstDataForm::mmr, rowsPerStrip, nullptr);
  option.new_subfile_type = 2;
  RstWrite* writer = RstWriteTIFF::create(raw, manager->chain, &option);
  if (!writer) {
    raw->end();
    return false;
  }
  while (writer->write() != 0) {
  }
  const bool ok = writer->status() == RstCode::good;
  writer->end();
  return ok;
}

}  // namespace

VELMORA_EXPORT uint64_t CreateFileOutputStorageObject(const char* ansiPath) {
  try {
    std::string host = OutsideHostPath(ansiPath);
    if (host.empty()) return 0;
    auto* storage = new FileOutputStorage();
    if (!storage->open(host)) {
      delete storage;
      return 0;
    }
    return reinterpret_cast<uintptr_t>(storage);
  } catch (...) {
    return 0;
  }
}

VELMORA_EXPORT uint64_t CreateMultiPageManagerObject(const uint64_t* storageObject) {
  try {
    if (!storageObject || *storageObject == 0) return 0;
    auto* storage = reinterpret_cast<FileOutputStorage*>(static_cast<uintptr_t>(*storageObject));
    RstWriteTIFFMultiPageManager* chain = RstWriteTIFFMultiPageManager::create(storage, 0, 0x4949);
    if (!chain) return 0;
    return reinterpret_cast<uintptr_t>(new Manager{storage, chain});
  } catch (...) {
    return 0;
  }
}

VELMORA_EXPORT int CreateMultiTIFFFile(TiffJobRecord* record) {
  try {
    Manager* manager = ManagerOf(record);
    if (!manager || !std::memchr(record->outputFile, 0, kOutsidePathBytes) || record->outputFile[0] == 0)
      return kFailed;
    // The page file's own strip height carries over: read it from the page.
    PackedRows page;
    if (!ReadOnePageTiff(OutsideHostPath(record->outputFile), 0, page)) return kFailed;
    const uint32_t res = record->resolution ? record->resolution : 1;
    uint32_t strip = record->bytesPerRow ? record->bandBufferSize / record->bytesPerRow : 0;
    strip = strip > 1 ? strip - 1 : page.rows;
    return AppendPage(manager, page, res, strip) ? 0 : kFailed;
  } catch (...) {
    return kFailed;
  }
}

VELMORA_EXPORT int DeleateMultiTIFFObject(TiffJobRecord* record) {
  try {
    Manager* manager = ManagerOf(record);
    if (!manager) return kFailed;
    // Closing the chain writes its last next-IFD pointer 0.
    manager->chain->close();
    manager->storage->close();
    delete manager->storage;
    delete manager;
    record->managerObject = 0;
    record->storageObject = 0;
    return 0;
  } catch (...) {
    return kFailed;
  }
}
