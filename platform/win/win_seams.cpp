// The seam reset registry: each area hands over its reset function at load
// time, and ResetAll runs them all.
#include "platform/win/win_seams.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace {
struct Registry {
  std::mutex mutex;
  std::vector<void (*)()> resets;
};
// Built on first use, so hooks of any translation unit may register during
// static initialisation.
Registry& GetRegistry() {
  static Registry* registry = new Registry;
  return *registry;
}
}  // namespace

namespace pk::seams {

ResetHook::ResetHook(void (*reset)()) : reset_(reset) {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.resets.push_back(reset);
}

ResetHook::~ResetHook() {
  Registry& r = GetRegistry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = std::find(r.resets.begin(), r.resets.end(), reset_);
  if (it != r.resets.end()) r.resets.erase(it);
}

void ResetAll() {
  Registry& r = GetRegistry();
  std::vector<void (*)()> resets;
  {
    std::lock_guard<std::mutex> lock(r.mutex);
    resets = r.resets;
  }
  for (auto* reset : resets) reset();
}

}  // namespace pk::seams
