// CRstInterface: the preview's one bridge to the raster library. It describes
// one page of a file (size, resolution, page count, and for TIFF files the
// first page's Orientation and Software), and renders a page at a zoom and
// rotation into a bottom-up 24-bit bitmap of blue-green-red rows padded to 4
// bytes. Every render opens the file again; between calls it keeps only the
// description and the bitmap, each replaced only by a call that succeeds.
// No call lets an exception out: a failure is false, and what the library
// reported is kept for the caller's message.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/gdi/gdi_palette_icon.h"

class CDC;
class RstCodingOption;
class RstImageInfo;

class CRstInterface {
 public:
  // The last failure: whether the library reported one, its code and
  // where-text.
  struct Failure {
    bool reported = false;
    int32_t code = 0;
    std::string where;
  };

  // The export's choices turned into the page writer's options: layer mode,
  // mask and layer coding options (none: uncompressed), reductions and the
  // MR option's K.
  struct MrcCoding {
    uint32_t mode = 0;
    std::unique_ptr<RstCodingOption> mask;
    std::unique_ptr<RstCodingOption> background;
    std::unique_ptr<RstCodingOption> foreground;
    uint32_t background_reduction = 1;
    uint32_t foreground_reduction = 1;
    int32_t k = 2;
    MrcCoding();
    ~MrcCoding();
    MrcCoding(MrcCoding&&) noexcept;
    MrcCoding& operator=(MrcCoding&&) noexcept;
  };

  CRstInterface();
  virtual ~CRstInterface();
  CRstInterface(const CRstInterface&) = delete;
  CRstInterface& operator=(const CRstInterface&) = delete;

  // Describes page (1-based) of the file. False leaves the last description.
  bool OpenPage(const char* path, uint32_t page);
  // Renders the page described last: zoom percent, mode 0 (pixels), 1 (72
  // dots per inch) or 2 (fit: the axis of lower resolution stretched),
  // clockwise angle in degrees added to the file's orientation. False leaves
  // the last bitmap.
  bool RenderPage(const char* path, int zoom, int mode, int angle, uint32_t page);
  // Paints the bitmap 1:1 at the context's logical origin; false without
  // one (preview/window).
  bool Draw(CDC* pDC);
  // The bitmap's 40-byte header; the caller deletes it. Null when memory ran
  // out.
  BITMAPINFOHEADER* MakeBitmapInfo() const;

  int GetDisplayWidth() const { return bitmap_width_; }
  int GetDisplayHeight() const { return bitmap_height_; }
  uint32_t GetWidth() const { return page_width_; }
  uint32_t GetHeight() const { return page_height_; }
  uint32_t GetXResolution() const { return x_resolution_; }
  uint32_t GetYResolution() const { return y_resolution_; }
  int GetPageCount() const { return page_count_; }
  RstImageInfo* GetImageInfo() const { return image_info_; }
  std::string GetSoftwareText() const { return software_; }
  int GetOrientation() const { return orientation_; }
  // The bitmap's rows, bottom row first; null when none was rendered.
  const uint8_t* GetBits() const { return pixels_; }
  int GetRowStride() const { return row_stride_; }
  const Failure& GetLastFailure() const { return failure_; }

  // The export's option mapping; y_resolution is the shown page's.
  static MrcCoding MapMrcOptions(int documentType, int maskCompression, int fgCompression, int bgCompression,
                                 int fgReduction, int bgReduction, int fgSubsampling, int bgSubsampling, int fgQuality,
                                 int bgQuality, uint32_t y_resolution);
  // Writes pages 1 to pageCount of the input as one TIFF-FX profile M file.
  // Pages are written as they are shown (4-bit levels spread, colormaps
  // expanded). The bridge keeps describing the shown page. An output that
  // names the input file, or a refused choice, is refused before anything is
  // opened; a failure keeps the pages completed so far as a valid file, and
  // removes the output when no page was completed. False names the failing
  // page (0: none, the output itself).
  bool ExportMrc(const char* inputPath, const char* outputPath, int documentType, int maskCompression,
                 int fgCompression, int bgCompression, int fgReduction, int bgReduction, int fgSubsampling,
                 int bgSubsampling, int fgQuality, int bgQuality, int pageCount);
  int GetExportFailedPage() const { return export_failed_page_; }
  bool ExportHitInput() const { return export_hit_input_; }

  // Exchanges everything with another bridge (the document tries a file or
  // page on a fresh bridge and takes it over only when it worked).
  void Swap(CRstInterface& other);

 private:
  bool open_page(const char* path, uint32_t page);
  bool render_page(const char* path, int zoom, int mode, int angle, uint32_t page);
  void release();
  bool export_mrc(const char* input, const char* output, const MrcCoding& coding, int pageCount);

  int page_count_ = 0;
  RstImageInfo* image_info_ = nullptr;
  uint32_t page_height_ = 0;
  uint32_t page_width_ = 0;
  int row_stride_ = 0;
  int bitmap_width_ = 0;
  int bitmap_height_ = 0;
  uint32_t x_resolution_ = 72;
  uint32_t y_resolution_ = 72;
  uint8_t* pixels_ = nullptr;
  int orientation_ = 1;
  std::string software_;
  int export_page_number_ = 1;
  int export_failed_page_ = 0;
  bool export_hit_input_ = false;
  Failure failure_;
  // The unturned target size of the last render, for a render in another mode.
  uint64_t last_target_width_ = 0;
  uint64_t last_target_height_ = 0;
};
