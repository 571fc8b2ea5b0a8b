// Critical sections, mutex objects, the handle table and the per-thread last
// error.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/win/windows.h"
#include "platform/win/win_seams.h"

namespace {

// Runs `f` on another thread and waits for it.
template <class F>
void OnOtherThread(F f) {
  std::thread t(f);
  t.join();
}

}  // namespace

TEST(WinSync, CriticalSectionEnteredTwiceBlocksUntilLeftTwice) {
  CRITICAL_SECTION cs;
  InitializeCriticalSection(&cs);
  EnterCriticalSection(&cs);
  EnterCriticalSection(&cs);
  std::atomic<bool> entered{false};
  std::thread other([&] {
    EnterCriticalSection(&cs);
    entered = true;
    LeaveCriticalSection(&cs);
  });
  LeaveCriticalSection(&cs);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // give it a chance to get in wrongly
  EXPECT_FALSE(entered);
  LeaveCriticalSection(&cs);
  other.join();
  EXPECT_TRUE(entered);
  DeleteCriticalSection(&cs);
}

// The raster library's singleton lock: created owned, released at once
// unless it already existed; a stale 183 must not keep it owned.
TEST(WinSync, MutexCreatedOwnedThenReleasedIsFree) {
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE m = CreateMutexA(nullptr, TRUE, nullptr);
  ASSERT_NE(m, nullptr);
  EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(ReleaseMutex(m));
  DWORD got = 0;
  OnOtherThread([&] {
    got = WaitForSingleObject(m, 0);
    ReleaseMutex(m);
  });
  EXPECT_EQ(got, static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(CloseHandle(m));
}

TEST(WinSync, MutexOwnershipAndTimeouts) {
  HANDLE m = CreateMutexW(nullptr, FALSE, nullptr);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(WaitForSingleObject(m, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_EQ(WaitForSingleObject(m, 0), static_cast<DWORD>(WAIT_OBJECT_0));  // owner again

  DWORD timedWait = 0, released = 0, releaseError = 0;
  OnOtherThread([&] {
    timedWait = WaitForSingleObject(m, 10);
    released = ReleaseMutex(m);
    releaseError = GetLastError();
  });
  EXPECT_EQ(timedWait, static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(released);
  EXPECT_EQ(releaseError, static_cast<DWORD>(ERROR_NOT_OWNER));

  // A waiter without a limit gets it once the owner has released both waits.
  std::atomic<DWORD> waited{WAIT_FAILED};
  std::thread other([&] {
    waited = WaitForSingleObject(m, INFINITE);
    ReleaseMutex(m);
  });
  EXPECT_TRUE(ReleaseMutex(m));
  EXPECT_TRUE(ReleaseMutex(m));
  other.join();
  EXPECT_EQ(waited.load(), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_FALSE(ReleaseMutex(m));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
  EXPECT_TRUE(CloseHandle(m));

  SetLastError(0);
  EXPECT_EQ(CreateMutexW(nullptr, FALSE, u"Global\\named"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
}

TEST(WinSync, ClosedAndForeignHandlesFail) {
  SIZE_T before = pk::seams::LiveHandles();
  HANDLE a = CreateMutexA(nullptr, FALSE, nullptr);
  EXPECT_EQ(pk::seams::LiveHandles(), before + 1);
  EXPECT_TRUE(CloseHandle(a));
  EXPECT_EQ(pk::seams::LiveHandles(), before);
  HANDLE b = CreateMutexA(nullptr, FALSE, nullptr);
  EXPECT_NE(a, b);  // values are never reused

  int local = 0;
  HGLOBAL g = GlobalAlloc(GMEM_MOVEABLE, 4);
  for (HANDLE bad : {a, static_cast<HANDLE>(&local), static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE, g}) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(WaitForSingleObject(bad, 0), static_cast<DWORD>(WAIT_FAILED));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(ReleaseMutex(bad));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  }
  GlobalFree(g);
  EXPECT_TRUE(CloseHandle(b));
}

TEST(WinSync, LastErrorIsPerThread) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  DWORD seenOther = 99;
  OnOtherThread([&] {
    seenOther = GetLastError();
    SetLastError(ERROR_ACCESS_DENIED);
  });
  EXPECT_EQ(seenOther, static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
