// libtiff as the peer of the CCITT tests, loaded at run time: writing strips
// (raw or encoded by libtiff) into TIFF files, reading a file's raw strips with
// their coding tags, and decoding strips with libtiff's own decoder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TiffPeerFile {
  uint32_t width = 0, height = 0, rows_per_strip = 0;
  uint16_t compression = 1, fill_order = 1;
  uint32_t t4_options = 0, t6_options = 0;
  uint16_t bits_per_sample = 1, samples_per_pixel = 1, predictor = 1;
  std::vector<std::vector<uint8_t>> raw_strips;
};

class TiffPeer {
 public:
  // The loaded library, or null (the test then fails with a message).
  static TiffPeer* get();

  // A one-strip file of the given coded bytes.
  bool write_raw(const std::string& path, uint32_t width, uint32_t height, uint16_t compression, uint32_t t4_options,
                 const std::vector<uint8_t>& strip, uint16_t fill_order = 1);
  // Rows (packed, 1 = black) coded by libtiff with the compression and T4Options.
  bool write_encoded(const std::string& path, uint32_t width, const std::vector<std::vector<uint8_t>>& rows,
                     uint16_t compression, uint32_t t4_options, uint32_t rows_per_strip);
  // Tags and raw strips of the first page.
  bool read_raw(const std::string& path, TiffPeerFile& out);
  // Strips decoded by libtiff, all concatenated (packed rows, 1 = black).
  bool read_decoded(const std::string& path, std::vector<uint8_t>& out);

 private:
  TiffPeer() = default;
  struct Api;
  Api* api_ = nullptr;
};

// A fresh folder for one test's files.
std::string make_temp_dir();
// Runs a shell command; true when it exits with 0.
bool run_command(const std::string& command);
