// A stamp and labels printed end to end: the application's DEVMODE carries a
// stamp and label settings written by id, the print host runs the real
// interface library and graphics driver, and the job's page TIFFs (split by
// jobcheck, read through tifftopnm) carry the stamp's ink where the stamp is
// placed, which a run without the stamp does not.
#include <sys/wait.h>

#include <algorithm>
#include <cstring>

#include "host/printer_link.h"
#include "host_fixture.h"
#include "pbm_page.h"
#include "platform/spooler/spooler_admin.h"
#include "platform/win/win_logfont.h"
#include "settings/access/setting_access.h"

namespace hosttest {
namespace {

using Page = PbmPage;

struct JobRun {
  pkhost::PlayResult result = pkhost::PlayResult::Failed;
  int pagesSent = 0;
  SIZEL paper{};  // the DC's printable area in dots: the page
  std::vector<std::string> trace, failures;
};

class SumbrelStampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::UseTemporaryMachineRoot();
    root_ = PkMachineRoot();
    std::string error;
    ASSERT_TRUE(pkhost::OpenPrinterForHost(PK_DEFAULT_PRINTER_NAME, &printer_, &error)) << error;
  }
  void TearDown() override { pkhost::ClosePrinterForHost(&printer_); }

  static void SetText(std::vector<uint8_t>& devMode, SettingId id, const std::u16string& text) {
    const WCHAR* p = text.c_str();
    ASSERT_EQ(SetSettingValue(id, devMode.data(), nullptr, kSettingTypeText, UINT((text.size() + 1) * 2), &p),
              kSettingOk)
        << id;
  }
  static void SetNumber(std::vector<uint8_t>& devMode, SettingId id, long long value) {
    std::string why;
    ASSERT_TRUE(pkhost::ApplySetting(devMode, id, value, &why)) << id << ": " << why;
  }
  // A stamp: a framed 40-point bold text centred on the page.
  std::vector<uint8_t> StampDevMode() {
    std::vector<uint8_t> dm = printer_.devMode;
    SetText(dm, 297, u"Confidential");
    SetText(dm, 299, u"CONFIDENTIAL");
    LOGFONTW lf{};
    lf.lfHeight = 40;
    lf.lfWeight = FW_BOLD;
    std::memcpy(lf.lfFaceName, u"Sans", 10);
    const LOGFONTW* p = &lf;
    EXPECT_EQ(SetSettingValue(304, dm.data(), nullptr, kSettingTypeFontRecord, sizeof lf, &p), kSettingOk);
    SetNumber(dm, 301, 0x000000);
    SetNumber(dm, 302, 1);
    SetNumber(dm, 456, 0);
    SetNumber(dm, 303, 0x202);
    return dm;
  }
  // Prints the document with the DEVMODE; the job goes to `output`.
  JobRun Print(const std::string& document, const std::vector<uint8_t>& devMode, const std::string& output,
               const std::u16string& interfacePath = std::u16string()) {
    JobRun run;
    pkhost::Document doc;
    std::string error;
    EXPECT_TRUE(pkhost::ParseDocument(document, "doc.txt", root_, &doc, &error)) << error;
    pkhost::PrinterSetup setup;
    setup.printerName = printer_.name;
    setup.hPrinter = printer_.handle;
    setup.devMode = devMode;
    setup.driverPath = printer_.driverPath;
    setup.interfacePath = interfacePath.empty() ? printer_.interfacePath : interfacePath;
    pkhost::RunLog log;
    const DWORD lastJob = pkhost::LastJobId();
    {
      pkhost::SpoolerJob job(printer_.handle);
      pkhost::PrintSession session(log, &job);
      EXPECT_TRUE(session.CreateDc(setup, &error)) << error;
      run.result = pkhost::PlayDocument(doc, session, devMode, log);
      run.pagesSent = session.pagesSent();
      run.paper = {LONG(session.gdiInfo().ulHorzRes), LONG(session.gdiInfo().ulVertRes)};
      session.DeleteDc();
    }
    run.trace = log.trace();
    run.failures = log.failures();
    std::string bytes;
    EXPECT_TRUE(pkhost::CollectJobBytes(lastJob, &bytes, &error)) << error;
    std::ofstream(root_ + "/" + output, std::ios::binary) << bytes;
    return run;
  }
  int Shell(const std::string& command) {
    const int status = std::system(("cd '" + root_ + "' && " + command + " 2> shell.err").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Page n (1-based) of a job as a bitmap.
  bool PageOf(const std::string& job, int n, Page* page) {
    const std::string dir = job + ".pages";
    std::filesystem::create_directories(root_ + "/" + dir);
    if (Shell("'" + BuildOut() + "/jobcheck' --split " + dir + " " + job + " > /dev/null") != 0) return false;
    const std::string pbm = dir + "/" + std::to_string(n) + ".pbm";
    if (Shell("tifftopnm " + dir + "/unit" + std::to_string(n) + ".tif > " + pbm) != 0) return false;
    return ReadPbmPage(root_ + "/" + pbm, page);
  }
  // The bounding box of the dots of `area` inked in `with` and not in `without`.
  static RECTL ExtraInk(const Page& with, const Page& without, RECTL area, size_t* count) {
    RECTL box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    *count = 0;
    for (LONG y = std::max(area.top, 0); y < std::min(area.bottom, with.height); ++y)
      for (LONG x = std::max(area.left, 0); x < std::min(area.right, with.width); ++x)
        if (with.Ink(x, y) && !without.Ink(x, y)) {
          ++*count;
          box.left = std::min(box.left, x), box.top = std::min(box.top, y);
          box.right = std::max(box.right, x + 1), box.bottom = std::max(box.bottom, y + 1);
        }
    return box;
  }

  std::string root_;
  pkhost::OpenedPrinter printer_;
};

const char* const kTwoPages = "unit dot\npage\nrect 100 100 300 300\npage\nrect 100 100 300 300\n";

// Every page ends with the page mark query, the DEVMODE, the bracketed stamp
// and the bracketed labels; the pages carry a framed text centred on the page
// and a label in the top-left corner.
TEST_F(SumbrelStampTest, StampOnEveryPage) {
  std::vector<uint8_t> dm = StampDevMode();
  SetNumber(dm, 464, 1);
  SetNumber(dm, 468, 1);
  SetNumber(dm, 351, 0x101);
  SetNumber(dm, 355, 0x101);
  const JobRun with = Print(kTwoPages, dm, "with.prn");
  ASSERT_EQ(with.result, pkhost::PlayResult::Printed);
  EXPECT_TRUE(with.failures.empty()) << with.failures.front();
  const JobRun without = Print(kTwoPages, printer_.devMode, "without.prn");
  ASSERT_EQ(without.result, pkhost::PlayResult::Printed);
  EXPECT_EQ(with.pagesSent, 2);

  // After each ENDPAGE: 0x5001, 0x5002, 0x5003, the stamp's drawing, 0x5003,
  // then 0x5006, 0x5008, the labels' drawing, 0x5008.
  int ends = 0;
  for (size_t i = 0; i < with.trace.size(); ++i) {
    if (with.trace[i] != "DrvDocumentEvent ENDPAGE") continue;
    ++ends;
    std::vector<std::string> escapes;
    // Up to the bands, which play the escapes kept with the drawing again.
    for (size_t j = i + 1;
         j < with.trace.size() && with.trace[j].rfind("DrvDocumentEvent", 0) != 0 && with.trace[j] != "DrvStartBanding";
         ++j)
      if (with.trace[j].rfind("DrvEscape", 0) == 0) escapes.push_back(with.trace[j]);
    escapes.erase(std::remove(escapes.begin(), escapes.end(), "DrvEscape 20484"), escapes.end());
    EXPECT_EQ(escapes,
              (std::vector<std::string>{"DrvEscape 20481", "DrvEscape 20482", "DrvEscape 20483", "DrvEscape 20483",
                                        "DrvEscape 20486", "DrvEscape 20488", "DrvEscape 20488"}));
  }
  EXPECT_EQ(ends, 2);

  for (int n = 1; n <= 2; ++n) {
    Page a, b;
    ASSERT_TRUE(PageOf("with.prn", n, &a)) << n;
    ASSERT_TRUE(PageOf("without.prn", n, &b)) << n;
    ASSERT_EQ(a.width, b.width);
    ASSERT_EQ(a.height, b.height);
    size_t count = 0;
    // The stamp, below the label's band at the top.
    const RECTL middle{0, a.height / 8, a.width, a.height};
    const RECTL box = ExtraInk(a, b, middle, &count);
    ASSERT_GT(count, 1000u) << "page " << n;
    // Centred (position 0x202) in the stamp's area, the DC's printable area,
    // which is the page; the frame's outer edge is the box's.
    EXPECT_EQ(a.width, with.paper.cx);
    EXPECT_EQ(a.height, with.paper.cy);
    EXPECT_NEAR((box.left + box.right) / 2.0, with.paper.cx / 2.0, 3) << n;
    EXPECT_NEAR((box.top + box.bottom) / 2.0, with.paper.cy / 2.0, 3) << n;
    EXPECT_GT(box.right - box.left, 2 * (box.bottom - box.top));
    EXPECT_GT(box.left, 0);
    EXPECT_LT(box.right, a.width);
    // The frame: its left edge is inked over the middle of its height.
    const LONG midY = (box.top + box.bottom) / 2;
    bool edge = false;
    for (LONG x = box.left; x < box.left + 40 && !edge; ++x) edge = a.Ink(x, midY);
    EXPECT_TRUE(edge) << n;
    // The label (user name and date at 0x101): ink at the top-left corner.
    size_t labelInk = 0;
    const RECTL corner = ExtraInk(a, b, RECTL{0, 0, a.width / 2, a.height / 8}, &labelInk);
    EXPECT_GT(labelInk, 100u) << n;
    EXPECT_LT(corner.left, 20) << n;
    EXPECT_LT(corner.top, 40) << n;
  }
}

// With the stamp per sheet on two pages per sheet and labels on, a one-page
// document's sheet is completed at the document end: one more page is
// opened for the stamp and the labels, each in its brackets, and the job
// prints as one sheet.
TEST_F(SumbrelStampTest, SheetEndOpensOneExtraPage) {
  std::vector<uint8_t> dm = StampDevMode();
  SetNumber(dm, 456, 1);
  SetNumber(dm, 295, 2);
  SetNumber(dm, 464, 1);
  SetNumber(dm, 468, 1);
  SetNumber(dm, 351, 0x101);
  SetNumber(dm, 355, 0x303);
  const JobRun run = Print("unit dot\npage\nrect 100 100 300 300\n", dm, "sheet.prn");
  // From the document end to the end of the page it opened.
  std::vector<std::string> seen;
  bool atEnd = false;
  for (const std::string& l : run.trace) {
    if (l == "DrvDocumentEvent ENDDOC") atEnd = true;
    if (!atEnd) continue;
    if (l == "DrvDocumentEvent ENDPAGE" || l == "DrvStartBanding") break;
    if (l.rfind("DrvEscape", 0) == 0 || l.rfind("DrvDocumentEvent", 0) == 0 || l == "DrvStartPage") seen.push_back(l);
  }
  const auto start = std::find(seen.begin(), seen.end(), "DrvStartPage");
  ASSERT_NE(start, seen.end());
  const std::vector<std::string> head(seen.begin(), seen.begin() + 4);
  EXPECT_EQ(head, (std::vector<std::string>{"DrvDocumentEvent ENDDOC", "DrvEscape 20481", "DrvEscape 20482",
                                            "DrvDocumentEvent STARTPAGE"}));
  std::vector<std::string> marks(start + 1, seen.end());
  marks.erase(std::remove(marks.begin(), marks.end(), "DrvEscape 20484"), marks.end());
  EXPECT_EQ(marks, (std::vector<std::string>{"DrvEscape 20483", "DrvEscape 20483", "DrvEscape 20486", "DrvEscape 20488",
                                             "DrvEscape 20488"}));
  EXPECT_EQ(std::count(run.trace.begin(), run.trace.end(), "DrvDocumentEvent STARTPAGE"), 2);
  EXPECT_EQ(run.result, pkhost::PlayResult::Printed);
  EXPECT_TRUE(run.failures.empty()) << run.failures.front();
  Page sheet;
  EXPECT_TRUE(PageOf("sheet.prn", 1, &sheet));
  EXPECT_FALSE(std::filesystem::exists(root_ + "/sheet.prn.pages/unit2.tif"));
}

// Tiled stamp copies and labels away from the top left are drawn where the
// first one goes and moved by their mark offsets in every band: the copies
// lie apart over the whole page, the labels at their own positions.
TEST_F(SumbrelStampTest, TiledCopiesAndLabelsLandAtTheirOffsets) {
  const JobRun without = Print(kTwoPages, printer_.devMode, "without.prn");
  ASSERT_EQ(without.result, pkhost::PlayResult::Printed);
  Page plain;
  ASSERT_TRUE(PageOf("without.prn", 1, &plain));
  const LONG w = plain.width, h = plain.height;

  std::vector<uint8_t> tiled = StampDevMode();
  SetNumber(tiled, 302, 0);
  SetNumber(tiled, 456, 1);
  const JobRun stamps = Print(kTwoPages, tiled, "tiled.prn");
  ASSERT_EQ(stamps.result, pkhost::PlayResult::Printed);
  EXPECT_TRUE(stamps.failures.empty()) << stamps.failures.front();
  EXPECT_GT(std::count(stamps.trace.begin(), stamps.trace.end(), "DrvEscape 20484"), 8);
  Page a;
  ASSERT_TRUE(PageOf("tiled.prn", 1, &a));
  // Ink in every cell of a 3 x 3 grid over the page.
  for (LONG gy = 0; gy < 3; ++gy)
    for (LONG gx = 0; gx < 3; ++gx) {
      size_t count = 0;
      ExtraInk(a, plain, RECTL{gx * w / 3, gy * h / 3, (gx + 1) * w / 3, (gy + 1) * h / 3}, &count);
      EXPECT_GT(count, 200u) << "cell " << gx << "," << gy;
    }

  // The time at the bottom right, the date in the middle, nothing at the
  // top left.
  std::vector<uint8_t> labelled = printer_.devMode;
  SetNumber(labelled, 469, 1);
  SetNumber(labelled, 468, 1);
  SetNumber(labelled, 356, 0x303);
  SetNumber(labelled, 355, 0x202);
  const JobRun labels = Print(kTwoPages, labelled, "labels.prn");
  ASSERT_EQ(labels.result, pkhost::PlayResult::Printed);
  EXPECT_TRUE(labels.failures.empty()) << labels.failures.front();
  for (int n = 1; n <= 2; ++n) {
    Page b;
    ASSERT_TRUE(PageOf("labels.prn", n, &b));
    size_t corner = 0, middle = 0, topLeft = 0, all = 0;
    const RECTL c = ExtraInk(b, plain, RECTL{w / 2, h * 7 / 8, w, h}, &corner);
    EXPECT_GT(corner, 100u) << n;
    EXPECT_GT(c.right, w - 40) << n;
    EXPECT_GT(c.bottom, h - 60) << n;
    const RECTL m = ExtraInk(b, plain, RECTL{w / 4, h * 3 / 8, w * 3 / 4, h * 5 / 8}, &middle);
    EXPECT_GT(middle, 100u) << n;
    EXPECT_NEAR((m.left + m.right) / 2.0, w / 2.0, w / 20.0) << n;
    ExtraInk(b, plain, RECTL{0, 0, w / 2, h / 8}, &topLeft);
    EXPECT_EQ(topLeft, 0u) << n;
    ExtraInk(b, plain, RECTL{0, 0, w, h}, &all);
    EXPECT_EQ(all, corner + middle) << n;
  }
}

// A mark ends with its bracket also in the bands: a library that closes its
// label bracket (no output, as the real one does) and draws on has that
// drawing where it says, while the label before it is moved by its offset.
TEST_F(SumbrelStampTest, DrawingAfterAClosedMarkIsNotMoved) {
  std::string host;
  ASSERT_EQ(PkResolveWindowsPath(u"C:\\Driver\\FakeInterface.so", nullptr, &host), 0u);
  std::filesystem::create_directories(std::filesystem::path(host).parent_path());
  std::filesystem::copy_file(BuildOut() + "/FakeInterface.so", host, std::filesystem::copy_options::overwrite_existing);
  const std::u16string fake = u"C:\\Driver\\FakeInterface.dll";
  HMODULE library = LoadLibraryW(fake.c_str());
  ASSERT_NE(library, nullptr);
  const auto marks = reinterpret_cast<void (*)(int)>(GetProcAddress(library, "FakeInterfaceMarks"));
  reinterpret_cast<void (*)(int)>(GetProcAddress(library, "FakeInterfaceReset"))(0);
  const JobRun plain = Print(kTwoPages, printer_.devMode, "plain.prn", fake);
  marks(2);
  const JobRun run = Print(kTwoPages, printer_.devMode, "after.prn", fake);
  marks(0);
  FreeLibrary(library);
  ASSERT_EQ(plain.result, pkhost::PlayResult::Printed);
  ASSERT_EQ(run.result, pkhost::PlayResult::Printed);
  EXPECT_TRUE(run.failures.empty()) << run.failures.front();
  size_t closed = 0;
  for (const std::string& l : run.trace) closed += l == "DrvEscape 20488";
  EXPECT_GT(closed, 6u);  // two at each of the three page ends, and again in the bands
  for (int n = 1; n <= 2; ++n) {
    Page a, b;
    ASSERT_TRUE(PageOf("after.prn", n, &a)) << n;
    ASSERT_TRUE(PageOf("plain.prn", n, &b)) << n;
    size_t after = 0, mark = 0, all = 0;
    const RECTL at = ExtraInk(a, b, RECTL{0, 0, a.width, 200}, &after);
    const RECTL moved = ExtraInk(a, b, RECTL{0, 300, a.width, 500}, &mark);
    ExtraInk(a, b, RECTL{0, 0, a.width, a.height}, &all);
    EXPECT_GT(after, 100u) << n;
    EXPECT_GT(mark, 100u) << n;
    EXPECT_EQ(all, after + mark) << n;
    EXPECT_LT(at.top, 100) << n;
    EXPECT_GE(moved.top, 300) << n;
  }
}

}  // namespace
}  // namespace hosttest
