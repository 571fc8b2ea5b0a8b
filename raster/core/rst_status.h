// Status codes of the raster library, the exception that carries an error out
// of a report, and the two sinks a report reaches: the observer (errors) and
// the messager (every report).
#pragma once

#include <cstdint>

// Codes reported to the status context. Errors are at or below zero,
// warnings above it. Codecs and formats add codes of their own.
namespace RstCode {
inline constexpr int32_t good = 1;                    // nothing reported
inline constexpr int32_t no_memory = -1;              // out of memory
inline constexpr int32_t bad_argument = -2;           // null input, bad size or value
inline constexpr int32_t unsupported_form = -3;       // data form, bits, channels
inline constexpr int32_t invalid_code = -4;           // invalid coded data
inline constexpr int32_t unsupported_operation = -5;  // or wrong kind/order of source
inline constexpr int32_t io_failure = -11;            // storage read, write or seek
inline constexpr int32_t not_this_format = -12;       // no reader for the data
inline constexpr int32_t bad_tile_strip = -13;        // TIFF tile or strip attributes
inline constexpr int32_t unsupported_variant = -14;   // variant of a coded format
inline constexpr int32_t seek_failure = -16;          // seek while writing
inline constexpr int32_t unsupported_option = -50;    // option, sample or colour type
inline constexpr int32_t pdf_convert_failed = -105;   // PDF objects to object image
inline constexpr int32_t pdf_page_beyond = -206;      // PDF page beyond the count
inline constexpr int32_t tiff_header_convert = -303;  // TIFF header to RstHeader
inline constexpr int32_t tiff_color_type = -304;      // colour type not supported
inline constexpr int32_t tiff_compression = -305;     // TIFF compression not supported
inline constexpr int32_t end_of_input = 3;            // warning: EOF in raw data
inline constexpr int32_t recoverable_decode = 4;      // warning: line still delivered
inline constexpr int32_t jfif_segment = 100;          // warning: JFIF segment odd
}  // namespace RstCode

// The exception the default observer throws for an error: the code only.
class RstStatus {
 public:
  explicit RstStatus(int32_t code) : code_(code) {}
  int32_t code() const { return code_; }

 private:
  int32_t code_;
};

// Receives every error (code <= 0). The default throws RstStatus.
class RstObserver {
 public:
  virtual ~RstObserver() = default;
  // reserved is always null; code points at the reported code.
  virtual void notify(void* reserved, const int32_t* code, const char* where);
  // A new default observer, or null after reporting -1 "RstObserver::create()".
  static RstObserver* create();
};

// Receives every report before it is stored. The default writes nothing.
class RstMessager {
 public:
  virtual ~RstMessager() = default;
  virtual void message(void* reserved, const int32_t* code, const char* where);
  // A new default messager, or null after reporting -1 "RstMessager::create()".
  static RstMessager* create();
};
