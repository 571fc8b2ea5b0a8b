// Write faults for tests: for files whose Windows path contains a given text,
// WriteFile fails from its n-th call, or after k more bytes (those k bytes are
// written and reported), once or always.
#include "platform/win/win_write_fault.h"

#include <mutex>

#include "platform/win/name_text.h"
#include "platform/win/win_seams.h"

namespace {

struct Fault {
  bool active = false;
  std::u16string part;  // folded
  unsigned nth = 0;     // fail from this call (1-based); 0: byte mode
  unsigned calls = 0;
  DWORD bytesLeft = 0;  // byte mode: what may still be written
  bool always = false;
};

std::mutex gMutex;
Fault gFault;

void Reset() {
  std::lock_guard<std::mutex> lock(gMutex);
  gFault = Fault();
}
const pk::seams::ResetHook gHook(&Reset);

}  // namespace

namespace pk {

DWORD WriteFaultAllowance(const std::u16string& path, DWORD count, bool* fail) {
  *fail = false;
  std::lock_guard<std::mutex> lock(gMutex);
  Fault& f = gFault;
  if (!f.active || FoldName(path).find(f.part) == std::u16string::npos) return count;
  if (f.nth) {
    if (++f.calls < f.nth) return count;
    *fail = true;
    if (!f.always) f.active = false;
    return 0;
  }
  if (count <= f.bytesLeft) {
    f.bytesLeft -= count;
    return count;
  }
  DWORD allowed = f.bytesLeft;
  f.bytesLeft = 0;
  *fail = true;
  if (!f.always) f.active = false;
  return allowed;
}

}  // namespace pk

namespace pk::seams {

void FailWritesFrom(const WCHAR* pathPart, unsigned nthWrite, bool always) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFault = Fault();
  gFault.active = nthWrite > 0;
  gFault.part = FoldName(WideView(pathPart));
  gFault.nth = nthWrite;
  gFault.always = always;
}

void FailWritesAfter(const WCHAR* pathPart, DWORD bytes, bool always) {
  std::lock_guard<std::mutex> lock(gMutex);
  gFault = Fault();
  gFault.active = true;
  gFault.part = FoldName(WideView(pathPart));
  gFault.bytesLeft = bytes;
  gFault.always = always;
}

void ClearWriteFaults() { Reset(); }

}  // namespace pk::seams
