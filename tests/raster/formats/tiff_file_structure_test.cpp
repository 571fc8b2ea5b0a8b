// The TIFF file structure: the image file header, directories, entries and
// the conversion of entry values into the forms headers store.
#include "raster/formats/rst_tiff_file_structure.h"

#include <gtest/gtest.h>

#include "raster/core/byte_array_storage.h"
#include "raster/core/rst_status_recorder.h"
#include "tiff_builder.h"

namespace {

class TiffFileStructureTest : public RstStatusTest {};

TEST_F(TiffFileStructureTest, ImageFileHeaders) {
  struct Case {
    std::vector<uint8_t> bytes;
    bool ok;
    uint32_t order, first;
    uint16_t version;
  } cases[] = {
      {{'M', 'M', 0, 42, 0, 0, 0, 8}, true, 0x4D4D, 8, 42},
      {{'I', 'I', 42, 0, 8, 0, 0, 0}, true, 0x4949, 8, 42},
      {{'I', 'I', 43, 0, 0x10, 0, 0, 0}, true, 0x4949, 16, 43},
      {{'I', 'M', 42, 0, 8, 0, 0, 0}, false, 0, 0, 0},
      {{'I', 'I', 42, 0, 8, 0, 0}, false, 0, 0, 0},
      {{'M'}, false, 0, 0, 0},
  };
  for (const Case& c : cases) {
    ByteArrayInputStorage in(c.bytes.data(), int32_t(c.bytes.size()));
    RstTIFFImageFileHeader ifh;
    EXPECT_EQ(read_image_file_header(&in, ifh), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(ifh.byte_order, c.order);
    EXPECT_EQ(ifh.first_ifd_offset, c.first);
    EXPECT_EQ(ifh.version, c.version);
  }
  EXPECT_TRUE(status.messages().empty());
}

// Reads the directory of a built file at its first IFD.
uint32_t read_directory(const TiffBuilder& b, RstReadTIFFImageFileDirectory& dir, ByteArrayInputStorage& in,
                        RstTIFFDataInput& data, bool strict = true) {
  in.seek(8);
  (void)b;
  return dir.read(data, strict);
}

TEST_F(TiffFileStructureTest, DirectoryEntryCountsOutsideOneTo1024AreRefused) {
  for (uint32_t n : {0u, 1025u}) {
    std::vector<uint8_t> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0, uint8_t(n), uint8_t(n >> 8)};
    bytes.resize(bytes.size() + 12 * 1026 + 4, 0);
    ByteArrayInputStorage in(bytes.data(), int32_t(bytes.size()));
    RstTIFFDataInput data(&in, 1);
    RstReadTIFFImageFileDirectory dir;
    in.seek(8);
    EXPECT_EQ(dir.read(data, false), 0u);
    EXPECT_TRUE(status.messages().empty());
    in.seek(8);
    EXPECT_EQ(dir.read(data, true), 0u);
    EXPECT_EQ(status.errors(),
              (std::vector<RstReport>{{-11, "RstReadTIFFImageFileDirectory::read() - can't get # of IFD"}}));
    status.clear();
  }
  // A directory cut before its next-IFD offset still gives its entries.
  TiffBuilder b;
  b.add_ifd({TiffEntry::longs(256, {5})});
  b.bytes.resize(b.bytes.size() - 2);
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstTIFFDataInput data(&in, 1);
  RstReadTIFFImageFileDirectory dir;
  EXPECT_EQ(read_directory(b, dir, in, data), 1u);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-11, "RstReadTIFFImageFileDirectory::read() - can't get Next IFD Offset."}}));
}

TEST_F(TiffFileStructureTest, EntriesInlineOrAtAnOffsetInBothByteOrders) {
  for (bool big : {false, true}) {
    TiffBuilder b(big);
    b.add_ifd({TiffEntry::shorts(258, {8, 8}), TiffEntry::shorts(258, {8, 8, 8}),
               TiffEntry::ascii(270, std::string("abc\0", 4)), TiffEntry::ascii(270, std::string("abcd\0", 5)),
               TiffEntry::ascii(270, std::string("ab\0\0", 4)), TiffEntry::typed(280, 1, {1, 2, 3, 4}),
               TiffEntry::typed(280, 1, {7, 8, 9}), TiffEntry::longs(273, {0x12345678, 0x9ABCDEF0}),
               TiffEntry::shorts(262, {0x0102}), TiffEntry::typed(300, 8, {0xFFFE}), TiffEntry::rational(282, 300, 2),
               TiffEntry::longs(999, {}), TiffEntry::typed(301, 6, {0x80, 0x7F})},
              0x1234);
    ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
    RstTIFFDataInput data(&in, big ? 0 : 1);
    RstReadTIFFImageFileDirectory dir;
    ASSERT_EQ(read_directory(b, dir, in, data), 13u);
    EXPECT_EQ(dir.next_ifd_offset, 0x1234u);
    const auto& e = dir.entries;
    EXPECT_FALSE(e[0].values_at_offset());
    EXPECT_TRUE(e[1].values_at_offset());
    EXPECT_EQ(e[0].value(), 8u | 8u << 16);  // several values: the packed word

    std::vector<uint16_t> u16;
    EXPECT_TRUE(e[0].read_u16s(data, u16));
    EXPECT_EQ(u16, (std::vector<uint16_t>{8, 8}));
    EXPECT_TRUE(e[1].read_u16s(data, u16));
    EXPECT_EQ(u16, (std::vector<uint16_t>{8, 8, 8}));
    std::string s;
    EXPECT_TRUE(e[2].read_string(data, s));
    EXPECT_EQ(s, "abc");
    EXPECT_TRUE(e[3].read_string(data, s));
    EXPECT_EQ(s, "abcd");
    EXPECT_TRUE(e[4].read_string(data, s));
    EXPECT_EQ(s, std::string("ab\0", 3));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(e[5].read_bytes(data, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3, 4}));
    std::vector<uint32_t> u32;
    EXPECT_TRUE(e[6].read_u32s(data, u32));
    EXPECT_EQ(u32, (std::vector<uint32_t>{7, 8, 9}));
    EXPECT_TRUE(e[7].read_u16s(data, u16));  // LONG as u16 keeps the low halves
    EXPECT_EQ(u16, (std::vector<uint16_t>{0x5678, 0xDEF0}));
    EXPECT_TRUE(e[7].read_bytes(data, bytes));
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x78, 0xF0}));
    EXPECT_EQ(e[8].value(), 258u);
    EXPECT_TRUE(e[8].read_u32s(data, u32));
    EXPECT_EQ(u32, std::vector<uint32_t>{258});
    EXPECT_TRUE(e[9].read_u16s(data, u16));  // SSHORT -2
    EXPECT_EQ(u16, std::vector<uint16_t>{0xFFFE});
    EXPECT_TRUE(e[9].read_u32s(data, u32));
    EXPECT_EQ(u32, std::vector<uint32_t>{0xFFFFFFFEu});
    EXPECT_EQ(e[9].value(), 0xFFFFFFFEu);
    RstRational r;
    EXPECT_TRUE(e[10].read_rational(data, r));
    EXPECT_EQ(r, (RstRational{300, 2}));
    std::vector<RstRational> rationals;
    EXPECT_TRUE(e[10].read_values(data, rationals));
    EXPECT_EQ(rationals, std::vector<RstRational>{(RstRational{300, 2})});
    u32 = {5};
    EXPECT_TRUE(e[11].read_u32s(data, u32));  // count 0
    EXPECT_TRUE(u32.empty());
    EXPECT_TRUE(e[11].read_values(data, rationals));
    EXPECT_TRUE(rationals.empty());
    EXPECT_TRUE(e[12].read_u32s(data, u32));  // SBYTE sign-extended
    EXPECT_EQ(u32, (std::vector<uint32_t>{0xFFFFFF80u, 0x7F}));
    EXPECT_EQ(e[12].value(), e[12].value_word);
    EXPECT_TRUE(status.messages().empty());

    // Rationals and floating point have no integer form: warning 14, the
    // target untouched.
    u32 = {42};
    EXPECT_FALSE(e[10].read_u32s(data, u32));
    EXPECT_EQ(u32, std::vector<uint32_t>{42});
    EXPECT_EQ(status.messages(),
              (std::vector<RstReport>{{14, "rst_read_tiff_ifd_entry_values() - unsupported TIFF Tag Type"}}));
    status.clear();
  }
}

TEST_F(TiffFileStructureTest, SingleValuesExtendByType) {
  struct Case {
    uint32_t type, count, word, value;
  } cases[] = {{1, 1, 0xAABBCCF0, 0xF0},       {2, 1, 0x00000041, 0x41},
               {7, 1, 0x11223399, 0x99},       {6, 1, 0x000000F0, 0xFFFFFFF0},
               {3, 1, 0xFFFF8001, 0x8001},     {8, 1, 0x00008001, 0xFFFF8001},
               {4, 1, 0xDEADBEEF, 0xDEADBEEF}, {3, 2, 0x00080008, 0x00080008},
               {5, 1, 0x100, 0x100},           {4, 0, 7, 7},
               {77, 1, 0x12345678, 0x12345678}};
  for (const Case& c : cases) {
    RstReadTIFFIFDEntry e(256, c.type, c.count, c.word);
    EXPECT_EQ(e.value(), c.value) << c.type << " " << c.count;
  }
  // A type outside 1 to 13 has no value size: its values count as inline.
  RstReadTIFFIFDEntry unknown(256, 99, 0xFFFFFFFFu, 0);
  EXPECT_EQ(unknown.byte_size(), 0u);
  EXPECT_FALSE(unknown.values_at_offset());
}

TEST_F(TiffFileStructureTest, ValuesPastTheEndAreRefusedBeforeAnyAllocation) {
  TiffBuilder b;
  uint32_t ifd = b.add_ifd({TiffEntry::raw_entry(273, 4, 0x40000000u, 8),    // 4 GB of LONGs at offset 8
                            TiffEntry::raw_entry(273, 4, 0x40000001u, 0),    // byte size wraps to 4 in 32 bits
                            TiffEntry::raw_entry(258, 3, 4, 0xFFFFFFF0u),    // offset past the end
                            TiffEntry::raw_entry(270, 2, 100, 30),           // runs past the end
                            TiffEntry::raw_entry(282, 5, 0x20000000u, 8),    // rational array
                            TiffEntry::raw_entry(282, 5, 1, 0x7FFFFFF0u)});  // one rational outside
  (void)ifd;
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstTIFFDataInput data(&in, 1);
  RstReadTIFFImageFileDirectory dir;
  ASSERT_EQ(read_directory(b, dir, in, data), 6u);
  const auto& e = dir.entries;
  EXPECT_TRUE(e[1].values_at_offset());  // 64-bit size: not inline
  std::vector<uint32_t> u32 = {1, 2};
  EXPECT_FALSE(e[0].read_u32s(data, u32));
  EXPECT_TRUE(u32.empty());
  u32 = {1};
  EXPECT_FALSE(e[1].read_u32s(data, u32));
  EXPECT_TRUE(u32.empty());
  std::vector<uint16_t> u16 = {1};
  EXPECT_FALSE(e[2].read_u16s(data, u16));
  EXPECT_TRUE(u16.empty());
  std::string s = "x";
  EXPECT_FALSE(e[3].read_string(data, s));
  EXPECT_TRUE(s.empty());
  std::vector<RstRational> r(3);
  EXPECT_FALSE(e[4].read_values(data, r));
  EXPECT_TRUE(r.empty());
  RstRational one{7, 7};
  EXPECT_FALSE(e[5].read_rational(data, one));
  EXPECT_EQ(one, (RstRational{7, 7}));
  const RstReport refused{13, "rst_read_tiff_ifd_entry_values()"};
  EXPECT_EQ(status.messages(),
            (std::vector<RstReport>{refused, refused, refused, refused, {13, "RstReadTIFFIFDEntry::read_values()"}}));
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(TiffFileStructureTest, CutEntriesReadFalseAndAreReportedWhenStrict) {
  TiffBuilder b;
  b.add_ifd({TiffEntry::longs(256, {5}), TiffEntry::longs(257, {6})});
  b.bytes.resize(8 + 2 + 12 + 5);  // cut inside the second entry
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstTIFFDataInput data(&in, 1);
  RstReadTIFFImageFileDirectory dir;
  EXPECT_EQ(read_directory(b, dir, in, data, false), 2u);
  EXPECT_TRUE(status.messages().empty());
  EXPECT_EQ(dir.entries[0].value(), 5u);
  EXPECT_EQ(read_directory(b, dir, in, data, true), 2u);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-11, "RstReadTIFFIFDEntry::read()"},
                                    {-11, "RstReadTIFFImageFileDirectory::read() - can't get Next IFD Offset."}}));
}

}  // namespace

namespace {

TEST_F(TiffFileStructureTest, NoMemoryForValuesIsReported) {
  TiffBuilder b;
  b.add_ifd({TiffEntry::longs(273, {1, 2, 3}), TiffEntry::typed(318, 5, {1, 2, 3, 4})});
  ByteArrayInputStorage in(b.bytes.data(), int32_t(b.bytes.size()));
  RstTIFFDataInput data(&in, 1);
  RstReadTIFFImageFileDirectory dir;
  in.seek(8);
  RstAllocFault::fail_nth(1);
  EXPECT_EQ(dir.read(data, true), 0u);
  in.seek(8);
  ASSERT_EQ(dir.read(data, true), 2u);
  std::vector<uint32_t> u32;
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(dir.entries[0].read_u32s(data, u32));
  std::vector<RstRational> rationals;
  RstAllocFault::fail_nth(1);
  EXPECT_FALSE(dir.entries[1].read_values(data, rationals));
  EXPECT_TRUE(dir.entries[1].read_values(data, rationals));
  EXPECT_EQ(rationals, (std::vector<RstRational>{{1, 2}, {3, 4}}));
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-1, "RstReadTIFFImageFileDirectory::read()"},
                                                     {-1, "rst_read_tiff_ifd_entry_values()"},
                                                     {-1, "RstReadTIFFIFDEntry::read_values()"}}));
}

}  // namespace
