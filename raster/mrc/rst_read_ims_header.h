// The IMS/IMT object image: a little-endian byte form of one mixed raster
// content page, a 28-byte header, 96-byte object records whose coded data lie
// in another storage, and an 8-byte end record. RstReadIMTHeader reads the
// whole image at once into validated records; the canvas builder turns them
// into canvas objects.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "raster/core/data_input.h"
#include "raster/core/input_storage.h"
#include "raster/core/rst_header.h"
#include "raster/core/rst_private_header.h"

namespace RstIMS {
inline constexpr uint32_t magic_ims = 0x736D692E;  // ".ims"
inline constexpr uint32_t magic_imt = 0x746D692E;  // ".imt"
inline constexpr uint32_t version = 0x00010000;
inline constexpr uint32_t end_tag = 0xDEADFEED;
inline constexpr int32_t header_bytes = 28;
inline constexpr int32_t record_bytes = 96;
inline constexpr int32_t end_record_bytes = 8;

// Object tags.
inline constexpr uint32_t tag_image = 1;
inline constexpr uint32_t tag_mask = 2;
inline constexpr uint32_t tag_masked_color = 3;
inline constexpr uint32_t tag_filled_rect = 4;
inline constexpr uint32_t tag_ignored = 6;
inline constexpr uint32_t tag_bilevel = 7;
}  // namespace RstIMS

// The header as it lies in the image.
struct RstIMSFileHeader {
  uint32_t magic;
  uint32_t version;
  uint32_t page_width;
  uint32_t page_height;
  uint32_t x_resolution;
  uint32_t y_resolution;
  uint32_t kind;
};
static_assert(sizeof(RstIMSFileHeader) == 28);
static_assert(offsetof(RstIMSFileHeader, page_width) == 8);
static_assert(offsetof(RstIMSFileHeader, kind) == 24);

// One object record as it lies in the image (words 0 to 23).
struct RstIMSRecord {
  uint32_t tag = 0;
  uint32_t x = 0;
  uint32_t y = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t pixel_width = 0;
  uint32_t pixel_height = 0;
  uint32_t bytes_per_line = 0;
  uint32_t compression = 0;
  uint32_t color_space = 0;
  uint32_t reserved[3] = {0, 0, 0};
  uint32_t color[3] = {0, 0, 0};
  uint32_t data_length = 0;
  uint32_t data_offset = 0;
  float a = 1.0f;
  float b = 0.0f;
  float c = 0.0f;
  float d = 1.0f;
  int32_t x_origin = 0;
  int32_t y_origin = 0;
};
static_assert(sizeof(RstIMSRecord) == 96);
static_assert(offsetof(RstIMSRecord, compression) == 32);
static_assert(offsetof(RstIMSRecord, color_space) == 36);
static_assert(offsetof(RstIMSRecord, reserved) == 40);
static_assert(offsetof(RstIMSRecord, color) == 52);
static_assert(offsetof(RstIMSRecord, data_length) == 64);
static_assert(offsetof(RstIMSRecord, data_offset) == 68);
static_assert(offsetof(RstIMSRecord, a) == 72);
static_assert(offsetof(RstIMSRecord, d) == 84);
static_assert(offsetof(RstIMSRecord, x_origin) == 88);
static_assert(offsetof(RstIMSRecord, y_origin) == 92);

// The end record as it lies in the image.
struct RstIMSEndRecord {
  uint32_t tag;
  uint32_t count;  // object records + 1
};
static_assert(sizeof(RstIMSEndRecord) == 8);

// One record in memory with the image header derived from it.
class RstIMSObject {
 public:
  RstIMSObject() = default;
  explicit RstIMSObject(const RstIMSRecord& record);

  // The colour type, bits and samples a colour space code gives; false for
  // a code outside the table (type null, bits and samples 0).
  static bool color_space(uint32_t code, RstColorType** type, int32_t* bits, int32_t* samples);
  // The data form a compression code gives; -1 for a code outside the table.
  static int32_t data_form(uint32_t compression);

  // Kind tests of the canvas builder.
  bool is_image() const;
  bool is_mask() const;  // also the test of a bilevel image
  bool is_masked_color() const;
  bool is_end() const { return record.tag == RstIMS::end_tag; }

  RstIMSRecord record;
  RstHeader header;
};

// What the variants of the image reader supply.
class RstIMSHeader {
 public:
  virtual ~RstIMSHeader() = default;
  // Reads words 17 to 23 into the record.
  virtual void read_object_extension(RstIMSRecord& record) = 0;
  // Called before each record after the first.
  virtual void object_hook() = 0;
};

class RstReadIMSHeaderCore : public RstPrivateHeader, public RstIMSHeader {
 public:
  // Status: 1 valid; 13 the header or a record failed its tests; -12 not an
  // object image; -3 not even the first record could be read.
  int32_t status() const { return status_; }
  const RstIMSFileHeader& file_header() const { return header_; }
  bool is_imt() const { return header_.magic == RstIMS::magic_imt; }
  // The records in stream order, the end record (when read) last.
  const std::vector<RstIMSObject>& objects() const { return objects_; }

  // The placement of a record on the page, inclusive bounds, by the image's
  // variant.
  void placement(const RstIMSRecord& r, uint32_t* left, uint32_t* right, uint32_t* top, uint32_t* bottom) const;

 protected:
  explicit RstReadIMSHeaderCore(InputStorage* storage);
  // Reads the whole image.
  void init();
  // Reads one record; true when a further record may follow.
  bool first_object();
  int32_t remaining() const;

  RstIMSFileHeader header_ = {};
  std::vector<RstIMSObject> objects_;
  int32_t status_ = 1;
  DataInput<InputStorage> in_;
};

class RstReadIMTHeader : public RstReadIMSHeaderCore {
 public:
  // Reads the whole image from the storage's position.
  explicit RstReadIMTHeader(InputStorage* storage);
  void read_object_extension(RstIMSRecord& record) override { set_position_and_ctm(record); }
  void object_hook() override {}
  void set_position_and_ctm(RstIMSRecord& record);
};
