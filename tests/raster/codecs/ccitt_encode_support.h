// Test side of the CCITT encoder tests: a raw or run-line source of packed
// rows that counts its reads, a driver that pulls every code byte out of an
// encoder node (checking each read against the node's line size), the
// coding options of every combination, and a bit-level view of coded data.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ccitt_support.h"
#include "raster/codecs/rst_encode_ccitt.h"
#include "raster/core/rst_color_type.h"

// Packed rows (1 = black) delivered one per read, raw or as run lines.
class RowSource : public RstRead {
 public:
  RowSource(int32_t width, std::vector<std::vector<uint8_t>> rows, bool run_lines = false,
            RstColorType* color = RstColorType::s_gray_reverse())
      : width_(width), rows_(std::move(rows)), run_lines_(run_lines), color_(color) {}

  void header(RstHeader& h) override {
    h = make_header(width_, static_cast<int32_t>(rows_.size()), run_lines_ ? RstDataForm::rle : RstDataForm::raw);
    h.color_type = color_;
  }
  int read(uint8_t* line) override;
  void reset() override { next_ = 0; }
  int line_size() override { return run_lines_ ? ((width_ + 1) / 2) * 8 + 8 : (width_ + 7) / 8; }

  int reads = 0;  // lines handed out

 private:
  int32_t width_;
  std::vector<std::vector<uint8_t>> rows_;
  bool run_lines_;
  RstColorType* color_;
  size_t next_ = 0;
};

enum class Form { mh = 1, mr = 2, mmr = 3 };

// One encoder setting: the form and its option fields.
struct Coding {
  Form form;
  uint8_t end_code = 1;
  uint8_t eol = 1;
  uint8_t byte_align = 0;
  int32_t k = 4;

  std::string name() const;
  // A new option of the form's class.
  RstCodingOption* option() const;
};

// Every option combination: MH (eol, byte_align, end_code), MR (byte_align,
// end_code, K 1, 2, 4), MMR (end_code).
std::vector<Coding> all_codings();

struct Encoded {
  std::vector<uint8_t> bytes;
  std::vector<int> read_sizes;
  int line_size = 0;
  bool within_line_size = true;
};

// Pulls every byte out of an encoder over a new RowSource; the node is ended.
Encoded encode_rows(const Coding& c, int32_t width, const std::vector<std::vector<uint8_t>>& rows,
                    bool run_lines = false);
// The node of a coding over a source (null: reported).
RstRead* make_encoder(const Coding& c, RstRead* source);

// Decodes with our decoder nodes under the matching option; packed rows.
std::vector<uint8_t> decode_ours(const Coding& c, const std::vector<uint8_t>& code, int32_t width, int32_t height,
                                 bool* invariants = nullptr);

// Rows of a page: 0 random, 1 alternating pixels, 2 all black, 3 all white,
// 4 random blocks (runs of several lengths).
std::vector<std::vector<uint8_t>> make_rows(int32_t width, int32_t height, int kind, std::mt19937& rng);
std::vector<uint8_t> concat(const std::vector<std::vector<uint8_t>>& rows);

// The bits of coded data as a '0'/'1' string.
std::string bit_string(const std::vector<uint8_t>& bytes);
// The tag bits that follow each EOL (11 or more zeros, then 1) of T.4 data.
std::vector<int> eol_tags(const std::vector<uint8_t>& bytes);
