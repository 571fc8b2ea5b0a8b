// The process-wide status context: every failure or warning of the raster
// library is reported here as a code and a where-text ("Class::method()").
// It also holds the per-format enable bytes that format detection consults.
#pragma once

#include <cstdint>

#include "raster/core/rst_status.h"

// The 14 enable bytes (all 1 at creation); a format whose byte is 0 is skipped.
struct RstFormatEnables {
  static constexpr int tiff = 0;
  static constexpr int tiff_jbig_color = 1;  // TIFF pages with JBIG colour coding
  static constexpr int tiff_jbig = 2;        // TIFF pages with JBIG coding
  static constexpr int tiff_fx_mrc = 3;      // TIFF-FX mixed raster content pages
  static constexpr int jpeg = 4;             // JFIF, JPEG fax, plain JPEG
  static constexpr int exif = 5;
  static constexpr int bmp = 6;
  static constexpr int png = 7;
  static constexpr int edmics_mmr = 8;
  static constexpr int edmics_rlc = 9;
  static constexpr int sun_raster = 10;
  static constexpr int cals = 11;
  static constexpr int pdf = 12;
  static constexpr int gif = 13;
  static constexpr int count = 14;

  uint8_t bytes[count];
};

class RstStatusContext {
 public:
  // The context, made on first use under the status mutex; null only when it
  // could not be allocated (report sites then skip reporting).
  static RstStatusContext* instance();

  // Messager first, then the last status, then the observer for codes <= 0.
  // Takes no lock and allocates nothing.
  void report(void* reserved, const int32_t* code, const char* where);

  // Under the status mutex: stores value as last status, returns the old one.
  int32_t exchange_status(int32_t value);

  RstObserver* observer() const { return observer_; }
  RstMessager* messager() const { return messager_; }
  // Install another observer or messager (null: none); return the previous
  // one. The context never deletes either.
  RstObserver* set_observer(RstObserver* observer);
  RstMessager* set_messager(RstMessager* messager);

  // Code of the latest report (1 at creation); may be read directly.
  int32_t last_status = RstCode::good;
  RstFormatEnables format_enables;

 private:
  RstStatusContext();
  ~RstStatusContext() = delete;  // lives until the process ends

  RstObserver* observer_ = nullptr;
  RstMessager* messager_ = nullptr;
};

// Reports code and where-text to the context when there is one.
void rst_report(int32_t code, const char* where);
