// Merging an application's DEVMODE into a working DEVMODE: which fields come
// over, validation, dmScale, the resolution, the paper, the private part,
// and sources shorter than the driver's own layout read only within their
// own bytes.
#include "settings/devmode/devmode_merge.h"

#include "sync_fixture.h"

namespace {

using pk::test::GetId;
using pk::test::GetText;
using pk::test::SetId;
using pk::test::SetText;

class Merge : public pk::test::DefaultPrinterTest {
 protected:
  void SetUp() override {
    DefaultPrinterTest::SetUp();
    if (HasFatalFailure()) return;
    target_ = buffers_.devMode;
    source_ = buffers_.devMode;
  }
  int MergeWith(int operation) {
    return MergeDevModeFields(model_, target_.data(), source_.data(), st(), printer_, operation);
  }
  BYTE* src() { return source_.data(); }
  BYTE* tgt() { return target_.data(); }

  std::vector<BYTE> target_;
  std::vector<BYTE> source_;
};

TEST_F(Merge, FieldsComeOverOnlyWhenFlaggedAndValid) {
  SetId(12, tgt(), st(), 4);
  SetId(7, tgt(), st(), DMORIENT_PORTRAIT);
  SetId(12, src(), st(), 7);
  SetId(7, src(), st(), DMORIENT_LANDSCAPE);
  SetId(6, src(), st(), DM_ORIENTATION);  // dmCopies not flagged
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(12, tgt()), 4);
  EXPECT_EQ(GetId(7, tgt()), DMORIENT_LANDSCAPE);
  EXPECT_TRUE(GetId(6, tgt()) & DM_ORIENTATION);

  // dmCopies 0 does not pass validation: left out, and the merge succeeds.
  SetId(12, src(), st(), 0);
  SetId(6, src(), st(), DM_COPIES);
  for (int operation : {2, 16}) {
    EXPECT_EQ(MergeWith(operation), 1);
    EXPECT_EQ(GetId(12, tgt()), 4) << operation;
  }
  SetId(12, src(), st(), 9);
  EXPECT_EQ(MergeWith(16), 1);
  EXPECT_EQ(GetId(12, tgt()), 9);

  // An orientation that is not valid is skipped too.
  SetId(7, src(), st(), 5);
  SetId(6, src(), st(), DM_ORIENTATION);
  EXPECT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(7, tgt()), DMORIENT_LANDSCAPE);
}

TEST_F(Merge, ScaleIsTakenAsValueUnlessThePrinterAllowsIt) {
  SetId(11, tgt(), st(), 100);
  SetId(11, src(), st(), 50);
  SetId(6, src(), st(), DM_SCALE);
  SetId(6, tgt(), st(), DM_SCALE | DM_COPIES);
  SetId(1056, dm(), st(), 0);
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(11, tgt()), 50);
  EXPECT_FALSE(GetId(6, tgt()) & DM_SCALE);
  EXPECT_TRUE(GetId(6, tgt()) & DM_COPIES);

  SetId(11, src(), st(), 100);
  SetId(1056, dm(), st(), 1);
  ASSERT_EQ(MergeWith(16), 1);
  EXPECT_EQ(GetId(11, tgt()), 100);
  EXPECT_TRUE(GetId(6, tgt()) & DM_SCALE);
}

TEST_F(Merge, ResolutionByOperation) {
  SetId(6, src(), st(), DM_PRINTQUALITY | DM_YRESOLUTION);
  SetId(6, tgt(), st(), 0);
  SetId(20, src(), st(), 300);
  SetId(21, src(), st(), 200);
  SetId(20, tgt(), st(), 600);
  SetId(21, tgt(), st(), 600);
  ASSERT_EQ(MergeWith(16), 1);
  EXPECT_EQ(GetId(20, tgt()), 300);
  EXPECT_EQ(GetId(21, tgt()), 300);
  EXPECT_EQ(GetId(6, tgt()) & (DM_PRINTQUALITY | DM_YRESOLUTION), DM_PRINTQUALITY | DM_YRESOLUTION);

  // As a stored value only a resolution the model lists comes over.
  SetId(20, tgt(), st(), 600);
  SetId(21, tgt(), st(), 600);
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(20, tgt()), 600);
  EXPECT_EQ(GetId(21, tgt()), 600);
  SetId(20, src(), st(), 400);
  SetId(21, src(), st(), 400);
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(20, tgt()), 400);
  EXPECT_EQ(GetId(21, tgt()), 400);

  EXPECT_EQ(MergeResolution(model_, tgt(), src(), st(), 4), 0);
  SetId(20, src(), st(), 0);
  EXPECT_EQ(MergeResolution(model_, tgt(), src(), st(), 16), 1);
  EXPECT_EQ(GetId(20, tgt()), 400);
}

TEST_F(Merge, PrivatePartOnlyFromThisDriversOwnDevMode) {
  SetId(295, src(), st(), 4);
  SetId(295, tgt(), st(), 1);
  SetId(6, src(), st(), 0);
  SetId(3, src(), st(), 0x3203);
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(295, tgt()), 1);

  SetId(3, src(), st(), kDriverVersion);
  SetText(259, src(), st(), u"Another model");
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(295, tgt()), 1);

  source_ = buffers_.devMode;
  SetId(295, src(), st(), 4);
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(295, tgt()), 4);
}

TEST_F(Merge, PaperComesFromTheMatchingSpoolerForm) {
  SetId(8, src(), st(), DMPAPER_LETTER);
  SetId(6, src(), st(), DM_PAPERSIZE);
  SetId(6, tgt(), st(), DM_ORIENTATION);
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(8, tgt()), DMPAPER_LETTER);
  EXPECT_EQ(GetText(19, tgt()), u"Letter");
  EXPECT_EQ(GetId(10, tgt()), 2159);
  EXPECT_EQ(GetId(9, tgt()), 2794);
  EXPECT_EQ(static_cast<DWORD>(GetId(6, tgt())) & 0x1000F,
            static_cast<DWORD>(DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH));

  // A custom size of the source is not merged.
  target_ = buffers_.devMode;
  SetId(8, src(), st(), DMPAPER_USER);
  SetId(9, src(), st(), 1000);
  SetId(10, src(), st(), 800);
  SetId(6, src(), st(), DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH);
  ASSERT_EQ(MergeWith(2), 1);
  EXPECT_EQ(GetId(8, tgt()), 9);
  EXPECT_EQ(GetText(19, tgt()), u"A4");
}

TEST_F(Merge, NothingToMergeAndMissingArguments) {
  EXPECT_EQ(MergeDevModeFields(model_, tgt(), nullptr, st(), printer_, 2), 1);
  EXPECT_EQ(MergeDevModeFields(model_, nullptr, src(), st(), printer_, 2), 0);
  EXPECT_EQ(MergeDevModeFields(model_, tgt(), src(), nullptr, printer_, 2), 0);
}

// A legal application DEVMODE of 124 bytes without a private part, in a
// block of exactly that size: fields up to dmCollate, no dmFormName.
TEST_F(Merge, ShortApplicationDevModeIsReadOnlyWithinItsSize) {
  std::vector<BYTE> small(124);
  DEVMODEW head{};
  head.dmSpecVersion = DM_SPECVERSION;
  head.dmDriverVersion = 0x100;
  head.dmSize = 124;
  head.dmDriverExtra = 0;
  head.dmFields = DM_ORIENTATION | DM_COPIES;
  head.dmOrientation = DMORIENT_LANDSCAPE;
  head.dmCopies = 3;
  std::memcpy(small.data(), &head, small.size());
  SetId(12, tgt(), st(), 1);
  SetId(7, tgt(), st(), DMORIENT_PORTRAIT);
  auto target = target_;
  ASSERT_EQ(MergeDevModeFields(model_, tgt(), small.data(), st(), printer_, 2), 1);
  EXPECT_EQ(GetId(7, tgt()), DMORIENT_LANDSCAPE);
  EXPECT_EQ(GetId(12, tgt()), 3);
  // The private part of the target is untouched.
  EXPECT_TRUE(std::equal(target.begin() + 220, target.end(), target_.begin() + 220));

  // A form name bit of a source too short for the form name is ignored.
  head.dmFields = DM_FORMNAME | DM_PAPERSIZE;
  head.dmPaperSize = DMPAPER_LETTER;
  std::memcpy(small.data(), &head, small.size());
  ASSERT_EQ(MergeDevModeFields(model_, tgt(), small.data(), st(), printer_, 2), 1);
  EXPECT_EQ(GetId(8, tgt()), DMPAPER_LETTER);
}

TEST_F(Merge, UnterminatedFormNameStillMerges) {
  std::vector<BYTE> app(kPublicDevModeSize);
  DEVMODEW head{};
  head.dmSpecVersion = DM_SPECVERSION;
  head.dmSize = kPublicDevModeSize;
  head.dmFields = DM_FORMNAME | DM_COPIES;
  head.dmCopies = 2;
  for (int i = 0; i < CCHFORMNAME; ++i) head.dmFormName[i] = u'X';
  for (int i = 0; i < CCHDEVICENAME; ++i) head.dmDeviceName[i] = u'Y';
  std::memcpy(app.data(), &head, app.size());
  ASSERT_EQ(MergeDevModeFields(model_, tgt(), app.data(), st(), printer_, 2), 1);
  EXPECT_EQ(GetId(12, tgt()), 2);
  // No spooler form has the cut name: the paper stays.
  EXPECT_EQ(GetText(19, tgt()), u"A4");
}

}  // namespace
