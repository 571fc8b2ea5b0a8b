// The EDMICS RLC and MMR readers: header forms and sizes, resolutions, block
// tests, short and hostile headers, the bit order of the MMR code bytes, and
// pages read back equal to their rows.
#include <gtest/gtest.h>

#include <memory>

#include "cals_edmics_support.h"
#include "raster/core/rst_owner.h"
#include "raster/core/rst_process.h"
#include "raster/formats/rst_read_edmics_mmr.h"
#include "raster/formats/rst_read_edmics_rlc.h"

namespace {

class EdmicsReader : public PageTest {};

// ---- RLC ----

TEST_F(EdmicsReader, RlcHeaderFormsAndSizes) {
  struct Case {
    const char* name;
    Bytes header;
    uint32_t resolution, entries;
  } cases[] = {
      {"Sane", rlc_sane_header(40, 77, 300), 300, 0},
      {"RLC without entries", rlc_form_header(40, 77, 0x00000190, 0, 0), 400, 0},
      // Only the low 16 bits of the resolution word count.
      {"RLC with three entries", rlc_form_header(40, 77, 0x00010190, 3, 3), 400, 3},
  };
  const uint32_t w = 77, h = 40;
  Rows rows = bilevel_rows(w, h, 2);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = c.header;
    append(file, rlc_lines(w, rows));
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    std::unique_ptr<RstReadEdmicsRLCHeader> header(RstReadEdmicsRLC::private_header(&in));
    ASSERT_TRUE(header);
    // The coded lines start right after the header.
    EXPECT_EQ(in.tell(), int32_t(c.header.size()));
    EXPECT_EQ(header->lines, h);
    EXPECT_EQ(header->pels, w);
    EXPECT_EQ(header->resolution, c.resolution);
    EXPECT_EQ(header->entry_count, c.entries);
    if (c.header.size() != 524) {
      EXPECT_EQ(header->header_word1, 0x55667788u);  // after the entries
      EXPECT_EQ(header->header_word2, 0x11223344u);  // after the magic
    }
    RstHeader image;
    header->rst_header(image);
    EXPECT_EQ(image.data_form, RstDataForm::rlc);
    EXPECT_EQ(image.width, int32_t(w));
    EXPECT_EQ(image.height, int32_t(h));
    EXPECT_EQ(image.color_type, RstColorType::default_gray_reverse());
    RstOwner<RstRead> reader(RstReadEdmicsRLC::create(&in, header.get()));
    ASSERT_TRUE(reader);
    EXPECT_EQ(RstHeader(reader.get()).data_form, RstDataForm::raw);
    EXPECT_EQ(read_lines(reader.get()), rows);
    reader->reset();
    EXPECT_EQ(read_lines(reader.get()), rows);
    EXPECT_TRUE(status.messages().empty());
  }
}

TEST_F(EdmicsReader, RlcShortAndBrokenHeaders) {
  // Every cut after the magic is a read failure.
  for (const Bytes& whole : {rlc_sane_header(4, 8, 200), rlc_form_header(4, 8, 200, 2, 2)}) {
    for (size_t size = 4; size < whole.size(); ++size) {
      SCOPED_TRACE(size);
      status.clear();
      ByteArrayInputStorage in(whole.data(), int32_t(size));
      EXPECT_EQ(RstReadEdmicsRLC::private_header(&in), nullptr);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstReadEdmicsRLC"}}));
    }
  }
  struct Case {
    const char* name;
    Bytes file;
    int32_t status;
  } cases[] = {
      {"one byte", {0x53}, -12},
      {"three bytes", {0x53, 0x61, 0x6E}, -12},
      {"other magic", {0x53, 0x61, 0x6E, 0x66, 0, 4, 0, 8}, -12},
      {"RLC without its zero byte", {0x52, 0x4C, 0x43, 0x20, 0, 4, 0, 8}, -12},
      {"no line", rlc_sane_header(0, 8, 200), -13},
      {"no pixel", rlc_form_header(4, 0, 200, 0, 0), -13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    ByteArrayInputStorage in(c.file.data(), int32_t(c.file.size()));
    EXPECT_EQ(RstReadEdmicsRLCHeader(&in).status, c.status);
    in.rewind();
    EXPECT_EQ(RstReadEdmicsRLC::private_header(&in), nullptr);
    if (c.status == -12) {
      EXPECT_TRUE(status.messages().empty());
    } else {
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.status, "RstReadEdmicsRLC"}}));
    }
  }
}

// An entry count whose 8-byte entries would pass 2^32 bytes: the skip is not
// wrapped into the table, it is too long for the file.
TEST_F(EdmicsReader, RlcHugeEntryCountIsCutShortNotWrapped) {
  for (uint32_t entries : {0x20000000u, 0x20000001u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(entries);
    Bytes file = rlc_form_header(4, 8, 200, 0, entries);
    file.resize(600, 0);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadEdmicsRLCHeader header(&in);
    EXPECT_EQ(header.status, -11);
    EXPECT_EQ(header.entry_count, entries);
  }
}

TEST_F(EdmicsReader, RlcEntryPointArguments) {
  Bytes other(100, 'x');
  ByteArrayInputStorage in(other.data(), int32_t(other.size()));
  EXPECT_EQ(RstReadEdmicsRLC::private_header(nullptr), nullptr);
  EXPECT_EQ(RstReadEdmicsRLC::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(RstReadEdmicsRLC::create(&in, nullptr), nullptr);
  EXPECT_EQ(RstReadEdmicsRLCAndConvertToRLE::create(&in, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadEdmicsRLC"},
                                                     {-2, "RstReadEdmicsRLC::create()"},
                                                     {-12, "RstReadEdmicsRLC::create()"},
                                                     {-2, "RstReadEdmicsRLCAndConvertToRLE::create()"}}));
}

// ---- MMR ----

TEST_F(EdmicsReader, MmrResolution) {
  struct Case {
    int16_t dpi, per_cm;
    int32_t resolution;
  } cases[] = {{300, 0, 300}, {300, 79, 300},  {0, 79, 201}, {0, 118, 300}, {0, 0, 0},
               {-300, 0, 0},  {-300, 79, 201}, {0, -79, 0},  {-1, -1, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.dpi) + " dpi, " + std::to_string(c.per_cm) + " per cm");
    MmrBlocks blocks;
    blocks.lines = 4;
    blocks.pels = 8;
    blocks.dpi = c.dpi;
    blocks.per_cm = c.per_cm;
    Bytes file = blocks.bytes();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstReadEdmicsMMRHeader header(&in);
    EXPECT_EQ(header.status, 1);
    EXPECT_EQ(header.resolution(), c.resolution);
  }
}

TEST_F(EdmicsReader, MmrBlocksFieldByField) {
  MmrBlocks blocks;
  blocks.lines = 40;
  blocks.pels = 77;
  Bytes file = blocks.bytes();
  put16(file, 44, 0x0102);                         // a number of the file descriptor
  put32(file, 52 + 4 * 19, 0xA1B2C3D4);            // its last one
  std::copy_n("ABCD", 4, file.begin() + 132 + 4);  // bytes of the second block
  put16(file, 132 + 168, 0x0304);
  file[608 + 12] = 0xEE;
  put32(file, 608 + 116, 0x01020304);
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstReadEdmicsMMRHeader header(&in);
  ASSERT_EQ(header.status, 1);
  EXPECT_EQ(in.tell(), 740);
  EXPECT_EQ(header.file_desc.get16(0), -1);
  EXPECT_EQ(header.file_desc.get16(2), 1);
  EXPECT_EQ(header.file_desc.get16(44), 0x0102);
  EXPECT_EQ(header.file_desc.get32(48), 132);
  EXPECT_EQ(uint32_t(header.file_desc.get32(52 + 4 * 19)), 0xA1B2C3D4u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(header.descriptor2.block + 4), 4), "ABCD");
  EXPECT_EQ(header.descriptor2.get16(168), 0x0304);
  EXPECT_EQ(header.descriptor2.get32(468), 476);
  EXPECT_EQ(header.image.block[12], 0xEE);
  EXPECT_EQ(header.image.get32(116), 0x01020304);
  EXPECT_EQ(header.lines(), 40);
  EXPECT_EQ(header.pels(), 77);
  EXPECT_EQ(header.file_desc.status, 1);
  EXPECT_EQ(header.image.status, 1);
  RstHeader image;
  header.rst_header(image);
  EXPECT_EQ(image.data_form, RstDataForm::mmr);
  EXPECT_EQ(image.width, 77);
  EXPECT_EQ(image.height, 40);
  EXPECT_EQ(image.color_type, RstColorType::default_gray_reverse());
}

TEST_F(EdmicsReader, MmrBlockTypesVersionsAndSizes) {
  struct Case {
    const char* name;
    int block;  // 0 to 2
    int16_t type, version;
    int32_t lines, pels;
    int32_t status;
  } cases[] = {
      {"good", 0, -1, 1, 4, 8, 1},
      {"wrong type, version 1", 0, 7, 1, 4, 8, 1},
      {"right type, version 9", 1, -2, 9, 4, 8, 1},
      {"wrong type of the image block, version 1", 2, -1, 1, 4, 8, 1},
      {"wrong type and version", 0, -2, 2, 4, 8, -12},
      {"second block wrong", 1, -3, 0, 4, 8, -12},
      {"image block wrong", 2, -2, 3, 4, 8, -12},
      {"lines -1", 0, -1, 1, -1, 8, -13},
      {"lines 0", 0, -1, 1, 0, 8, -13},
      {"pels 0", 0, -1, 1, 4, 0, -13},
      {"pels negative", 0, -1, 1, 4, INT32_MIN, -13},
      {"pels at the bound", 0, -1, 1, 1, 536870908, 1},
      {"pels past the bound", 0, -1, 1, 1, 536870909, -13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    status.clear();
    MmrBlocks blocks;
    blocks.lines = c.lines;
    blocks.pels = c.pels;
    blocks.types[c.block] = c.type;
    blocks.versions[c.block] = c.version;
    Bytes file = blocks.bytes();
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    EXPECT_EQ(RstReadEdmicsMMRHeader(&in).status, c.status);
    in.rewind();
    std::unique_ptr<RstReadEdmicsMMRHeader> found(RstReadEdmicsMMR::private_header(&in));
    EXPECT_EQ(found != nullptr, c.status == 1);
    if (c.status == 1) {
      EXPECT_EQ(in.tell(), 740);
    } else if (c.status == -12) {
      EXPECT_TRUE(status.messages().empty());
    } else {
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{c.status, "RstReadEdmicsMMR"}}));
    }
  }
}

TEST_F(EdmicsReader, MmrShortFiles) {
  MmrBlocks blocks;
  blocks.lines = 4;
  blocks.pels = 8;
  Bytes whole = blocks.bytes();
  for (size_t size = 1; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    status.clear();
    ByteArrayInputStorage in(whole.data(), int32_t(size));
    RstReadEdmicsMMRHeader header(&in);
    in.rewind();
    EXPECT_EQ(RstReadEdmicsMMR::private_header(&in), nullptr);
    if (size < 4) {
      // Too short to tell: another format, silently.
      EXPECT_EQ(header.status, -12);
      EXPECT_TRUE(status.messages().empty());
    } else if (size < 132) {
      EXPECT_EQ(header.status, -11);
      EXPECT_EQ(header.file_desc.status, -11);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstReadEdmicsMMRFileDesc::read()"},
                                                         {-11, "RstReadEdmicsMMRFileDesc::read()"},
                                                         {-11, "RstReadEdmicsMMR"}}));
    } else {
      EXPECT_EQ(header.status, -11);
      EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstReadEdmicsMMR"}}));
    }
  }
}

TEST_F(EdmicsReader, MmrFileDescriptorReadReturnsItsSize) {
  Bytes file = MmrBlocks().bytes();
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstReadEdmicsMMRFileDesc desc;
  EXPECT_EQ(desc.read(&in), 132);
  EXPECT_EQ(in.tell(), 132);
  RstEdmicsMMRDescriptor2 second;
  EXPECT_EQ(second.read(&in), 476);
  RstEdmicsMMRDescriptor3 image;
  EXPECT_EQ(image.read(&in), 132);
  // The next 132 bytes are no file descriptor.
  file.resize(2000, 0x33);
  ByteArrayInputStorage at(file.data(), int32_t(file.size()));
  at.move(740);
  EXPECT_EQ(desc.read(&at), 0);
  EXPECT_EQ(desc.status, -12);
}

TEST_F(EdmicsReader, MmrCodeBytesReachTheDecoderReversed) {
  MmrBlocks blocks;
  blocks.lines = 4;
  blocks.pels = 8;
  Bytes file = blocks.bytes();
  append(file, {0x01, 0x0C});
  ByteArrayInputStorage in(file.data(), int32_t(file.size()));
  RstReadEdmicsMMRHeader header(&in);
  ASSERT_EQ(header.status, 1);
  RstOwner<RstRead> decoder(RstReadEdmicsMMRAndConvertToRLE::create(&in, &header));
  ASSERT_TRUE(decoder);
  EXPECT_EQ(RstHeader(decoder.get()).data_form, RstDataForm::rle);
  RstRead* code = dynamic_cast<RstProcess*>(decoder.get())->source();
  std::vector<uint8_t> chunk(size_t(code->line_size()));
  ASSERT_EQ(code->read(chunk.data()), 2);
  EXPECT_EQ(chunk[0], 0x80);
  EXPECT_EQ(chunk[1], 0x30);
}

TEST_F(EdmicsReader, MmrPagesReadEqualTheirRows) {
  for (uint32_t w : {8u, 77u, 1728u}) {
    SCOPED_TRACE(w);
    Rows rows = bilevel_rows(w, 33, w);
    Bytes file = mmr_file(w, rows);
    ByteArrayInputStorage in(file.data(), int32_t(file.size()));
    RstOwner<RstRead> reader(RstReadEdmicsMMR::create(&in, nullptr));
    ASSERT_TRUE(reader);
    EXPECT_EQ(RstHeader(reader.get()).width, int32_t(w));
    EXPECT_EQ(read_lines(reader.get()), rows);
    reader->reset();
    EXPECT_EQ(read_lines(reader.get()), rows);
    EXPECT_TRUE(status.messages().empty());
  }
}

TEST_F(EdmicsReader, MmrEntryPointArguments) {
  Bytes other(800, 'x');
  ByteArrayInputStorage in(other.data(), int32_t(other.size()));
  EXPECT_EQ(RstReadEdmicsMMR::private_header(nullptr), nullptr);
  EXPECT_EQ(RstReadEdmicsMMR::create(nullptr, nullptr), nullptr);
  EXPECT_EQ(RstReadEdmicsMMR::create(&in, nullptr), nullptr);
  EXPECT_EQ(RstReadEdmicsMMRAndConvertToRLE::create(&in, nullptr), nullptr);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-2, "RstReadEdmicsMMR"},
                                                     {-2, "RstReadEdmicsMMR::create()"},
                                                     {-12, "RstReadEdmicsMMR::create()"},
                                                     {-2, "RstReadEdmicsMMRAndConvertToRLE::create()"}}));
}

}  // namespace
