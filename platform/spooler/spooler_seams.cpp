// The spooler's seams (see spooler_seams.h) and their side inside the calls.
#include <array>
#include <mutex>

#include "platform/spooler/spooler_internal.h"
#include "platform/win/name_text.h"

namespace pk::spooler {
namespace {

// A fault that strikes the n-th next counted call, once or from then on.
struct Fault {
  unsigned countdown = 0;  // 0: off
  bool always = false;
  bool striking = false;
  DWORD value = 0;
  // True when this call is struck.
  bool hit() {
    if (striking) return true;
    if (countdown == 0) return false;
    if (--countdown != 0) return false;
    striking = always;
    return true;
  }
  void set(unsigned nth, bool every, DWORD v) {
    countdown = nth;
    always = every;
    striking = false;
    value = v;
  }
};

struct Seams {
  std::mutex mutex;
  bool administrator = true;
  std::string openFailName;
  DWORD openFailError = 0;
  Fault setData;
  std::array<Fault, 6> calls;
  Fault shortWrite;
  bool eventCalls = true;
};

Seams& State() {
  static Seams* s = new Seams;
  return *s;
}

void ResetSpoolerSeams() {
  Seams& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.administrator = true;
  s.openFailName.clear();
  s.openFailError = 0;
  s.setData = Fault();
  s.calls.fill(Fault());
  s.shortWrite = Fault();
  s.eventCalls = true;
}
const pk::seams::ResetHook gHook(&ResetSpoolerSeams);

}  // namespace

bool SeamUserIsAdministrator() {
  Seams& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.administrator;
}

DWORD SeamOpenPrinterError(std::u16string_view printer) {
  Seams& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.openFailError && s.openFailName == NameKey(printer) ? s.openFailError : 0;
}

bool SeamPrinterEventCalls() {
  Seams& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.eventCalls;
}

DWORD SeamSetPrinterDataError() {
  Seams& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.setData.hit() ? s.setData.value : 0;
}

DWORD SeamCallError(pk::seams::SpoolCall call) {
  Seams& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  Fault& f = s.calls[static_cast<size_t>(call)];
  return f.hit() ? f.value : 0;
}

DWORD SeamWriteAllowance(DWORD count) {
  Seams& s = State();
  std::lock_guard<std::mutex> lock(s.mutex);
  if (count <= s.shortWrite.value) return count;
  return s.shortWrite.hit() ? s.shortWrite.value : count;
}

}  // namespace pk::spooler

namespace pk::seams {

void SetUserIsAdministrator(bool administrator) {
  auto& s = pk::spooler::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.administrator = administrator;
}

void FailOpenPrinter(const WCHAR* printerName, DWORD error) {
  auto& s = pk::spooler::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.openFailName = printerName ? pk::spooler::NameKey(pk::WideView(printerName)) : std::string();
  s.openFailError = printerName ? error : 0;
}

void FailSetPrinterData(unsigned nth, DWORD error, bool always) {
  auto& s = pk::spooler::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.setData.set(nth, always, error);
}

void FailSpoolCall(SpoolCall call, unsigned nth, bool always, DWORD error) {
  auto& s = pk::spooler::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.calls[static_cast<size_t>(call)].set(nth, always, error);
}

void ShortWritePrinter(unsigned nth, DWORD bytes, bool always) {
  auto& s = pk::spooler::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.shortWrite.set(nth, always, bytes);
}

void SetPrinterEventCalls(bool on) {
  auto& s = pk::spooler::State();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.eventCalls = on;
}

}  // namespace pk::seams
