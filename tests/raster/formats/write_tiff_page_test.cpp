// Writing TIFF pages through the page header and the multi-page manager in
// the writer's order: where the IFD's values and strips land, how the records
// fill in offsets and byte counts, how pages are linked, what a failing
// output gives, and real files checked by libtiff's tools, ImageMagick and
// our own reader.
#include <gtest/gtest.h>

#include <cstdio>

#include "page_support.h"
#include "pnm_support.h"
#include "raster/core/file_input_storage.h"
#include "raster/core/file_output_storage.h"
#include "raster/core/memory_storage.h"
#include "raster/core/rst_owner.h"
#include "raster/formats/rst_read_raster.h"
#include "raster/formats/rst_read_tiff_header.h"
#include "tiff_write_support.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Strips = std::vector<Bytes>;

Bytes bytes_of(MemoryOutputStorage& out) {
  Bytes b(size_t(out.size()));
  MemoryInputStorage in(out.blocks());
  in.read(b.data(), int32_t(b.size()));
  return b;
}

uint32_t word(const Bytes& b, size_t at, bool big = false) {
  if (big) return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
  return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

RstHeader bilevel(int32_t width, int32_t height, int32_t form = RstDataForm::raw) {
  return image_header(width, height, 1, 1, RstColorType::s_gray_reverse(), form);
}

// A header of a bilevel page with resolution 200.
std::unique_ptr<RstWriteTIFFHeader> page(const RstHeader& image, uint32_t compression = 1, uint32_t rows = 0,
                                         uint32_t order = 0x4949) {
  auto h = std::make_unique<RstWriteTIFFHeader>();
  h->x_resolution = h->y_resolution = {200, 1};
  h->set_compression(compression);
  h->rows_per_strip = rows;
  h->byte_order = order;
  h->rst_header(image, true);
  return h;
}

// The page of a memory file read back by the tag readers.
std::unique_ptr<RstReadTIFFFXHeader> read_back(const Bytes& b, uint32_t page_number = 1) {
  ByteArrayInputStorage in(b.data(), int32_t(b.size()));
  auto h = std::make_unique<RstReadTIFFFXHeader>();
  EXPECT_GT(h->read_page(&in, page_number, false, 0), 0u);
  return h;
}

class WriteTiffPage : public RstStatusTest {};

TEST_F(WriteTiffPage, OneStripBehindTheIFD) {
  // 15 entries at 8, no strings: the resolutions at 194 and 202, the strip at 210.
  MemoryOutputStorage out;
  RstOwner<RstWriteTIFFMultiPageManager> manager(RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949));
  auto h = page(bilevel(16, 4));
  Bytes strip(8, 0x5A);
  ASSERT_TRUE(write_test_page(*manager, *h, {strip}));
  Bytes b = bytes_of(out);
  EXPECT_EQ(h->directory.entries.size(), 15u);
  EXPECT_EQ(h->directory.entries[12].value, 194u);
  EXPECT_EQ(h->directory.entries[13].value, 202u);
  EXPECT_EQ(h->strip_offsets, (std::vector<uint32_t>{210}));
  ASSERT_EQ(b.size(), 218u);
  EXPECT_EQ(word(b, 8 + 2 + 7 * 12 + 8), 210u);  // StripOffsets inline
  EXPECT_EQ(word(b, 8 + 2 + 11 * 12 + 8), 8u);   // StripByteCounts inline
  EXPECT_EQ(Bytes(b.begin() + 210, b.end()), strip);
  EXPECT_TRUE(status.messages().empty());
}

TEST_F(WriteTiffPage, RecordsFillUnknownValuesAndCorrectWrongOnes) {
  struct Case {
    const char* name;
    uint32_t compression;
    std::vector<uint32_t> given;  // byte counts given before the write
    std::vector<int32_t> gaps;    // bytes skipped before each strip
    std::vector<uint32_t> sizes;  // bytes written per strip
  } cases[] = {
      {"unknown counts", 4, {}, {0, 0, 0}, {30, 41, 7}},
      {"known counts", 1, {}, {0, 0, 0}, {32, 32, 16}},
      {"known counts, a strip short, one late", 1, {}, {0, 2, 0}, {22, 32, 16}},
      {"first count unknown", 4, {0, 500, 500}, {0, 0, 0}, {10, 500, 500}},
  };
  for (bool big : {false, true})
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (big ? " MM" : " II"));
      MemoryOutputStorage out;
      RstOwner<RstWriteTIFFMultiPageManager> manager(
          RstWriteTIFFMultiPageManager::create(&out, 1, big ? 0x4D4D : 0x4949));
      auto h = page(bilevel(64, 20), c.compression, 8, big ? 0x4D4D : 0x4949);
      h->strip_byte_counts = c.given;
      ASSERT_TRUE(h->tile_specs());
      ASSERT_EQ(h->tile_specs()->size(), 3u);
      ASSERT_EQ(RstWriteTIFFImageFileHeader(manager->byte_order).write(&out), 8u);
      manager->page_start();
      ASSERT_GT(h->write(&out), 0u);
      if (c.given.size() == 3) {
        // Only the first strip has a place before the data is known.
        EXPECT_NE(h->strip_offsets[0], 0u);
        EXPECT_EQ(h->strip_offsets[1], 0u);
        EXPECT_EQ(h->strip_offsets[2], 0u);
      }
      std::vector<uint32_t> offsets;
      for (size_t i = 0; i < 3; ++i) {
        out.skip(c.gaps[i]);
        offsets.push_back(uint32_t(out.tell()));
        ASSERT_TRUE(h->record_strip_offset(&out));
        Bytes data(c.sizes[i], uint8_t(i + 1));
        out.write(data.data(), int32_t(data.size()));
        ASSERT_TRUE(h->record_strip_byte_count(&out));
      }
      std::unique_ptr<RstReadTIFFFXHeader> r = read_back(bytes_of(out));
      EXPECT_EQ(r->strip_offsets, offsets);
      EXPECT_EQ(r->strip_byte_counts, c.sizes);
      EXPECT_TRUE(status.messages().empty());
    }
}

TEST_F(WriteTiffPage, JpegInterchangeLengthIsRecorded) {
  MemoryOutputStorage out;
  RstOwner<RstWriteTIFFMultiPageManager> manager(RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949));
  auto h = page(image_header(16, 16, 8, 1, RstColorType::s_gray()), 6);
  ASSERT_TRUE(write_test_page(*manager, *h, {Bytes(123, 0xFF)}));
  EXPECT_EQ(h->jpeg_interchange_format_length, 123u);
  std::unique_ptr<RstReadTIFFFXHeader> r = read_back(bytes_of(out));
  EXPECT_EQ(r->jpeg_interchange_format_length, 123u);
  EXPECT_EQ(r->jpeg_interchange_format, r->strip_offsets[0]);
  EXPECT_EQ(r->strip_byte_counts, (std::vector<uint32_t>{123}));
}

TEST_F(WriteTiffPage, GlobalParametersIFDBehindThePageIFD) {
  MemoryOutputStorage out;
  RstOwner<RstWriteTIFFMultiPageManager> manager(RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949));
  auto h = page(bilevel(16, 4));
  h->software = "odd";  // 4 bytes inline; "odder" would be 6 out of line
  h->artist = "abcde";  // 6 bytes out of line
  RstTIFFGlobalParameters gp;
  gp.profile_type = 1;
  gp.fax_profile = 2;
  h->set_global_parameters(gp);
  uint32_t page_end = 8 + h->ifd_size();
  ASSERT_TRUE(write_test_page(*manager, *h, {Bytes(8, 1)}));
  EXPECT_EQ(h->global_parameters_ifd, page_end);
  EXPECT_EQ(h->strip_offsets[0], page_end + 2 * 12 + 6);
  std::unique_ptr<RstReadTIFFFXHeader> r = read_back(bytes_of(out));
  ASSERT_TRUE(r->get_global_parameters());
  EXPECT_EQ(r->get_global_parameters()->profile_type, 1u);
  EXPECT_EQ(r->get_global_parameters()->fax_profile, 2u);
}

TEST_F(WriteTiffPage, EntriesFollowTheHeaderAfterChildrenAndAProfile) {
  // The IFD is sized first, then a child and a 3,000-byte profile arrive.
  MemoryOutputStorage out;
  RstOwner<RstWriteTIFFMultiPageManager> manager(RstWriteTIFFMultiPageManager::create(&out, 1, 0x4949));
  auto h = page(bilevel(16, 4));
  h->set_global_parameters(RstTIFFGlobalParameters());
  uint32_t before = h->ifd_size();
  h->add_child(bilevel(16, 4), RstWriteTIFFHeader());
  h->icc_profile.assign(3000, 0x33);
  ASSERT_TRUE(write_test_page(*manager, *h, {Bytes(8, 1)}));
  ASSERT_EQ(h->sub_ifds.size(), 1u);
  Bytes b = bytes_of(out);
  std::unique_ptr<RstReadTIFFFXHeader> r = read_back(b);
  EXPECT_EQ(r->sub_ifds, h->sub_ifds);
  // The child's IFD is planned behind the global parameters IFD.
  EXPECT_EQ(h->sub_ifds[0], h->global_parameters_ifd + 6);
  EXPECT_GT(h->ifd_size(), before + 3000);
  EXPECT_EQ(r->icc_profile, h->icc_profile);
  EXPECT_TRUE(status.errors().empty());
}

TEST_F(WriteTiffPage, PlansPastTwoGigabytesAreRefused) {
  MemoryOutputStorage out;
  auto h = page(image_header(30000, 30000, 8, 3, RstColorType::s_rgb()), 1, 10000);
  EXPECT_EQ(h->write(&out), 0u);
  EXPECT_EQ(status.errors(), (std::vector<RstReport>{{-11, "RstWriteTIFFHeader::write() - file too large."}}));
  EXPECT_EQ(out.size(), 0);
}

TEST_F(WriteTiffPage, ManagersLinkPages) {
  for (bool big : {false, true}) {
    SCOPED_TRACE(big ? "MM" : "II");
    uint32_t order = big ? 0x4D4D : 0x4949;
    MemoryOutputStorage out;
    RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, 0, order);
    ASSERT_TRUE(manager);
    auto first = page(bilevel(16, 4), 1, 0, order);
    auto second = page(bilevel(8, 3), 1, 0, order);
    ASSERT_TRUE(write_test_page(*manager, *first, {Bytes(8, 1)}));
    out.put(0xEE);  // the second page starts at an odd position
    uint32_t odd = uint32_t(out.tell());
    ASSERT_TRUE(write_test_page(*manager, *second, {Bytes(3, 2)}));
    manager->close();
    Bytes b = bytes_of(out);
    EXPECT_EQ(word(b, 4, big), 8u);
    uint32_t second_ifd = odd + 1;
    EXPECT_EQ(b[odd], 0);
    EXPECT_EQ(word(b, first->next_ifd_slot_position(), big), second_ifd);
    EXPECT_EQ(word(b, second->next_ifd_slot_position(), big), 0u);
    EXPECT_EQ(read_back(b, 2)->image_width, 8u);
  }
  // A child manager writes no file header; a closed output gets no manager.
  MemoryOutputStorage out;
  RstWriteTIFFChildMultiPageManager child(&out, 0, 0x4949);
  auto h = page(bilevel(16, 4));
  ASSERT_TRUE(write_test_page(child, *h, {Bytes(8, 1)}));
  EXPECT_EQ(bytes_of(out)[0], 15);  // the entry count comes first
  MemoryOutputStorage closed;
  closed.close();
  EXPECT_EQ(RstWriteTIFFMultiPageManager::create(&closed, 1, 0x4949), nullptr);
  EXPECT_EQ(RstWriteTIFFMultiPageManager::create(nullptr, 1, 0x4949), nullptr);
  EXPECT_EQ(status.errors(),
            (std::vector<RstReport>{{-2, "RstWriteTIFFMultiPageManager* RstWriteTIFFMultiPageManager()"},
                                    {-2, "RstWriteTIFFMultiPageManager* RstWriteTIFFMultiPageManager()"}}));
}

// Two pages, the second with strips of unknown size, on `out`; false when a
// step failed.
bool two_pages(OutputStorage* out) {
  // Owned until closed, so that a thrown status leaves nothing behind.
  RstOwner<RstWriteTIFFMultiPageManager> manager(RstWriteTIFFMultiPageManager::create(out, 0, 0x4949));
  if (!manager) return false;
  auto first = page(bilevel(16, 4));
  first->software = "two pages";
  auto second = page(bilevel(64, 20, RstDataForm::mmr), 4, 0);
  bool ok = write_test_page(*manager, *first, {Bytes(8, 1)});
  ok = write_test_page(*manager, *second, {Bytes(33, 2)}) && ok;
  manager.release()->close();
  return ok;
}

TEST_F(WriteTiffPage, AFailingOutputNeverGivesSuccess) {
  MemoryOutputStorage whole;
  ASSERT_TRUE(two_pages(&whole));
  ASSERT_TRUE(status.messages().empty());
  int32_t size = whole.size();
  for (int32_t n = 0; n < size; ++n) {
    SCOPED_TRACE(n);
    MemoryOutputStorage memory;
    FailingStorage failing(&memory, n);
    EXPECT_FALSE(two_pages(&failing));
    EXPECT_LT(status.last_status(), 1);
    EXPECT_FALSE(status.errors().empty());
    status.clear();
  }
  // The default observer: the first failure ends the write by RstStatus, and the
  // manager's destructor lets nothing escape.
  RstObserver* recorder = RstStatusContext::instance()->set_observer(nullptr);
  RstObserver* thrower = RstObserver::create();
  RstStatusContext::instance()->set_observer(thrower);
  MemoryOutputStorage memory;
  FailingStorage failing(&memory, 100);
  EXPECT_THROW(two_pages(&failing), RstStatus);
  RstStatusContext::instance()->set_observer(recorder);
  delete thrower;
}

// A page of a real file: the header to write and its rows, cut into strips.
struct RealPage {
  std::unique_ptr<RstWriteTIFFHeader> header;
  Rows rows;
  // The pixels tifftopnm gives: the rows as they are, or inverted (gray
  // min-is-white), or looked up in the colormap.
  Bytes pnm;
};

Strips strips_of(RstWriteTIFFHeader& h, const Rows& rows) {
  Strips strips;
  size_t y = 0;
  for (uint32_t i = 0; i < h.tile_specs()->size(); ++i) {
    Bytes s;
    for (uint32_t r = 0; r < (*h.tile_specs())[i].rows; ++r, ++y) s.insert(s.end(), rows[y].begin(), rows[y].end());
    strips.push_back(s);
  }
  return strips;
}

Bytes flat(const Rows& rows) {
  Bytes b;
  for (const auto& r : rows) b.insert(b.end(), r.begin(), r.end());
  return b;
}

RealPage bilevel_page(uint32_t width, uint32_t height, uint32_t rows_per_strip, uint32_t order) {
  RealPage p{page(bilevel(int32_t(width), int32_t(height)), 1, rows_per_strip, order), bilevel_rows(width, height), {}};
  p.pnm = flat(p.rows);
  return p;
}

RealPage gray_page(bool min_is_white, uint32_t order) {
  RstColorType* type = min_is_white ? RstColorType::s_gray_reverse() : RstColorType::s_gray();
  RealPage p{page(image_header(37, 21, 8, 1, type), 1, 8, order), byte_rows(37, 21, 1), {}};
  p.pnm = flat(p.rows);
  if (min_is_white)
    for (uint8_t& v : p.pnm) v = uint8_t(255 - v);
  return p;
}

RealPage rgb_page(uint32_t order) {
  RealPage p{page(image_header(29, 13, 8, 3, RstColorType::s_rgb()), 1, 5, order), byte_rows(29, 13, 3), {}};
  p.pnm = flat(p.rows);
  return p;
}

RealPage palette_page(uint32_t order) {
  RstHeader image = image_header(33, 9, 8, 1, RstColorType::s_rgb());
  RstColormap* map = new RstColormap(8, 3, 256);
  for (int i = 0; i < 256; ++i) {
    map->data()[3 * i] = uint8_t(i);
    map->data()[3 * i + 1] = uint8_t(255 - i);
    map->data()[3 * i + 2] = uint8_t(i * 7);
  }
  image.colormap.reset(map);
  RealPage p{page(image, 1, 0, order), byte_rows(33, 9, 1), {}};
  for (uint8_t v : flat(p.rows))
    p.pnm.insert(p.pnm.end(), {map->data()[3 * v], map->data()[3 * v + 1], map->data()[3 * v + 2]});
  return p;
}

class WriteTiffRealFiles : public PageTest {
 protected:
  void SetUp() override { dir = temp_dir(); }
  void TearDown() override { run("rm -rf " + dir); }
  std::string at(const std::string& name) const { return dir + "/" + name; }
  // The text a command writes to stderr (its stdout dropped); `ok` its exit.
  std::string errors_of(const std::string& command, bool* ok = nullptr) {
    bool r = run("cd " + dir + " && " + command + " >/dev/null 2>err.txt");
    if (ok) *ok = r;
    Bytes b = file_bytes(at("err.txt"));
    return std::string(b.begin(), b.end());
  }

  // Writes the pages into one file and checks it with every tool; with
  // `peers` false only tiffdump and our reader look at it.
  void write_and_check(const std::string& name, std::vector<RealPage>& pages, uint32_t order, bool peers = true) {
    SCOPED_TRACE(name);
    std::string path = at(name);
    {
      FileOutputStorage out;
      ASSERT_TRUE(out.open(path));
      RstWriteTIFFMultiPageManager* manager = RstWriteTIFFMultiPageManager::create(&out, uint32_t(pages.size()), order);
      for (RealPage& p : pages) ASSERT_TRUE(write_test_page(*manager, *p.header, strips_of(*p.header, p.rows)));
      manager->close();
      out.close();
    }
    ASSERT_TRUE(status.errors().empty());
    // tiffdump lists exactly the entries built, every IFD and block at an even offset.
    std::vector<DumpedIFD> dumped = tiffdump(path);
    ASSERT_EQ(dumped.size(), pages.size() + (pages[0].header->global_parameters ? 1 : 0) * 0);
    for (size_t i = 0; i < pages.size(); ++i) {
      EXPECT_EQ(dumped[i].tags, entry_tags(*pages[i].header)) << "page " << i;
      EXPECT_EQ(dumped[i].offset % 2, 0u);
      for (const RstWriteTIFFIFDEntry& e : pages[i].header->directory.entries)
        if (e.values_out_of_line()) {
          EXPECT_EQ(e.value % 2, 0u) << e.tag;
        }
    }
    // Our reader gives every page back.
    FileInputStorage in;
    ASSERT_TRUE(in.open(path));
    for (size_t i = 0; i < pages.size(); ++i) {
      in.seek(0);
      RstOwner<RstRead> node(RstReadRaster::create(&in, uint32_t(i + 1)));
      ASSERT_TRUE(node.get()) << "page " << i;
      EXPECT_EQ(read_lines(node.get(), pages[i].rows[0].size()), pages[i].rows) << "page " << i;
    }
    ASSERT_TRUE(status.errors().empty());
    if (!peers) return;
    bool ok = false;
    std::string text = errors_of("tiffinfo -D " + name, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "");
    text = errors_of("tiffcp " + name + " copy.tif", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(text, "");
    EXPECT_TRUE(
        run("cd " + dir + " && test $(identify " + name + " 2>/dev/null | wc -l) = " + std::to_string(pages.size())));
    for (size_t i = 0; i < pages.size(); ++i) {
      ASSERT_TRUE(run("cd " + dir + " && tiffcp " + name + "," + std::to_string(i) +
                      " one.tif && tifftopnm one.tif > one.pnm 2>/dev/null"));
      Pnm pnm;
      ASSERT_TRUE(read_pnm(at("one.pnm"), pnm));
      EXPECT_EQ(pnm.width, int(pages[i].header->image_width));
      EXPECT_EQ(pnm.data, pages[i].pnm) << "page " << i;
    }
  }

  std::string dir;
};

TEST_F(WriteTiffRealFiles, PagesOfEveryKindInBothByteOrders) {
  for (uint32_t order : {0x4949u, 0x4D4Du}) {
    std::string o = order == 0x4949 ? "II" : "MM";
    struct Named {
      std::string name;
      RealPage page;
    };
    std::vector<Named> singles;
    singles.push_back({"bilevel_rows1", bilevel_page(77, 40, 1, order)});
    singles.push_back({"bilevel_rows64", bilevel_page(200, 150, 64, order)});
    singles.push_back({"bilevel_one_strip", bilevel_page(1001, 30, 0, order)});
    singles.push_back({"gray_min_is_black", gray_page(false, order)});
    singles.push_back({"gray_min_is_white", gray_page(true, order)});
    singles.push_back({"rgb", rgb_page(order)});
    singles.push_back({"palette", palette_page(order)});
    RealPage tagged = bilevel_page(64, 16, 8, order);
    tagged.header->software = "Pelkran";
    tagged.header->artist = "A. Painter";
    tagged.header->date_time = "2026:12:11 01:02:03";
    tagged.header->page_number = {0, 1};
    singles.push_back({"tags", std::move(tagged)});
    RealPage fx = bilevel_page(64, 16, 8, order);
    RstTIFFGlobalParameters gp;
    gp.profile_type = 1;
    gp.fax_profile = 2;
    gp.coding_methods = 2;
    gp.version_year = {'1', '9', '9', '8'};
    gp.mode_number = 0;
    fx.header->set_global_parameters(gp);
    singles.push_back({"global_parameters", std::move(fx)});
    for (Named& n : singles) {
      std::vector<RealPage> one;
      one.push_back(std::move(n.page));
      write_and_check(n.name + "_" + o + ".tif", one, order);
    }
    std::vector<RealPage> three;
    three.push_back(bilevel_page(90, 33, 10, order));
    three.push_back(gray_page(false, order));
    three.push_back(rgb_page(order));
    write_and_check("three_" + o + ".tif", three, order);
  }
}

TEST_F(WriteTiffRealFiles, GlobalParametersAreListed) {
  RealPage fx = bilevel_page(64, 16, 8, 0x4949);
  RstTIFFGlobalParameters gp;
  gp.profile_type = 1;
  fx.header->set_global_parameters(gp);
  std::vector<RealPage> one;
  one.push_back(std::move(fx));
  write_and_check("fx.tif", one, 0x4949);
  EXPECT_TRUE(run("cd " + dir + " && tiffinfo -D fx.tif 2>&1 | grep -q -i 'GlobalParametersIFD'"));
}

TEST_F(WriteTiffRealFiles, StripRowCountsWithoutRowsPerStrip) {
  for (uint32_t order : {0x4949u, 0x4D4Du}) {
    RealPage p = bilevel_page(48, 20, 0, order);
    p.header->strip_row_counts = {7, 3, 10};
    std::vector<RealPage> one;
    one.push_back(std::move(p));
    write_and_check(order == 0x4949 ? "rows_II.tif" : "rows_MM.tif", one, order, false);
    std::vector<uint32_t> tags = entry_tags(*one[0].header);
    EXPECT_EQ(std::find(tags.begin(), tags.end(), 278u), tags.end());
    EXPECT_NE(std::find(tags.begin(), tags.end(), 559u), tags.end());
  }
}

}  // namespace
