// Printer data: typed values read back as written, size answers, plain values
// apart from those of named keys, and the write checks.
#include <numeric>

#include "tests/platform/spooler/spooler_test_support.h"

namespace {

class SpoolerPrinterData : public pk::test::SpoolerTest {};

std::vector<BYTE> Pattern(size_t n, BYTE seed) {
  std::vector<BYTE> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<BYTE>(seed + i * 7);
  return v;
}

TEST_F(SpoolerPrinterData, AbsentAndShortBuffersAnswerCodes) {
  HANDLE h = Open();
  DWORD type = 0, needed = 0;
  BYTE small[8] = {0};
  EXPECT_EQ(GetPrinterDataW(h, u"PRNID", &type, small, sizeof small, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  std::vector<BYTE> id = Pattern(16, 3);
  ASSERT_EQ(SetPrinterDataW(h, u"PRNID", REG_BINARY, id.data(), 16), 0u);
  EXPECT_EQ(GetPrinterDataW(h, u"PRNID", &type, small, sizeof small, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 16u);
  EXPECT_EQ(std::accumulate(small, small + 8, 0), 0);  // nothing written
  needed = 0;
  EXPECT_EQ(GetPrinterDataW(h, u"PRNID", nullptr, nullptr, 0, &needed), static_cast<DWORD>(ERROR_MORE_DATA));
  EXPECT_EQ(needed, 16u);
  BYTE full[16];
  EXPECT_EQ(GetPrinterDataW(h, u"prnid", &type, full, sizeof full, &needed), 0u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(std::vector<BYTE>(full, full + 16), id);
  EXPECT_EQ(GetPrinterDataW(nullptr, u"PRNID", &type, full, sizeof full, &needed),
            static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(SpoolerPrinterData, ChunkedSettingsReadBackIdenticallyInCreationOrder) {
  HANDLE h = Open();
  DWORD total = 2840;
  ASSERT_EQ(SetPrinterDataW(h, u"PrinterDataSize", REG_DWORD, reinterpret_cast<BYTE*>(&total), 4), 0u);
  const DWORD sizes[] = {768, 768, 768, 536};
  std::vector<std::vector<BYTE>> chunks;
  for (int i = 0; i < 4; ++i) {
    chunks.push_back(Pattern(sizes[i], static_cast<BYTE>(i * 31)));
    std::u16string name = u"PrinterData" + std::u16string(1, static_cast<char16_t>(u'1' + i));
    ASSERT_EQ(SetPrinterDataW(h, name.c_str(), REG_BINARY, chunks[i].data(), sizes[i]), 0u);
  }
  DWORD type = 0, needed = 0, value = 0;
  ASSERT_EQ(GetPrinterDataW(h, u"PrinterDataSize", &type, reinterpret_cast<BYTE*>(&value), 4, &needed), 0u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(value, 2840u);
  // Another handle, as another library would open it, reads the same bytes.
  HANDLE other = Open();
  for (int i = 0; i < 4; ++i) {
    std::vector<BYTE> back(768, 0);
    std::u16string name = u"PrinterData" + std::u16string(1, static_cast<char16_t>(u'1' + i));
    ASSERT_EQ(GetPrinterDataW(other, name.c_str(), &type, back.data(), 768, &needed), 0u);
    EXPECT_EQ(needed, sizes[i]);
    back.resize(needed);
    EXPECT_EQ(back, chunks[i]) << i;
  }
  // Rewriting a value changes it in place: the order stays that of creation.
  std::vector<BYTE> shorter = Pattern(10, 99);
  ASSERT_EQ(SetPrinterDataW(h, u"PrinterData2", REG_BINARY, shorter.data(), 10), 0u);
  std::vector<pk::spooler::PrinterDataRecord> values;
  ASSERT_TRUE(pk::spooler::ListPrinterData(PK_DEFAULT_PRINTER_NAME, &values));
  ASSERT_EQ(values.size(), 5u);
  EXPECT_EQ(values[0].name, u"PrinterDataSize");
  EXPECT_EQ(values[2].name, u"PrinterData2");
  EXPECT_EQ(values[2].data, shorter);
  EXPECT_EQ(values[4].name, u"PrinterData4");
}

TEST_F(SpoolerPrinterData, NamedKeysAreKeptApartFromPlainValues) {
  HANDLE h = Open();
  BYTE yes = 1;
  ASSERT_EQ(SetPrinterDataExW(h, u"DsDriver", u"printDuplexSupported", REG_BINARY, &yes, 1), 0u);
  DWORD type = 0, needed = 0;
  BYTE back = 0;
  ASSERT_EQ(GetPrinterDataExW(h, u"DsDriver", u"printDuplexSupported", &type, &back, 1, &needed), 0u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(needed, 1u);
  EXPECT_EQ(back, 1);
  EXPECT_EQ(GetPrinterDataW(h, u"printDuplexSupported", &type, &back, 1, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(GetPrinterDataExW(h, u"OtherKey", u"printDuplexSupported", &type, &back, 1, &needed),
            static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // A plain value of the same name does not touch the keyed one.
  BYTE no = 0;
  ASSERT_EQ(SetPrinterDataW(h, u"printDuplexSupported", REG_BINARY, &no, 1), 0u);
  ASSERT_EQ(GetPrinterDataExW(h, u"DsDriver", u"printDuplexSupported", &type, &back, 1, &needed), 0u);
  EXPECT_EQ(back, 1);
  EXPECT_EQ(SetPrinterDataExW(h, u"", u"x", REG_BINARY, &yes, 1), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  std::vector<pk::spooler::PrinterDataRecord> values;
  ASSERT_TRUE(pk::spooler::ListPrinterData(PK_DEFAULT_PRINTER_NAME, &values));
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].key, u"");
  EXPECT_EQ(values[1].key, u"DsDriver");
}

TEST_F(SpoolerPrinterData, WritesNeedAnAdministratorAndCanBeMadeToFail) {
  HANDLE h = Open();
  DWORD one = 1, type = 0, needed = 0;
  pk::seams::SetUserIsAdministrator(false);
  EXPECT_EQ(SetPrinterDataW(h, u"Permission", REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(SetPrinterDataExW(h, u"DsDriver", u"Permission", REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
            static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(GetPrinterDataW(h, u"Permission", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  pk::seams::SetUserIsAdministrator(true);

  // The third write fails alone; the others are kept.
  pk::seams::FailSetPrinterData(3, ERROR_NOT_ENOUGH_MEMORY);
  DWORD results[4];
  for (DWORD i = 0; i < 4; ++i) {
    std::u16string name = u"V" + std::u16string(1, static_cast<char16_t>(u'0' + i));
    results[i] = SetPrinterDataW(h, name.c_str(), REG_DWORD, reinterpret_cast<BYTE*>(&i), 4);
  }
  EXPECT_EQ(results[0], 0u);
  EXPECT_EQ(results[1], 0u);
  EXPECT_EQ(results[2], static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(results[3], 0u);
  EXPECT_EQ(GetPrinterDataW(h, u"V2", &type, nullptr, 0, &needed), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // From the n-th call on.
  pk::seams::FailSetPrinterData(2, ERROR_ACCESS_DENIED, true);
  EXPECT_EQ(SetPrinterDataW(h, u"W1", REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), 0u);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(SetPrinterDataW(h, u"W2", REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(SpoolerPrinterData, EachPrinterHasItsOwnData) {
  ASSERT_EQ(pk::spooler::AddPrinter(u"Other", u"C:\\x.DDD"), 0u);
  HANDLE a = Open(), b = Open(u"Other");
  DWORD one = 1, two = 2, value = 0, type = 0, needed = 0;
  ASSERT_EQ(SetPrinterDataW(a, u"N", REG_DWORD, reinterpret_cast<BYTE*>(&one), 4), 0u);
  ASSERT_EQ(SetPrinterDataW(b, u"N", REG_DWORD, reinterpret_cast<BYTE*>(&two), 4), 0u);
  ASSERT_EQ(GetPrinterDataW(a, u"N", &type, reinterpret_cast<BYTE*>(&value), 4, &needed), 0u);
  EXPECT_EQ(value, 1u);
  ASSERT_EQ(GetPrinterDataW(b, u"N", &type, reinterpret_cast<BYTE*>(&value), 4, &needed), 0u);
  EXPECT_EQ(value, 2u);
}

}  // namespace
