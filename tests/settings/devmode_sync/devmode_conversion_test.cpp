// Keeping, rebuilding and converting incoming DEVMODEs and printer settings
// blocks, the conversion worker's answers, and the spooler's default
// DEVMODE in the driver's form.
#include "settings/devmode/devmode_conversion.h"

#include "settings/devmode/printer_default_devmode.h"
#include "sync_fixture.h"

namespace {

using pk::test::GetId;
using pk::test::GetText;
using pk::test::SetId;
using pk::test::SetText;

class Conversion : public pk::test::DefaultPrinterTest {
 protected:
  // The worker in mode 1 on the default printer; the destination is checked
  // against `expected` when given.
  int Convert(const void* source, std::vector<BYTE>* out = nullptr) {
    std::vector<BYTE> destination(kDriverDevModeSize, 0xCD);
    LONG size = kDriverDevModeSize;
    int result = ConvertDevModeWorker(kPrinter, source, destination.data(), &size, kConvertDevModeMode);
    EXPECT_EQ(size, static_cast<LONG>(kDriverDevModeSize));
    if (out) *out = destination;
    return result;
  }
  // The worker's defaults: built with the printer's name.
  std::vector<BYTE> Defaults() { return DefaultDriverDevMode(); }
};

TEST_F(Conversion, OwnDevModeIsCopiedByteForByte) {
  std::vector<BYTE> source = DefaultDriverDevMode();
  SetText(259, source.data(), nullptr, u"ORVALIS c3600 COLOUR");  // letter case does not count
  SetId(12, source.data(), nullptr, 17);
  source[2625] = 0x5A;  // bytes without an id come along too
  std::vector<BYTE> out;
  EXPECT_EQ(Convert(source.data(), &out), kWorkerCopied);
  EXPECT_EQ(out, source);
}

TEST_F(Conversion, UnknownOrNewerDevModesGetTheDefaults) {
  struct Row {
    const char* what;
    SettingId id;  // 0: change nothing by id
    int value;
  } rows[] = {
      {"newer driver version", 3, kDriverVersion + 1},
      {"same driver, other private format", 257, 0x6931},
      {"other dmSize", 4, 2628},
      {"other dmSpecVersion", 2, 0x400},
  };
  for (const Row& row : rows) {
    std::vector<BYTE> source = DefaultDriverDevMode();
    SetId(12, source.data(), nullptr, 17);
    SetId(row.id, source.data(), nullptr, row.value);
    std::vector<BYTE> out;
    EXPECT_EQ(Convert(source.data(), &out), kWorkerDefaults) << row.what;
    EXPECT_EQ(out, Defaults()) << row.what;
  }

  std::vector<BYTE> other = DefaultDriverDevMode();
  SetText(259, other.data(), nullptr, u"Orvalis C3600 Mono");
  EXPECT_EQ(Convert(other.data()), kWorkerDefaults);
}

TEST_F(Conversion, ShortPrivatePartsAreNotClassified) {
  // dmDriverExtra 68: too short to hold the identity; the block holds exactly its bytes.
  std::vector<BYTE> source(kPublicDevModeSize + 68);
  std::memcpy(source.data(), DefaultDriverDevMode().data(), source.size());
  SetId(5, source.data(), nullptr, 68);
  std::vector<BYTE> out;
  EXPECT_EQ(Convert(source.data(), &out), kWorkerDefaults);
  EXPECT_EQ(out, Defaults());
}

TEST_F(Conversion, OlderDevModeWithLongerPrivatePartDoesNotFit) {
  std::vector<BYTE> source(kPublicDevModeSize + 2500);
  std::memcpy(source.data(), DefaultDriverDevMode().data(), kDriverDevModeSize);
  SetId(3, source.data(), nullptr, 0x3200);
  SetId(5, source.data(), nullptr, 2500);
  SetId(257, source.data(), nullptr, 0x4005);
  std::vector<BYTE> out;
  EXPECT_EQ(Convert(source.data(), &out), kWorkerDefaults);
  EXPECT_EQ(out, Defaults());
}

// An older DEVMODE of the model: a lower driver version and an older private format.
std::vector<BYTE> OlderDevMode(std::vector<BYTE> source, WORD format) {
  SetId(3, source.data(), nullptr, 0x3100);
  SetId(257, source.data(), nullptr, format);
  SetId(258, source.data(), nullptr, 0x3100);
  return source;
}

TEST_F(Conversion, Format0x3001RoundsSizesAndSetsTheBinValue) {
  std::vector<BYTE> source = OlderDevMode(DefaultDriverDevMode(), 0x3001);
  SetId(271, source.data(), nullptr, 1);
  SetId(268, source.data(), nullptr, 1235);
  SetId(269, source.data(), nullptr, 65533);  // rounds to the last multiple of 10 in range
  SetId(324, source.data(), nullptr, 15);
  SetId(291, source.data(), nullptr, 3);
  SetId(390, source.data(), nullptr, 5);
  SetId(12, source.data(), nullptr, 17);
  SetId(450, source.data(), nullptr, 1);
  SetId(470, source.data(), nullptr, 1);
  std::vector<BYTE> out;
  ASSERT_EQ(Convert(source.data(), &out), kWorkerConverted);
  EXPECT_EQ(GetId(268, out.data()), 1240);
  EXPECT_EQ(GetId(269, out.data()), 65530);
  EXPECT_EQ(GetId(324, out.data()), 20);
  EXPECT_EQ(GetId(348, out.data()), 150);
  EXPECT_EQ(GetId(291, out.data()), 0);
  EXPECT_EQ(GetId(390, out.data()), 0);
  EXPECT_EQ(GetId(18, out.data()), 1);  // dmCollate follows flag 450
  EXPECT_EQ(GetId(470, out.data()), 0);
  EXPECT_EQ(GetId(12, out.data()), 17);
  // The destination carries the current identity.
  EXPECT_EQ(GetId(3, out.data()), kDriverVersion);
  EXPECT_EQ(GetId(257, out.data()), kSettingsFormatVersion);
  EXPECT_EQ(GetId(258, out.data()), kDriverVersion);

  SetId(271, source.data(), nullptr, 8);
  ASSERT_EQ(Convert(source.data(), &out), kWorkerConverted);
  EXPECT_EQ(GetId(348, out.data()), 200);
}

TEST_F(Conversion, FailedStepLeavesTheDefaults) {
  std::vector<BYTE> source = OlderDevMode(DefaultDriverDevMode(), 0x3002);
  SetId(271, source.data(), nullptr, 2);
  SetId(12, source.data(), nullptr, 17);
  std::vector<BYTE> out;
  EXPECT_EQ(Convert(source.data(), &out), kWorkerDefaults);
  EXPECT_EQ(out, Defaults());
}

TEST_F(Conversion, Format0x4001ConvertsTheFormSourceAndCollate) {
  std::vector<BYTE> source = OlderDevMode(DefaultDriverDevMode(), 0x4001);
  SetId(13, source.data(), nullptr, 263);
  SetId(450, source.data(), nullptr, 0);
  SetId(18, source.data(), nullptr, 1);
  SetId(270, source.data(), nullptr, 3);
  SetId(457, source.data(), nullptr, 1);
  std::vector<BYTE> out;
  ASSERT_EQ(Convert(source.data(), &out), kWorkerConverted);
  EXPECT_EQ(GetId(13, out.data()), DMBIN_FORMSOURCE);
  EXPECT_EQ(GetId(18, out.data()), 0);
  EXPECT_EQ(GetId(270, out.data()), 0);
  EXPECT_EQ(GetId(457, out.data()), 0);
}

TEST_F(Conversion, EarliestFormatsMapTheirLayoutCodes) {
  struct Row {
    int code264;
    int pages;
  } rows[] = {{0, 1}, {1, 2}, {2, 2}, {3, 4}, {6, 4}, {7, 1}, {200, 1}};
  for (const Row& row : rows) {
    std::vector<BYTE> source = OlderDevMode(DefaultDriverDevMode(), 0x100);
    SetId(264, source.data(), nullptr, row.code264);
    SetId(270, source.data(), nullptr, 2);
    SetId(271, source.data(), nullptr, 1);
    std::vector<BYTE> out;
    ASSERT_EQ(Convert(source.data(), &out), kWorkerConverted) << row.code264;
    EXPECT_EQ(GetId(295, out.data()), row.pages) << row.code264;
    EXPECT_EQ(GetId(270, out.data()), 0);
  }

  std::vector<BYTE> source = OlderDevMode(DefaultDriverDevMode(), 0x2000);
  SetId(296, source.data(), nullptr, 0);
  SetId(271, source.data(), nullptr, 8);
  SetId(267, source.data(), nullptr, 5);
  std::vector<BYTE> out;
  ASSERT_EQ(Convert(source.data(), &out), kWorkerConverted);
  EXPECT_EQ(GetId(296, out.data()), 514);
  EXPECT_EQ(GetId(321, out.data()), 0);
  EXPECT_EQ(GetId(325, out.data()), 1);  // the dependent setting of 267 follows
}

TEST_F(Conversion, WorkerArgumentsAndModes) {
  std::vector<BYTE> source = DefaultDriverDevMode();
  std::vector<BYTE> destination(kDriverDevModeSize);
  LONG size = 100;
  SetLastError(0);
  EXPECT_EQ(ConvertDevModeWorker(kPrinter, source.data(), destination.data(), &size, kConvertDevModeMode),
            kWorkerTooSmall);
  EXPECT_EQ(size, static_cast<LONG>(kDriverDevModeSize));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));

  size = kDriverDevModeSize;
  EXPECT_EQ(ConvertDevModeWorker(kPrinter, source.data(), destination.data(), &size, kConvertDevMode351Mode),
            kWorkerFailed);
  SetLastError(0);
  EXPECT_EQ(ConvertDevModeWorker(kPrinter, source.data(), destination.data(), nullptr, kConvertDevModeMode),
            kWorkerFailed);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(ConvertDevModeWorker(kPrinter, nullptr, destination.data(), &size, kConvertDevModeMode), kWorkerFailed);
  EXPECT_EQ(ConvertDevModeWorker(u"No such printer", source.data(), destination.data(), &size, kConvertDevModeMode),
            kWorkerFailed);

  // The driver's defaults, whatever the destination held.
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  std::fill(destination.begin(), destination.end(), 0xEE);
  size = 5000;
  EXPECT_EQ(ConvertDevModeWorker(kPrinter, nullptr, destination.data(), &size, kDriverDefaultDevModeMode),
            kWorkerDefaults);
  EXPECT_EQ(size, static_cast<LONG>(kDriverDevModeSize));
  EXPECT_EQ(destination, Defaults());
  EXPECT_EQ(GetText(1, destination.data()), kPrinter);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  size = 2000;
  EXPECT_EQ(ConvertDevModeWorker(kPrinter, nullptr, destination.data(), &size, kDriverDefaultDevModeMode),
            kWorkerTooSmall);
}

TEST_F(Conversion, WithoutMemoryForTheDefaultsNothingIsHalfDone) {
  std::vector<BYTE> source = OlderDevMode(DefaultDriverDevMode(), 0x3001);
  SetId(271, source.data(), nullptr, 1);
  std::vector<BYTE> destination(kDriverDevModeSize, 0xCD);
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  pk::seams::FailAllocationsFrom(kWorkingDevModeSize);
  EXPECT_EQ(ConvertIncomingDevMode(source.data(), destination.data(), kPrinter, model_), kConversionFailed);
  pk::seams::FailAllocationsFrom(0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  EXPECT_TRUE(std::all_of(destination.begin(), destination.end(), [](BYTE b) { return b == 0xCD; }));
  EXPECT_EQ(ConvertIncomingDevMode(source.data(), destination.data(), kPrinter, model_), kConvertedFields);
}

// A DEVMODE with the model's identity but a private part of 100 bytes, in a
// block of exactly its 320 bytes: never copied as if it had 2408.
TEST_F(Conversion, IdentityWithShortPrivatePartIsNotCopied) {
  std::vector<BYTE> source(kPublicDevModeSize + 100);
  std::memcpy(source.data(), DefaultDriverDevMode().data(), source.size());
  SetId(5, source.data(), nullptr, 100);
  std::vector<BYTE> out;
  EXPECT_EQ(Convert(source.data(), &out), kWorkerDefaults);
  EXPECT_EQ(out, Defaults());
}

class SettingsBlockConversion : public pk::test::DefaultPrinterTest {
 protected:
  int Convert(const std::vector<BYTE>& source, std::vector<BYTE>* out) {
    out->assign(kPrinterSettingsBlockSize, 0xCD);
    return ConvertIncomingSettingsBlock(source.data(), out->data(), model_);
  }
  std::vector<BYTE> DefaultBlock() {
    std::vector<BYTE> block(kPrinterSettingsBlockSize);
    EXPECT_EQ(BuildDefaultSettings(model_, nullptr, block.data(), u"DummyName"), 1);
    return block;
  }
};

TEST_F(SettingsBlockConversion, KeptRebuiltOrConverted) {
  std::vector<BYTE> source = buffers_.settings;
  SetId(1053, nullptr, source.data(), 7);
  std::vector<BYTE> out;
  EXPECT_EQ(Convert(source, &out), kCopiedUnchanged);
  EXPECT_EQ(out, source);

  // Another feature class is rebuilt even with matching versions.
  SetId(1041, nullptr, source.data(), 0x20);
  EXPECT_EQ(Convert(source, &out), kReplacedByDefaults);
  EXPECT_EQ(out, DefaultBlock());

  struct Row {
    const char* what;
    SettingId id;
    int value;
  } rows[] = {
      {"newer driver", 1298, kDriverVersion + 1},
      {"other format", 1307, 0x6931},
  };
  for (const Row& row : rows) {
    source = buffers_.settings;
    SetId(row.id, nullptr, source.data(), row.value);
    EXPECT_EQ(Convert(source, &out), kReplacedByDefaults) << row.what;
    EXPECT_EQ(out, DefaultBlock()) << row.what;
  }

  // An older block: its bytes with the current identity, and the feature level of its class.
  source = buffers_.settings;
  SetId(1298, nullptr, source.data(), 0x3100);
  SetId(1307, nullptr, source.data(), 0x3000);
  SetId(1053, nullptr, source.data(), 7);
  SetId(1308, nullptr, source.data(), 0);
  SetId(1309, nullptr, source.data(), 99);
  EXPECT_EQ(Convert(source, &out), kConvertedFields);
  EXPECT_EQ(GetId(1298, nullptr, out.data()), kDriverVersion);
  EXPECT_EQ(GetId(1307, nullptr, out.data()), kSettingsFormatVersion);
  EXPECT_EQ(GetId(1297, nullptr, out.data()), static_cast<int64_t>(kPrinterSettingsBlockSize));
  EXPECT_EQ(GetId(1053, nullptr, out.data()), 7);
  EXPECT_EQ(GetId(1308, nullptr, out.data()), 0x01010501);
  EXPECT_EQ(GetId(1309, nullptr, out.data()), GetId(1309, nullptr, DefaultBlock().data()));

  // An older, shorter block keeps only its own bytes; the rest are the defaults.
  SetId(1297, nullptr, source.data(), 1600);
  EXPECT_EQ(Convert(source, &out), kConvertedFields);
  EXPECT_EQ(GetId(1053, nullptr, out.data()), 7);
  std::vector<BYTE> defaults = DefaultBlock();
  EXPECT_TRUE(std::equal(out.begin() + 1600, out.begin() + 2588, defaults.begin() + 1600));

  // One that says it is longer than the current layout does not fit.
  SetId(1297, nullptr, source.data(), 3000);
  EXPECT_EQ(Convert(source, &out), kReplacedByDefaults);
  EXPECT_EQ(out, DefaultBlock());

  // Without memory for the conversion's defaults block the fallback builds
  // the defaults straight into the destination.
  SetId(1297, nullptr, source.data(), kPrinterSettingsBlockSize);
  pk::seams::FailAllocationsFrom(kPrinterSettingsBlockSize);
  EXPECT_EQ(Convert(source, &out), kReplacedByDefaults);
  pk::seams::FailAllocationsFrom(0);
  EXPECT_EQ(out, DefaultBlock());

  EXPECT_EQ(ConvertIncomingSettingsBlock(nullptr, out.data(), model_), kConversionFailed);
  EXPECT_EQ(ConvertIncomingSettingsBlock(source.data(), out.data(), nullptr), kConversionFailed);
}

class PrinterDefault : public pk::test::DefaultPrinterTest {};

TEST_F(PrinterDefault, OwnDevModeIsCopiedWithTheCallersLength) {
  std::vector<BYTE> spooled = DefaultDriverDevMode();
  SetId(12, spooled.data(), nullptr, 5);
  pk::test::SetSpoolerDevMode(kPrinter, spooled);
  std::vector<BYTE> destination(kWorkingDevModeSize, 0xCD);
  LONG length = kWorkingDevModeSize;
  int converted = 0;
  PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer_, model_, destination.data(), &length, &converted);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(converted, 1);
  EXPECT_EQ(reinterpret_cast<BYTE*>(info->pDevMode), destination.data());
  EXPECT_EQ(std::u16string(info->pPrinterName), kPrinter);
  EXPECT_TRUE(std::equal(spooled.begin(), spooled.end(), destination.begin()));
  // Beyond the spooler's DEVMODE the caller's length is zeroed.
  EXPECT_TRUE(std::all_of(destination.begin() + kDriverDevModeSize, destination.end(), [](BYTE b) { return b == 0; }));
  GlobalFree(info);

  // A shorter length: only that many bytes are written.
  std::vector<BYTE> small(1000, 0xCD);
  length = static_cast<LONG>(small.size());
  converted = 0;
  info = GetPrinterDefaultDevMode(printer_, model_, small.data(), &length, &converted);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(converted, 1);
  EXPECT_TRUE(std::equal(small.begin(), small.end(), spooled.begin()));
  GlobalFree(info);
}

TEST_F(PrinterDefault, OtherDevModesAreConverted) {
  // The spooler's own DEVMODE of a fresh printer: public fields only.
  std::vector<BYTE> destination(kDriverDevModeSize, 0xCD);
  LONG length = kDriverDevModeSize;
  int converted = 0;
  PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer_, model_, destination.data(), &length, &converted);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(converted, 1);
  EXPECT_EQ(destination, DefaultDriverDevMode());
  GlobalFree(info);

  // The model's identity with a private part of 100 bytes, exactly its size.
  std::vector<BYTE> shortPrivate(kPublicDevModeSize + 100);
  std::memcpy(shortPrivate.data(), DefaultDriverDevMode().data(), shortPrivate.size());
  SetId(5, shortPrivate.data(), nullptr, 100);
  SetId(12, shortPrivate.data(), nullptr, 9);
  pk::test::SetSpoolerDevMode(kPrinter, shortPrivate);
  std::fill(destination.begin(), destination.end(), 0xCD);
  converted = 0;
  info = GetPrinterDefaultDevMode(printer_, model_, destination.data(), &length, &converted);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(converted, 1);
  EXPECT_EQ(destination, DefaultDriverDevMode());
  GlobalFree(info);

  // A conversion needs a destination of the driver's size.
  length = 1000;
  converted = 0;
  EXPECT_EQ(GetPrinterDefaultDevMode(printer_, model_, destination.data(), &length, &converted), nullptr);
  EXPECT_EQ(converted, 0);
}

// A stored DEVMODE whose sizes do not describe its bytes is not handed out:
// the printer has no default DEVMODE rather than one read past its end.
TEST_F(PrinterDefault, StoredDevModeThatIsNotWholeIsNone) {
  std::vector<BYTE> whole = DefaultDriverDevMode();
  auto claim = [](std::vector<BYTE> dm, WORD size, WORD extra) {
    std::memcpy(dm.data() + offsetof(DEVMODEW, dmSize), &size, 2);
    std::memcpy(dm.data() + offsetof(DEVMODEW, dmDriverExtra), &extra, 2);
    return dm;
  };
  std::vector<BYTE> cut(whole.begin(), whole.begin() + kPublicDevModeSize + 100);
  std::vector<BYTE> longer = whole;
  longer.resize(whole.size() + 16);
  const std::vector<BYTE> cases[] = {
      cut,                                                     // claims 2408 private bytes, holds 100
      longer,                                                  // more bytes than it claims
      claim(whole, 0xFFFF, 0xFFFF),                            // sizes past every block
      claim(whole, 40, static_cast<WORD>(whole.size() - 40)),  // public part shorter than its head
      std::vector<BYTE>(whole.begin(), whole.begin() + 70),    // not even its sizes
  };
  for (const std::vector<BYTE>& stored : cases) {
    pk::test::SetSpoolerDevMode(kPrinter, stored);
    std::vector<BYTE> destination(kDriverDevModeSize, 0xCD);
    LONG length = kDriverDevModeSize;
    int converted = 7;
    EXPECT_EQ(GetPrinterDefaultDevMode(printer_, model_, destination.data(), &length, &converted), nullptr)
        << stored.size();
    EXPECT_EQ(converted, 0);
  }
  // The same bytes with sizes that describe them are the printer's again.
  pk::test::SetSpoolerDevMode(kPrinter, claim(cut, kPublicDevModeSize, 100));
  std::vector<BYTE> destination(kDriverDevModeSize, 0xCD);
  LONG length = kDriverDevModeSize;
  int converted = 0;
  PRINTER_INFO_2W* info = GetPrinterDefaultDevMode(printer_, model_, destination.data(), &length, &converted);
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(converted, 1);
  GlobalFree(info);
}

TEST_F(PrinterDefault, NoDefaultDevModeGivesNothingAndLeavesNothing) {
  pk::test::SetSpoolerDevMode(kPrinter, {});
  std::vector<BYTE> destination(kDriverDevModeSize);
  LONG length = kDriverDevModeSize;
  int converted = 7;
  SIZE_T before = pk::seams::GlobalLiveBlocks();
  EXPECT_EQ(GetPrinterDefaultDevMode(printer_, model_, destination.data(), &length, &converted), nullptr);
  EXPECT_EQ(converted, 0);
  EXPECT_EQ(pk::seams::GlobalLiveBlocks(), before);
  EXPECT_EQ(GetPrinterDefaultDevMode(printer_, model_, nullptr, &length, &converted), nullptr);
  EXPECT_EQ(GetPrinterDefaultDevMode(printer_, nullptr, destination.data(), &length, &converted), nullptr);
}

}  // namespace
