// The outside libraries' page files (see outside_tiff_files.h).
#include "platform/outside/outside_tiff_files.h"

#include <cstring>

#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_path.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_color_type.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_read.h"
#include "raster/core/rst_read_raw_from_byte_array.h"
#include "raster/core/rst_status_context.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_write_tiff.h"
#include "raster/geometry/rst_geometry_creators.h"

namespace {

// Reports of the raster library end the failing step with its status; they
// are not thrown across this library's calls.
struct QuietReports : RstObserver {
  void notify(void*, const int32_t*, const char*) override {}
};

// The observer the quiet one replaced: the context owns none of them, so it
// is kept here for the life of the library.
RstObserver* volatile g_replacedObserver = nullptr;

void UseQuietReports() {
  static QuietReports quiet;
  static const bool installed = [] {
    if (RstStatusContext* c = RstStatusContext::instance()) g_replacedObserver = c->set_observer(&quiet);
    return true;
  }();
  (void)installed;
}

// Larger pages than any paper at any device resolution are not pages.
constexpr int32_t kMaxDots = 1 << 20;

std::u16string WideOf(const char* ansi) {
  WCHAR wide[MAX_PATH];
  if (!ansi || !ansi[0] || MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, int(MAX_PATH)) <= 0) return {};
  return wide;
}

}  // namespace

std::string OutsideHostPath(const char* ansiPath) {
  std::u16string wide = WideOf(ansiPath);
  std::string host;
  if (wide.empty() || PkResolveWindowsPath(wide.c_str(), nullptr, &host) != 0) return {};
  return host;
}

bool MakeOutsideTempFile(const char* ansiFolder, const char16_t* prefix, char* ansiOut) {
  std::u16string folder = WideOf(ansiFolder);
  if (folder.empty()) return false;
  WCHAR name[MAX_PATH + 20];
  if (GetTempFileNameW(folder.c_str(), prefix, 0, name) == 0) return false;
  if (WideCharToMultiByte(CP_ACP, 0, name, -1, ansiOut, int(MAX_PATH), nullptr, nullptr) <= 0) {
    DeleteFileW(name);
    return false;
  }
  return true;
}

bool DeleteOutsideFile(const char* ansiPath) {
  std::u16string wide = WideOf(ansiPath);
  return !wide.empty() && DeleteFileW(wide.c_str());
}

namespace {

bool WritePage(OutputStorage& out, const PackedRows& image, uint32_t resolution, uint32_t rowsPerStrip) {
  if (image.width == 0 || image.rows == 0 || resolution == 0 || image.bits.size() < size_t(image.rows) * image.rowBytes)
    return false;
  UseQuietReports();
  RstHeader h;
  h.width = int32_t(image.width);
  h.height = int32_t(image.rows);
  h.bits_per_sample = 1;
  h.samples_per_pixel = 1;
  h.color_type = RstColorType::s_gray_reverse();
  RstRead* raw = RstReadRawFromByteArray::create(image.bits.data(), h, int32_t(image.rowBytes), false, false);
  if (!raw) return false;
  RstWriteTIFFOption option(resolution, resolution, RstDataForm::mmr, rowsPerStrip, nullptr);
  RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949);
  if (!manager) {
    raw->end();
    return false;
  }
  RstWrite* writer = RstWriteTIFF::create(raw, manager, &option);
  bool ok = writer != nullptr;
  if (writer) {
    while (writer->write() != 0) {
    }
    ok = writer->status() == RstCode::good;
    writer->end();
  } else {
    raw->end();
  }
  manager->close();
  return ok;
}

}  // namespace

bool WriteOnePageTiff(const std::string& hostPath, const PackedRows& image, uint32_t resolution,
                      uint32_t rowsPerStrip) {
  FileOutputStorage out;
  if (hostPath.empty() || !out.open(hostPath)) return false;
  const bool ok = WritePage(out, image, resolution, rowsPerStrip);
  out.close();
  return ok;
}

bool WriteOnePageTiffFile(const char* ansiPath, const PackedRows& image, uint32_t resolution, uint32_t rowsPerStrip) {
  std::u16string wide = WideOf(ansiPath);
  if (wide.empty()) return false;
  // Made whole in memory, then handed to the file in one write.
  MemoryOutputStorage memory;
  if (!WritePage(memory, image, resolution, rowsPerStrip) || memory.size() <= 0) return false;
  std::vector<uint8_t> bytes(size_t(memory.size()));
  InputStorage* in = memory.to_input_storage();
  if (!in) return false;
  const bool read = in->read(bytes.data(), int32_t(bytes.size())) == int32_t(bytes.size());
  delete in;
  if (!read) return false;
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  return CloseHandle(file) && ok;
}

bool ReadOnePageTiff(const std::string& hostPath, uint32_t width, PackedRows& image) {
  // G4 strips decode to run lines, painted into rows by the geometry nodes.
  static const bool registered = (rst_register_geometry_creators(), true);
  (void)registered;
  UseQuietReports();
  FileInputStorage in;
  if (hostPath.empty() || !in.open(hostPath)) return false;
  RstRead* reader = RstReadRaster::create(&in, 1);
  if (!reader) return false;
  RstHeader h;
  reader->header(h);
  if (width == 0 && h.width > 0) width = uint32_t(h.width);
  const bool fits = h.width == int32_t(width) && h.height > 0 && h.width <= kMaxDots && h.height <= kMaxDots &&
                    h.bits_per_sample == 1 && h.samples_per_pixel == 1 && h.color_type &&
                    h.color_type->is_gray_reverse() && !h.colormap;
  if (!fits || reader->line_size() != int((width + 7) / 8)) {
    reader->end();
    return false;
  }
  image.width = width;
  image.rowBytes = (width + 7) / 8;
  image.rows = uint32_t(h.height);
  // Rows are kept as they decode: a header's height alone allocates nothing.
  image.bits.clear();
  std::vector<uint8_t> row(image.rowBytes);
  uint32_t got = 0;
  while (got < image.rows && reader->read(row.data()) > 0) {
    image.bits.insert(image.bits.end(), row.begin(), row.end());
    ++got;
  }
  reader->end();
  return got == image.rows;
}
