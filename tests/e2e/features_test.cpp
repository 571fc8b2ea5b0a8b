// Driver features end to end through both libraries of the default printer:
// layouts, resolution and page settings, the colour stages and the outside
// libraries, escapes and device fonts. Every job passes jobcheck.
#include <cstdio>

#include "e2e_fixture.h"
#include "graphics_driver/core/layout_packet_builder.h"
#include "host/printer_link.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/winspool.h"

namespace e2e {
namespace {

const char kDoc[] = "docs/three_pages.txt";

struct JobRow {
  friend void PrintTo(const JobRow& r, std::ostream* os) { *os << r.name; }
  const char* name;
  std::string options;  // gdihost's
  std::string check;    // jobcheck's arguments before the job
  std::string line;     // part of jobcheck's line
};

// Each layout and setting path gives a job of the pages and lines it asks for.
const JobRow kJobs[] = {
    {"TwoUp", "-s 295=2", "--pages 2", "2 pages, 2 TIFF files"},
    {"FourUp", "-s 295=4", "--pages 1", "1 page, 1 TIFF file"},
    {"Booklet", "-s 321=2", "--pages 3", "3 pages"},
    {"Poster", "-s 321=1 -s 296=0x0202", "--pages 3", "3 pages"},
    {"Duplex", "-s 16=2", "--pages 3", "3 pages"},
    // The default printer's model takes no dmCollate from the application:
    // collation stays on, so the copies are the printer's.
    {"ReverseTwoCopies", "-s 451=1 -s 12=2 -s 18=0",
     "--pages 3 --line '@PJL DEFAULT COLLATIONENABLE = REVERSE' --line '@PJL DEFAULT COPIES = 2'", "3 pages"},
    {"ReverseTwoUp", "-s 451=1 -s 295=2", "--pages 2 --no-line '@PJL DEFAULT COLLATIONENABLE = REVERSE'", "2 pages"},
    {"FourHundredDpi", "-s 14=400 --printer-set 1043=1", "--pages 3 --dpi 400", "3 pages"},
    {"NoPjlOutput", "--printer-set 1032=0", "--pages 3", "1 TIFF file"},
};

class JobRowTest : public E2eTest, public ::testing::WithParamInterface<JobRow> {};

TEST_P(JobRowTest, PrintsAndPasses) {
  const JobRow& row = GetParam();
  HostRun r = Gdihost("-o job.prn " + row.options + " " + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  std::string out;
  ASSERT_EQ(JobCheck(row.check + " job.prn", &out), 0);
  EXPECT_NE(out.find(row.line), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Features, JobRowTest, ::testing::ValuesIn(kJobs),
                         [](const ::testing::TestParamInfo<JobRow>& i) { return std::string(i.param.name); });

class FeatureTest : public E2eTest {
 protected:
  // jobcheck --ink's boxes, one a page.
  std::vector<std::string> Ink(const std::string& job) {
    std::string out;
    EXPECT_EQ(JobCheck("--ink " + job, &out), 0);
    std::vector<std::string> boxes;
    for (const std::string& l : SplitLines(out))
      if (l.rfind("page ", 0) == 0) boxes.push_back(l);
    return boxes;
  }
  void ReplaceModel(const std::string& text);
  // The images of docs/images.txt, made by netpbm and ImageMagick.
  void MakeImages() {
    ASSERT_EQ(Shell("cd docs && pbmmake -gray 64 48 > bits.pbm && pgmramp -lr 30 20 > grey.pgm && "
                    "convert -size 20x15 plasma:fractal -seed 7 -depth 8 colour.ppm"),
              0);
  }
  std::string PageBits(const std::string& job);
  // Width and height of each page of a job, through tiffinfo of its files.
  std::vector<std::pair<long, long>> Sizes(const std::string& job) {
    fs::create_directories(root_ + "/split");
    EXPECT_EQ(JobCheck("--split split " + job), 0);
    std::string out;
    Shell("for f in split/unit*.tif; do tiffinfo $f; done | grep 'Image Width'", &out);
    std::vector<std::pair<long, long>> sizes;
    for (const std::string& l : SplitLines(out)) {
      long w = 0, h = 0;
      if (std::sscanf(l.c_str(), " Image Width: %ld Image Length: %ld", &w, &h) == 2) sizes.emplace_back(w, h);
    }
    return sizes;
  }
};

// ResetDC from portrait to landscape between pages: pages of both shapes.
TEST_F(FeatureTest, ResetDcTurnsThePage) {
  std::ofstream(root_ + "/docs/turn.txt") << "unit mm\npage\nrect 20 20 60 60\nresetdc set 7=2\npage\nrect 20 20 60 "
                                             "60\n";
  HostRun r = Gdihost("-o job.prn docs/turn.txt");
  ASSERT_EQ(r.exit, 0) << r.err;
  const auto sizes = Sizes("job.prn");
  ASSERT_EQ(sizes.size(), 2u);
  EXPECT_LT(sizes[0].first, sizes[0].second);
  EXPECT_GT(sizes[1].first, sizes[1].second);
}

// Offsets (478 on, 353 across and 354 down in tenths of a millimetre) move
// the ink by as many dots, once the page handling (373) keeps page sizes.
TEST_F(FeatureTest, OffsetsMoveTheInk) {
  ASSERT_EQ(Gdihost(std::string("-o plain.prn -s 373=3000 ") + kDoc).exit, 0);
  ASSERT_EQ(Gdihost(std::string("-o moved.prn -s 373=3000 -s 478=1 -s 353=200 -s 354=100 ") + kDoc).exit, 0);
  const auto plain = Ink("plain.prn"), moved = Ink("moved.prn");
  ASSERT_EQ(plain.size(), 3u);
  ASSERT_EQ(moved.size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    long a[4], b[4];
    ASSERT_EQ(std::sscanf(plain[i].c_str(), "page %*d: ink %ld %ld %ld %ld", &a[0], &a[1], &a[2], &a[3]), 4);
    ASSERT_EQ(std::sscanf(moved[i].c_str(), "page %*d: ink %ld %ld %ld %ld", &b[0], &b[1], &b[2], &b[3]), 4);
    // 20 mm across and 10 mm down at 600 dpi.
    EXPECT_EQ(b[0] - a[0], 472) << plain[i] << " / " << moved[i];
    EXPECT_EQ(b[1] - a[1], 236) << plain[i] << " / " << moved[i];
  }
}

// What GDI is told is printable is the page: a box drawn into the
// printable area's bottom-right corner, on A4 and Letter, portrait and
// landscape, is ink there on a page of exactly that size, and no drawing
// falls outside every band.
TEST_F(FeatureTest, DrawingReachesThePrintableEdges) {
  for (const char* paper : {"-s 8=9", "-s 8=1", "-s 8=9 -s 7=2"}) {
    SCOPED_TRACE(paper);
    HostRun probe = Gdihost(std::string("-o probe.prn ") + paper + " " + kDoc);
    ASSERT_EQ(probe.exit, 0) << probe.err;
    long w = 0, h = 0;
    ASSERT_EQ(Lines(probe, "DrvEnablePDEV").size(), 1u);
    ASSERT_EQ(std::sscanf(Lines(probe, "DrvEnablePDEV")[0].c_str(), "DrvEnablePDEV printable %ldx%ld", &w, &h), 2);
    std::ofstream(root_ + "/docs/edge.txt") << "unit dot\npage\npen null\nbrush solid #000000\nrect " << w - 300 << " "
                                            << h - 200 << " " << w << " " << h << "\n";
    HostRun r = Gdihost(std::string("-o edge.prn ") + paper + " docs/edge.txt");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err.find("in no band"), std::string::npos) << r.err;
    const auto sizes = Sizes("edge.prn");
    ASSERT_EQ(sizes.size(), 1u);
    EXPECT_EQ(sizes[0], std::make_pair(w, h));
    const auto ink = Ink("edge.prn");
    ASSERT_EQ(ink.size(), 1u);
    long box[4] = {};
    ASSERT_EQ(std::sscanf(ink[0].c_str(), "page %*d: ink %ld %ld %ld %ld", &box[0], &box[1], &box[2], &box[3]), 4)
        << ink[0];
    EXPECT_NEAR(box[0], w - 300, 1) << ink[0];
    EXPECT_NEAR(box[1], h - 200, 1) << ink[0];
    EXPECT_GE(box[2], w - 2) << ink[0];
    EXPECT_GE(box[3], h - 2) << ink[0];
  }
}

// A colord-data profile in 289 with ICC matching (286 = 2) prints without a
// box. The colour settings apply only in the colour modes (293 = 2 or 4;
// the default printer's 293 is 1), and the source stage also needs 471,
// which is the save-to-file switch as well: the profile is loaded here as
// the second stage that uses the source profile again (472 = 1, 473 = 1).
TEST_F(FeatureTest, IccProfilePrintsWithoutABox) {
  const std::string profile = "/usr/share/color/icc/colord/sRGB.icc";
  ASSERT_TRUE(fs::exists(profile));
  fs::create_directories(Host(u"C:\\Profiles"));
  fs::copy_file(profile, Host(u"C:\\Profiles") + "/sRGB.icc");
  HostRun r = Gdihost(std::string("-o job.prn -s 286=2 -s '289=C:\\Profiles\\sRGB.icc' ") + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Lines(r, "MessageBox").empty());
  ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
  // The same with the stage built: a file that is no profile asks, the
  // profile does not.
  const std::string built = "-s 293=2 -s 286=2 -s 472=1 -s 473=1 ";
  MakeImages();
  std::ofstream(Host(u"C:\\Profiles") + "/text.icc") << "no profile\n";
  HostRun loaded = Gdihost("-o loaded.prn " + built + "-s '289=C:\\Profiles\\sRGB.icc' docs/images.txt");
  ASSERT_EQ(loaded.exit, 0) << loaded.err;
  EXPECT_TRUE(Lines(loaded, "MessageBox").empty());
  ASSERT_EQ(JobCheck("--pages 1 loaded.prn"), 0);
  HostRun refused = Gdihost("--answer OK -o refused.prn " + built + "-s '289=C:\\Profiles\\text.icc' docs/images.txt");
  ASSERT_EQ(refused.exit, 0) << refused.err;
  EXPECT_EQ(Lines(refused, "MessageBox").size(), 1u);
}

// A second profile (472 = 1, 473 = 0) that cannot be read asks once: OK
// prints without it, Cancel fails the document start and leaves no job.
TEST_F(FeatureTest, MissingProfileAsksOnce) {
  const std::string options =
      std::string("-o job.prn -s 293=2 -s 286=2 -s 472=1 -s 473=0 -s '290=C:\\Profiles\\none.icc' ") + kDoc;
  HostRun cancel = Gdihost("--answer CANCEL " + options);
  EXPECT_EQ(cancel.exit, 5) << cancel.err;
  EXPECT_EQ(Lines(cancel, "MessageBox").size(), 1u);
  EXPECT_FALSE(fs::exists(root_ + "/job.prn"));
  HostRun ok = Gdihost("--answer OK " + options);
  ASSERT_EQ(ok.exit, 0) << ok.err;
  ASSERT_EQ(Lines(ok, "MessageBox").size(), 1u);
  EXPECT_NE(Lines(ok, "MessageBox")[0].find("none.icc"), std::string::npos) << Lines(ok, "MessageBox")[0];
  ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
}

// 291 = 1 in a colour mode loads the colour library once and unloads it
// once, and the images print.
TEST_F(FeatureTest, ColourLibraryLoadsOnce) {
  MakeImages();
  ASSERT_EQ(Shell("LD_DEBUG=files LD_DEBUG_OUTPUT=" + root_ + "/ld " +
                  GdihostCommand("-o colour.prn -s 293=2 -s 291=1 docs/images.txt", root_ + "/t.txt")),
            0);
  std::string out;
  Shell("cat ld.*", &out);
  int inits = 0, finis = 0;
  for (const std::string& l : SplitLines(out)) {
    if (l.find("/Orvcolor.so") == std::string::npos) continue;
    inits += l.find("calling init: ") != std::string::npos;
    finis += l.find("calling fini: ") != std::string::npos;
  }
  EXPECT_EQ(inits, 1);
  EXPECT_EQ(finis, 1);
  ASSERT_EQ(JobCheck("--pages 1 colour.prn"), 0);
}

// Feature level 0x01010901 binds the compression library: the dynamic
// loader sees it loaded once (both slots share it) and unloaded once, and
// the pages print.
TEST_F(FeatureTest, CompressionLibraryLoadsOnce) {
  for (const char* pjl : {"1", "0"}) {
    SCOPED_TRACE(std::string("PJL output ") + pjl);
    Shell("rm -f ld.*");
    std::string out;
    ASSERT_EQ(Shell("LD_DEBUG=files LD_DEBUG_OUTPUT=" + root_ + "/ld " +
                    GdihostCommand(std::string("-o level.prn --printer-set 1308=0x01010901 --printer-set 1032=") + pjl +
                                       " " + kDoc,
                                   root_ + "/t.txt")),
              0);
    Shell("cat ld.*", &out);
    int inits = 0, finis = 0;
    for (const std::string& l : SplitLines(out)) {
      if (l.find("/Orvcomp.so") == std::string::npos) continue;
      inits += l.find("calling init: ") != std::string::npos;
      finis += l.find("calling fini: ") != std::string::npos;
    }
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(finis, 1);
    ASSERT_EQ(JobCheck("--pages 3 level.prn"), 0);
  }
}

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string s;
  char b[3];
  for (uint8_t v : bytes) {
    std::snprintf(b, sizeof b, "%02X", v);
    s += b;
  }
  return s;
}

// The standard escapes and the layout escapes with a JPEG packet print.
TEST_F(FeatureTest, StandardAndLayoutEscapesPrint) {
  pk::test::PacketSpec first;
  first.total = 1000;
  first.chunkLength = 600;
  first.destWidth = 100, first.destHeight = 50;
  pk::test::PacketSpec second = first;
  second.chunkOffset = 600;
  second.chunkLength = 400;
  second.id = 1;
  std::ofstream(root_ + "/docs/escapes.txt")
      << "unit dot\n"
         "escape 8 in 11000000 out 4\n"  // QUERYESCSUPPORT of SETCOPYCOUNT
         "escape 17 in 02000000 out 4\n"
         "escape 20 in 00000000 out 4\n"
         "escape 0x1071 in 0800000001000000\n"
         "page\nrect 100 100 200 200\n"
         "escape 0x1072 in "
      << Hex(pk::test::BuildPacket(first)) << "\nescape 0x1072 in " << Hex(pk::test::BuildPacket(second)) << "\n";
  HostRun r = Gdihost("-o job.prn docs/escapes.txt");
  ASSERT_EQ(r.exit, 0) << r.err;
  const std::vector<std::string> escapes = Lines(r, "escape ");
  ASSERT_EQ(escapes.size(), 6u);
  for (const std::string& e : escapes) EXPECT_EQ(e.find("answered 0"), std::string::npos) << e;
  ASSERT_EQ(JobCheck("job.prn"), 0);
}

// GDI asks the default printer's driver for no font (text is drawn from
// glyph bitmaps).
TEST_F(FeatureTest, GdiIsToldOfNoDeviceFontsAndAsksNone) {
  HostRun r = Gdihost(std::string("-o job.prn docs/text.txt"));
  ASSERT_EQ(r.exit, 0) << r.err;
  // GDI is told of no device fonts (cFonts 0): it asks for none.
  ASSERT_EQ(Lines(r, "DrvEnablePDEV").size(), 1u);
  EXPECT_NE(Lines(r, "DrvEnablePDEV")[0].find(" fonts 0"), std::string::npos) << Lines(r, "DrvEnablePDEV")[0];
  // The PDEV has device fonts all the same: its default font is one of them.
  EXPECT_NE(Lines(r, "DrvEnablePDEV")[0].find(" default font \"Courier\""), std::string::npos)
      << Lines(r, "DrvEnablePDEV")[0];
  // Its two device fonts, which the host asks for itself, for the trace.
  EXPECT_NE(Lines(r, "DrvEnablePDEV")[0].find(" device fonts 2 \"Orvalis Sans\" \"Orvalis Mono\""), std::string::npos)
      << Lines(r, "DrvEnablePDEV")[0];
  EXPECT_TRUE(Lines(r, "DrvQueryFont").empty());
  EXPECT_FALSE(Lines(r, "DrvTextOut").empty());
  ASSERT_EQ(JobCheck("--pages 1 job.prn"), 0);
}

// Whatever the TrueType option (17: 1 graphics, 2 download, 3 substitute
// device fonts), text is drawn from glyph bitmaps: the same pages, and GDI
// asks no font.
TEST_F(FeatureTest, TrueTypeOptionsPrintTheSamePages) {
  std::string first;
  for (const char* option : {"1", "2", "3"}) {
    SCOPED_TRACE(std::string("17=") + option);
    const std::string job = std::string("tt") + option + ".prn";
    HostRun r = Gdihost("-o " + job + " -s 17=" + option + " docs/text.txt");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_TRUE(Lines(r, "DrvQueryFont").empty());
    const std::string page = PageBits(job);
    ASSERT_FALSE(page.empty());
    if (first.empty()) first = page;
    EXPECT_TRUE(page == first);
  }
}

// The user's stored paper margins (tenths of a millimetre) go with the
// create-DC step's record to DrvEnablePDEV: the printable size GDI gets is
// less the margins.
TEST_F(FeatureTest, StoredPaperMarginsShrinkThePrintableSize) {
  auto printable = [&](const std::string& options, long* w, long* h) {
    HostRun r = Gdihost("-o job.prn " + options + " docs/three_pages.txt");
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::vector<std::string> pdev = Lines(r, "DrvEnablePDEV");
    ASSERT_EQ(pdev.size(), 1u);
    ASSERT_EQ(std::sscanf(pdev[0].c_str(), "DrvEnablePDEV printable %ldx%ld", w, h), 2) << pdev[0];
    ASSERT_EQ(JobCheck("--pages 3 job.prn"), 0);
  };
  long w0 = 0, h0 = 0, w1 = 0, h1 = 0;
  printable("", &w0, &h0);
  pkhost::OpenedPrinter printer;
  std::string error;
  ASSERT_TRUE(pkhost::OpenPrinterForHost(PK_DEFAULT_PRINTER_NAME, &printer, &error)) << error;
  const BYTE id[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  ASSERT_EQ(SetPrinterDataW(printer.handle, u"PRNID", REG_BINARY, id, 16), 0u);
  pkhost::ClosePrinterForHost(&printer);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_CURRENT_USER,
                          u"Software\\Caldrix\\KZ TRD Printer Driver\\Printers\\0102030405060708090A0B0C0D0E0F10"
                          u"\\Paper Margin",
                          &key),
            ERROR_SUCCESS);
  // Stored order for portrait: the two vertical margins, then the two
  // horizontal ones.
  const int32_t a4[5] = {9, 100, 100, 200, 200};
  ASSERT_EQ(RegSetValueExW(key, u"9", 0, REG_BINARY, reinterpret_cast<const BYTE*>(a4), 20), ERROR_SUCCESS);
  RegCloseKey(key);
  printable("-s 387=1", &w1, &h1);
  // Without stored margins the printable size is the page inside the
  // model's margins; with them it is the A4 paper (4961 x 7016 at 600 dpi)
  // less 40 mm across and 20 mm down.
  EXPECT_LT(w0, 4961);
  EXPECT_LT(h0, 7016);
  EXPECT_NEAR(double(4961 - w1), 944.9, 1.0);
  EXPECT_NEAR(double(7016 - h1), 472.4, 1.0);
}

// The printer's model replaced by the model writer's file of `text`.
void FeatureTest::ReplaceModel(const std::string& text) {
  std::ofstream(root_ + "/model.txt") << text;
  std::string model;
  Shell("find '" + root_ + "/c' -name ORVC3600.DDD", &model);
  model = model.substr(0, model.find('\n'));
  ASSERT_FALSE(model.empty());
  fs::remove(model);
  std::string out;
  ASSERT_EQ(Shell("'" + OutDir() + "/dddwrite' model.txt '" + model + "'", &out), 0) << out;
}

// The page of a one-page job as PBM bytes.
std::string FeatureTest::PageBits(const std::string& job) {
  const std::string dir = job + ".split";
  fs::create_directories(root_ + "/" + dir);
  EXPECT_EQ(JobCheck("--split " + dir + " " + job), 0);
  std::string out;
  EXPECT_EQ(Shell("tifftopnm " + dir + "/unit1.tif > " + dir + "/page.pbm"), 0);
  return ReadAll(root_ + "/" + dir + "/page.pbm");
}

// Page handling: with no page length (373 = 0) the outside library cuts a
// page below its last ink when the flag 470 asks or the paper is a large
// one (a writer-made model's roll paper); on the default A4 paper alone the
// pages keep their full height. Ink is never cut.
TEST_F(FeatureTest, PageHandlingCutsPagesToTheirContent) {
  auto heights = [&](const std::string& options) {
    HostRun r = Gdihost("-o job.prn -s 373=0 " + options + " " + kDoc);
    EXPECT_EQ(r.exit, 0) << r.err;
    std::vector<long> bottoms;
    for (const std::string& box : Ink("job.prn")) {
      long b[4] = {};
      EXPECT_EQ(std::sscanf(box.c_str(), "page %*d: ink %ld %ld %ld %ld", &b[0], &b[1], &b[2], &b[3]), 4) << box;
      bottoms.push_back(b[3] + 1);
    }
    std::vector<long> lengths;
    for (const auto& size : Sizes("job.prn")) lengths.push_back(size.second);
    fs::remove_all(root_ + "/split");
    EXPECT_EQ(lengths.size(), 3u);
    return std::make_pair(lengths, bottoms);
  };
  const auto full = heights("");
  for (long length : full.first) EXPECT_EQ(length, 6817);
  const auto cut = heights("-s 470=1");
  EXPECT_EQ(cut.first, cut.second);
  EXPECT_EQ(cut.second, full.second);

  std::ifstream in(PK_DEFAULT_MODEL_TEXT);
  std::stringstream text;
  for (std::string line; std::getline(in, line);) {
    text << line << "\n";
    if (line.rfind("paper 9 \"A4\"", 0) == 0) text << "paper 274 \"A4 Roll\" 0 0 2100 2970 42 42\n";
    if (line == "  option \"A4\" 10 9 i16 9") text << "  option \"A4 Roll\" 10 274 i16 274\n";
  }
  ReplaceModel(text.str());
  pkhost::OpenedPrinter printer;
  std::string error;
  ASSERT_TRUE(pkhost::OpenPrinterForHost(PK_DEFAULT_PRINTER_NAME, &printer, &error)) << error;
  FORM_INFO_1W form = {0, const_cast<LPWSTR>(u"A4 Roll"), {210000, 297000}, {0, 0, 210000, 297000}};
  // Added unless the printer has the form already (ERROR_FILE_EXISTS).
  if (!AddFormW(printer.handle, 1, reinterpret_cast<const BYTE*>(&form))) {
    ASSERT_EQ(GetLastError(), 80u);
  }
  pkhost::ClosePrinterForHost(&printer);
  // The application names a paper by its form's position.
  std::string index;
  ASSERT_EQ(Shell("'" + OutDir() + "/spoolctl' --root '" + root_ + "' forms | grep 'A4 Roll' | cut -f1", &index), 0);
  ASSERT_FALSE(index.empty());
  const auto roll = heights("-s 8=" + index.substr(0, index.find('\n')));
  EXPECT_EQ(roll.first, roll.second);
  EXPECT_EQ(roll.second, full.second);
}

// A model without device fonts (the default model's font records left out,
// written by the model writer) prints the text document to the same pages.
TEST_F(FeatureTest, ModelWithoutDeviceFontsPrintsTheSamePages) {
  ASSERT_EQ(Gdihost("-o fonts.prn docs/text.txt").exit, 0);
  std::ifstream in(PK_DEFAULT_MODEL_TEXT);
  std::stringstream text;
  bool inFonts = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("font ", 0) == 0) inFonts = true;
    else if (!line.empty() && line[0] != ' ' && line.rfind("widths", 0) != 0) inFonts = false;
    if (!inFonts) text << line << "\n";
  }
  ASSERT_EQ(text.str().find("\nfont "), std::string::npos);
  ReplaceModel(text.str());
  HostRun r = Gdihost("-o nofonts.prn docs/text.txt");
  ASSERT_EQ(r.exit, 0) << r.err;
  EXPECT_TRUE(Lines(r, "DrvQueryFont").empty());
  ASSERT_EQ(Lines(r, "DrvEnablePDEV").size(), 1u);
  EXPECT_NE(Lines(r, "DrvEnablePDEV")[0].find(" fonts 0"), std::string::npos) << Lines(r, "DrvEnablePDEV")[0];
  // Without device fonts the PDEV names no default font and holds none.
  EXPECT_NE(Lines(r, "DrvEnablePDEV")[0].find(" default font \"\""), std::string::npos) << Lines(r, "DrvEnablePDEV")[0];
  EXPECT_NE(Lines(r, "DrvEnablePDEV")[0].find(" device fonts 0"), std::string::npos) << Lines(r, "DrvEnablePDEV")[0];
  const std::string a = PageBits("fonts.prn"), b = PageBits("nofonts.prn");
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == b);
}

// A model that names no compression or colour library prints the same page
// at the feature level that binds the compression library.
TEST_F(FeatureTest, ModelWithoutOutsideLibrariesPrintsTheSamePages) {
  const std::string level = "--printer-set 1308=0x01010901 -s 293=2 -s 291=1 ";
  ASSERT_EQ(Gdihost("-o with.prn " + level + "docs/fills.txt").exit, 0);
  std::ifstream in(PK_DEFAULT_MODEL_TEXT);
  std::stringstream text;
  for (std::string line; std::getline(in, line);)
    text << (line.rfind("field 21 ", 0) == 0 || line.rfind("field 22 ", 0) == 0 ? line.substr(0, 14) + "\"\"" : line)
         << "\n";
  ReplaceModel(text.str());
  ASSERT_EQ(Shell("LD_DEBUG=files LD_DEBUG_OUTPUT=" + root_ + "/nolib " +
                  GdihostCommand("-o without.prn " + level + "docs/fills.txt", root_ + "/t.txt")),
            0);
  std::string loaded;
  Shell("cat nolib.* | grep 'calling init' | grep -c Orvc || true", &loaded);
  EXPECT_EQ(loaded, "0\n");
  const std::string a = PageBits("with.prn"), b = PageBits("without.prn");
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == b);
}

// Reverse order with 2 copies and collation off. Collation is not taken from
// the application's DEVMODE (dmCollate is no field the model supports), so
// it is off by the model's default here: a model written with "Off" as the
// default of setting 18. The printer makes the copies from the named files:
// COPIES = 1 and one REFERNAME round after each file.
TEST_F(FeatureTest, ReverseOrderWithoutCollationNamesEachFile) {
  // The default model keeps collation on, whatever the application says.
  ASSERT_EQ(Gdihost(std::string("-o collated.prn -s 451=1 -s 12=2 -s 18=0 ") + kDoc).exit, 0);
  ASSERT_EQ(JobCheck("--pages 3 --line '@PJL DEFAULT COPIES = 2' --no-line '@PJL SET REFERNAME = \"data1\"' "
                     "collated.prn"),
            0);
  std::ifstream in(PK_DEFAULT_MODEL_TEXT);
  std::stringstream text;
  bool changed = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("feature 4 18 ", 0) == 0 && line.size() > 2 && line.substr(line.size() - 2) == " 2") {
      line.back() = '1';
      changed = true;
    }
    text << line << "\n";
  }
  ASSERT_TRUE(changed);
  ReplaceModel(text.str());
  HostRun r = Gdihost(std::string("-o job.prn -s 451=1 -s 12=2 ") + kDoc);
  ASSERT_EQ(r.exit, 0) << r.err;
  std::string out;
  ASSERT_EQ(
      JobCheck("--pages 3 --line '@PJL DEFAULT COLLATIONENABLE = REVERSE' --line '@PJL DEFAULT COPIES = 1' job.prn",
               &out),
      0);
  const std::vector<std::string> lines = SplitLines(ReadAll(root_ + "/job.prn"));
  std::vector<std::string> names;
  for (const std::string& l : lines)
    if (l.rfind("@PJL SET FILENAME", 0) == 0 || l.rfind("@PJL SET REFERNAME", 0) == 0) names.push_back(l);
  const std::vector<std::string> expected = {"@PJL SET FILENAME = \"data1\"", "@PJL SET REFERNAME = \"data1\"",
                                             "@PJL SET FILENAME = \"data2\"", "@PJL SET REFERNAME = \"data2\"",
                                             "@PJL SET FILENAME = \"data3\"", "@PJL SET REFERNAME = \"data3\""};
  EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace e2e
