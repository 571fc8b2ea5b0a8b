// Helpers of the spooler tests: a fresh root with the default printer, and
// the two-call size query of the Get and Enum calls.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/spooler/spooler_admin.h"
#include "platform/spooler/spooler_seams.h"
#include "platform/spooler/winspool.h"
#include "platform/win/windows.h"

namespace pk::test {

// Asks a Get or Enum call for its size with no buffer (which must fail with
// 122), then fetches the block with exactly that many bytes.
template <class Call>
std::vector<BYTE> FetchBlock(Call call) {
  DWORD needed = 0;
  SetLastError(0);
  EXPECT_FALSE(call(nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_GT(needed, 0u);
  std::vector<BYTE> block(needed);
  DWORD again = 0;
  EXPECT_TRUE(call(block.data(), needed, &again));
  EXPECT_EQ(again, needed);
  return block;
}

// True when every byte of [p, p + n) lies in the block.
inline bool InBlock(const std::vector<BYTE>& block, const void* p, size_t n) {
  auto b = static_cast<const BYTE*>(p);
  return p && b >= block.data() && b + n <= block.data() + block.size();
}
inline bool TextInBlock(const std::vector<BYTE>& block, const WCHAR* text) {
  if (!InBlock(block, text, sizeof(WCHAR))) return false;
  size_t n = 0;
  while (InBlock(block, text + n, sizeof(WCHAR)) && text[n]) ++n;
  return InBlock(block, text + n, sizeof(WCHAR));
}

class SpoolerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pk::seams::ResetAll();
    // Printers as the spooler alone makes them, without the driver's set-up.
    pk::seams::SetPrinterEventCalls(false);
    root_ = pk::seams::UseTemporaryMachineRoot();
  }
  void TearDown() override {
    for (HANDLE h : handles_) ClosePrinter(h);
    pk::seams::ResetAll();
  }
  // Opens a printer (the default one by default) for the test.
  HANDLE Open(const WCHAR* name = PK_DEFAULT_PRINTER_NAME, const PRINTER_DEFAULTSW* defaults = nullptr) {
    HANDLE h = nullptr;
    EXPECT_TRUE(OpenPrinterW(name, &h, defaults)) << GetLastError();
    if (h) handles_.push_back(h);
    return h;
  }
  // Closes a handle Open gave (the test checks the answer).
  BOOL Close(HANDLE h) {
    std::erase(handles_, h);
    return ClosePrinter(h);
  }
  std::string root_;

 private:
  std::vector<HANDLE> handles_;
};

}  // namespace pk::test
