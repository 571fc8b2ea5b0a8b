// Writing the TIFF file structure: the image file header, entries inline and
// out of line in both byte orders, a directory's layout, and the global
// parameters IFD read back by the tag readers.
#include "raster/formats/rst_write_tiff_file_structure.h"

#include <gtest/gtest.h>

#include "raster/core/memory_storage.h"
#include "raster/core/rst_status_recorder.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "raster/formats/rst_write_tiff_global_parameters.h"
#include "tiff_builder.h"
#include "tiff_write_support.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(MemoryOutputStorage& out) {
  Bytes b(size_t(out.size()));
  const MemoryBlockListPtr& blocks = out.blocks();
  MemoryInputStorage in(blocks);
  in.read(b.data(), int32_t(b.size()));
  return b;
}

Bytes slice(const Bytes& b, size_t at, size_t n) { return Bytes(b.begin() + long(at), b.begin() + long(at + n)); }

class WriteTiffStructure : public RstStatusTest {};

TEST_F(WriteTiffStructure, ImageFileHeaderInBothByteOrders) {
  for (uint32_t order : {0x4949u, 0x4D4Du}) {
    MemoryOutputStorage out;
    EXPECT_EQ(RstWriteTIFFImageFileHeader(order).write(&out), 8u);
    EXPECT_EQ(bytes_of(out),
              order == 0x4949 ? (Bytes{0x49, 0x49, 0x2A, 0, 8, 0, 0, 0}) : (Bytes{0x4D, 0x4D, 0, 0x2A, 0, 0, 0, 8}));
  }
  MemoryOutputStorage memory;
  FailingStorage failing(&memory, 5);
  EXPECT_EQ(RstWriteTIFFImageFileHeader(0x4949).write(&failing), 0u);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstWriteTIFFImageFileHeader::write()"}}));
}

// One entry written at position 0 of an empty output with its block at 100.
struct EntryCase {
  const char* name;
  bool big;
  RstWriteTIFFIFDEntry entry;
  Bytes field;   // the 4-byte value field
  Bytes values;  // what lies at 100 afterwards (empty: nothing out of line)
};

TEST_F(WriteTiffStructure, EntriesInlineAndOutOfLine) {
  static const char abc[] = "abc";
  static const char abcd[] = "abcd";
  static const uint16_t shorts[] = {0x0102, 0x0304};
  static const uint8_t four[] = {1, 2, 3, 4};
  static const uint32_t rational[] = {300, 1};
  using E = RstWriteTIFFIFDEntry;
  EntryCase cases[] = {
      {"ascii inline", false, E(305, 2, 4, 0, abc), {0x61, 0x62, 0x63, 0}, {}},
      {"ascii out of line", false, E(305, 2, 5, 0, abcd), {100, 0, 0, 0}, {0x61, 0x62, 0x63, 0x64, 0}},
      {"MM short 1", true, E(259, 3, 1, 1), {0, 1, 0, 0}, {}},
      {"II short 1", false, E(259, 3, 1, 1), {1, 0, 0, 0}, {}},
      {"MM byte 4 never swapped", true, E(404, 1, 4, 0, four), {1, 2, 3, 4}, {}},
      {"MM short 2 both inline", true, E(297, 3, 2, 0, shorts), {1, 2, 3, 4}, {}},
      {"II short 2 both inline", false, E(297, 3, 2, 0, shorts), {2, 1, 4, 3}, {}},
      {"MM short count 1 from data", true, E(297, 3, 1, 0, shorts), {1, 2, 0, 0}, {}},
      {"MM long", true, E(256, 4, 1, 0x01020304), {1, 2, 3, 4}, {}},
      {"MM rational", true, E(282, 5, 1, 0, rational), {0, 0, 0, 100}, {0, 0, 1, 0x2C, 0, 0, 0, 1}},
      {"II rational", false, E(282, 5, 1, 0, rational), {100, 0, 0, 0}, {0x2C, 1, 0, 0, 1, 0, 0, 0}},
  };
  for (EntryCase& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryOutputStorage out;
    RstTIFFDataOutput data(&out, c.big ? 0 : 1);
    uint64_t next = 99;  // rounded up to even
    ASSERT_TRUE(c.entry.write(data, next));
    if (!c.values.empty()) {
      EXPECT_EQ(next, 100 + c.values.size());
      ASSERT_TRUE(c.entry.write_values(data));
      Bytes b = bytes_of(out);
      EXPECT_EQ(slice(b, 100, c.values.size()), c.values);
      EXPECT_EQ(slice(b, 12, 88), Bytes(88, 0));  // zero-filled up to the block
    } else {
      EXPECT_EQ(next, 99u);
    }
    EXPECT_EQ(slice(bytes_of(out), 8, 4), c.field);
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(WriteTiffStructure, UnknownAndUnwritableTypes) {
  static const uint32_t two[] = {1, 2};
  MemoryOutputStorage out;
  RstTIFFDataOutput data(&out, 1);
  uint64_t next = 20;
  RstWriteTIFFIFDEntry ifd(330, 13, 2, 0, two);
  ASSERT_TRUE(ifd.write(data, next));
  EXPECT_FALSE(ifd.write_values(data));
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-50, "RstWriteTIFFIFDEntry::write_values() - tag value's type is unknown."}}));
  status.clear();
  // A rational without values and one IFD offset cannot stand inline.
  for (RstWriteTIFFIFDEntry e : {RstWriteTIFFIFDEntry(282, 5, 0, 0), RstWriteTIFFIFDEntry(330, 13, 1, 8)})
    EXPECT_FALSE(e.write(data, next));
  EXPECT_TRUE(status.messages().empty());
  // A block out of reach.
  static const uint32_t rational[] = {1, 2};
  FailingStorage failing(&out, 0);
  RstTIFFDataOutput spent(&failing, 1);
  EXPECT_FALSE(RstWriteTIFFIFDEntry(282, 5, 1, 100, rational).write_values(spent));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstWriteTIFFIFDEntry::write_values() - can't seek."}}));
}

// 256 LONG 5, 282 RATIONAL 300/1, 305 ASCII "abcd" at position 12.
struct SmallDirectory {
  uint32_t rational[2] = {300, 1};
  std::string text = "abcd";
  RstWriteTIFFImageFileDirectory dir;
  SmallDirectory() {
    dir.entries = {RstWriteTIFFIFDEntry(256, 4, 1, 5), RstWriteTIFFIFDEntry(282, 5, 1, 0, rational),
                   RstWriteTIFFIFDEntry(305, 2, 5, 0, text.c_str())};
  }
};

TEST_F(WriteTiffStructure, DirectoryLayoutInBothByteOrders) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    SmallDirectory d;
    MemoryOutputStorage out;
    out.write(Bytes(12, 0xAA).data(), 12);
    RstTIFFDataOutput data(&out, big ? 0 : 1);
    uint32_t offsets = 0, counts = 0, jpeg = 0;
    EXPECT_EQ(d.dir.write(data, offsets, counts, jpeg), 3u);
    EXPECT_EQ(d.dir.size(), 56u);
    EXPECT_EQ(out.tell(), 68);
    EXPECT_EQ(out.size(), 68);
    EXPECT_EQ(d.dir.next_ifd_slot_position, 50u);
    Bytes b = bytes_of(out);
    EXPECT_EQ(slice(b, 12, 2), big ? (Bytes{0, 3}) : (Bytes{3, 0}));
    EXPECT_EQ(slice(b, 50, 4), Bytes(4, 0));
    EXPECT_EQ(slice(b, 54, 8), big ? (Bytes{0, 0, 1, 0x2C, 0, 0, 0, 1}) : (Bytes{0x2C, 1, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(slice(b, 62, 6), (Bytes{0x61, 0x62, 0x63, 0x64, 0, 0}));
    // The entries' value fields point at their blocks.
    EXPECT_EQ(d.dir.entries[1].value, 54u);
    EXPECT_EQ(d.dir.entries[2].value, 62u);
    EXPECT_EQ(slice(b, 14 + 12 + 8, 4), big ? (Bytes{0, 0, 0, 54}) : (Bytes{54, 0, 0, 0}));
  }
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(WriteTiffStructure, ShortDirectoryWritesAreReported) {
  // Failing after n bytes: the count, an entry, the next-IFD offset, a
  // value block, the fill byte.
  struct Case {
    int64_t budget;
    uint32_t result;
    RstReport first;
  } cases[] = {
      {13, 0, {-11, "RstWriteTIFFImageFileDirectory::write() - can't write # of IFD"}},
      {12 + 2 + 12 + 5, 1, {-11, "RstWriteTIFFIFDEntry::write()"}},
      {12 + 38 + 2, 0, {-11, "RstWriteTIFFImageFileDirectory::write() - can't write Next IFD Offset."}},
      {12 + 42, 0, {-11, "RstWriteTIFFIFDEntry::write_values()"}},
      {12 + 42 + 3, 0, {-11, "RstWriteTIFFIFDEntry::write_values()"}},
      {12 + 42 + 8 + 5, 0, {-11, "RstWriteTIFFImageFileDirectory::write()"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.budget);
    SmallDirectory d;
    MemoryOutputStorage memory;
    FailingStorage out(&memory, c.budget);
    out.write(Bytes(12, 0).data(), 12);
    RstTIFFDataOutput data(&out, 1);
    uint32_t a = 0, b = 0, j = 0;
    EXPECT_EQ(d.dir.write(data, a, b, j), c.result);
    ASSERT_FALSE(status.errors().empty());
    EXPECT_EQ(status.errors()[0], c.first);
    status.clear();
  }
}

TEST_F(WriteTiffStructure, StripValuePositionsAreReported) {
  static const uint32_t offsets[] = {0, 0};
  using E = RstWriteTIFFIFDEntry;
  RstWriteTIFFImageFileDirectory dir;
  dir.entries = {E(273, 4, 2, 0, offsets), E(279, 4, 1, 7), E(514, 4, 1, 0)};
  MemoryOutputStorage out;
  out.write(Bytes(8, 0).data(), 8);
  RstTIFFDataOutput data(&out, 1);
  uint32_t a = 0, b = 0, j = 0;
  EXPECT_EQ(dir.write(data, a, b, j), 3u);
  EXPECT_EQ(a, 8u + 42u);         // the array behind the directory
  EXPECT_EQ(b, 8u + 2 + 12 + 8);  // the inline value field
  EXPECT_EQ(j, 8u + 2 + 24 + 8);
}

class WriteTiffGlobalParameters : public RstStatusTest {};

// Builds the record, writes it at 8 of an II or MM file and reads it back
// through a page IFD that points there.
RstTIFFGlobalParameters written_and_read(RstWriteTIFFGlobalParameters& gp, bool big, Bytes* written = nullptr) {
  MemoryOutputStorage out;
  RstTIFFDataOutput data(&out, big ? 0 : 1);
  RstWriteTIFFImageFileHeader(big ? 0x4D4D : 0x4949).write(&out);
  uint32_t size = gp.ifd_size();
  EXPECT_EQ(gp.write(data), size);
  Bytes b = bytes_of(out);
  if (written) *written = slice(b, 8, b.size() - 8);
  // A page IFD behind it: 256, 257, 273, 279 and 400 pointing at 8.
  uint32_t page = uint32_t(b.size());
  TiffBuilder t(big);
  t.bytes = b;
  t.add_ifd({TiffEntry::longs(256, {1}), TiffEntry::longs(257, {1}), TiffEntry::longs(273, {page}),
             TiffEntry::longs(279, {1}), TiffEntry::longs(400, {8})});
  ByteArrayInputStorage in(t.bytes.data(), int32_t(t.bytes.size()));
  RstReadTIFFFXHeader h;
  EXPECT_GT(h.read(&in, big ? 0x4D4D : 0x4949, page, false, 0), 0u);
  RstTIFFGlobalParameters got;
  if (h.get_global_parameters()) got = *h.get_global_parameters();
  else ADD_FAILURE() << "no global parameters read";
  return got;
}

TEST_F(WriteTiffGlobalParameters, EntriesByValueAndReadBackEqual) {
  struct Case {
    uint32_t profile, fax, coding;
    std::vector<uint8_t> year;
    int32_t mode;
    std::vector<uint32_t> tags;
  } cases[] = {
      {1, 2, 2, {'1', '9', '9', '8'}, 0, {401, 402, 403, 404, 405}},
      {1, 0, 0, {}, -1, {401}},
      {0, 0x102, 0, {}, 0x201, {402, 405}},
      {0, 0, 0x40, {'2', '0', '0', '1'}, 7, {403, 404, 405}},
  };
  for (bool big : {false, true})
    for (const Case& c : cases) {
      RstWriteTIFFGlobalParameters gp;
      gp.profile_type = c.profile;
      gp.fax_profile = c.fax;
      gp.coding_methods = c.coding;
      gp.version_year = c.year;
      gp.mode_number = c.mode;
      Bytes written;
      RstTIFFGlobalParameters got = written_and_read(gp, big, &written);
      std::vector<uint32_t> tags;
      for (const auto& e : gp.directory.entries) tags.push_back(e.tag);
      EXPECT_EQ(tags, c.tags);
      EXPECT_EQ(written.size(), 12 * c.tags.size() + 6);
      EXPECT_EQ(gp.directory.next_ifd_offset, 0u);
      EXPECT_EQ(slice(written, written.size() - 4, 4), Bytes(4, 0));
      // The 8-bit values keep their low 8 bits.
      RstTIFFGlobalParameters want = gp;
      want.fax_profile &= 0xFF;
      if (want.mode_number != -1) want.mode_number &= 0xFF;
      EXPECT_TRUE(got == want) << got.fax_profile << " " << got.mode_number;
    }
}

TEST_F(WriteTiffGlobalParameters, BuildsAtFirstUseAndWhenChanged) {
  RstWriteTIFFGlobalParameters fresh;
  EXPECT_TRUE(fresh.ifd_changed());
  EXPECT_EQ(fresh.ifd_size(), 6u);  // every value at its default: no entry
  EXPECT_FALSE(fresh.ifd_changed());
  fresh.mode_number = 3;
  EXPECT_TRUE(fresh.ifd_changed());
  EXPECT_EQ(fresh.ifd_size(), 18u);
  fresh.version_year = {'1', '9', '9', '8'};
  EXPECT_EQ(fresh.ifd_size(), 30u);
  // A record whose mode number is the snapshot's mark looks built.
  RstTIFFGlobalParameters marked;
  marked.mode_number = -12345;
  marked.profile_type = 1;
  marked.profile_type = 0;
  RstWriteTIFFGlobalParameters copy(marked);
  EXPECT_FALSE(copy.ifd_changed());
  EXPECT_EQ(copy.ifd_size(), 6u);
  EXPECT_TRUE(status.messages().empty());
}

}  // namespace
