// The handle table's interface for new kinds of handles: lookups by kind,
// objects with a close call of their own, close results and waits.
#include <gtest/gtest.h>

#include "platform/win/windows.h"
#include "platform/win/win_handle_table.h"
#include "platform/win/win_seams.h"

namespace {

using pk::win::KernelObject;

struct Counting : KernelObject {
  int* closes;
  BOOL result;
  Counting(int* c, BOOL r) : closes(c), result(r) {}
  BOOL OnClose() override {
    ++*closes;
    if (!result) SetLastError(ERROR_WRITE_FAULT);
    return result;
  }
};

// A kind closed by a call of its own, as find handles are.
struct OwnClose : KernelObject {
  bool ClosedByCloseHandle() const override { return false; }
};

}  // namespace

TEST(WinHandleTable, LookupsAreByKind) {
  int closes = 0;
  HANDLE a = pk::win::RegisterHandle(std::make_shared<Counting>(&closes, TRUE));
  HANDLE b = pk::win::RegisterHandle(std::make_shared<OwnClose>());
  ASSERT_NE(a, nullptr);
  EXPECT_NE(a, INVALID_HANDLE_VALUE);
  EXPECT_NE(pk::win::LookupHandle<Counting>(a), nullptr);
  SetLastError(0);
  EXPECT_EQ(pk::win::LookupHandle<OwnClose>(a), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(a, 0), static_cast<DWORD>(WAIT_FAILED));  // not waitable
  EXPECT_FALSE(ReleaseMutex(a));                                          // not a mutex

  // CloseHandle refuses the kind with its own close call, which leaves it open.
  EXPECT_FALSE(CloseHandle(b));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(pk::win::UnregisterHandleOf<Counting>(b), nullptr);
  EXPECT_NE(pk::win::UnregisterHandleOf<OwnClose>(b), nullptr);
  EXPECT_EQ(pk::win::LookupHandleObject(b), nullptr);

  EXPECT_TRUE(CloseHandle(a));
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(CloseHandle(a));
  EXPECT_EQ(closes, 1);
}

TEST(WinHandleTable, FailedCloseStillRemovesTheHandle) {
  int closes = 0;
  SIZE_T before = pk::seams::LiveHandles();
  HANDLE h = pk::win::RegisterHandle(std::make_shared<Counting>(&closes, FALSE));
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_WRITE_FAULT));
  EXPECT_EQ(pk::seams::LiveHandles(), before);
  EXPECT_FALSE(CloseHandle(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(closes, 1);
}
