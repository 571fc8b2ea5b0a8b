// Machine root selection and its once-per-root set-up steps (see machine_root.h).
#include "platform/win/machine_root.h"

#include "platform/win/win_seams.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <vector>

namespace {

struct Step {
  std::string name;
  PkRootSetupStep fn;
};

struct RootState {
  std::recursive_mutex mutex;
  std::string root;            // empty: not chosen yet
  std::set<std::string> done;  // steps known to have run in `root`
  bool checked = false;        // the done list was read for `root`
  std::vector<Step> steps;
  unsigned generation = 1;
  bool running = false;  // steps are running (they may use the root themselves)
  // Once a test asked for a temporary root, a root chosen later in the process
  // is a temporary one too (removed at the next reset), never the user's own.
  bool temporaryOnly = false;
  std::string autoTemporary;
};

std::string MakeTemporaryFolder() {
  const char* tmp = getenv("TMPDIR");
  std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/pk-root-XXXXXX";
  std::vector<char> buf(templ.begin(), templ.end());
  buf.push_back('\0');
  return mkdtemp(buf.data()) ? std::string(buf.data()) : std::string();
}

RootState& State() {
  static RootState* s = new RootState;  // lives until exit, used by late destructors
  return *s;
}

std::string DefaultRoot() {
  const char* data = getenv("XDG_DATA_HOME");
  std::string base;
  if (data && *data) {
    base = data;
  } else {
    const char* home = getenv("HOME");
    base = std::string(home && *home ? home : "/tmp") + "/.local/share";
  }
  return base + "/pk-machine";
}

std::string ChooseRoot(RootState& s) {
  if (s.root.empty()) {
    const char* env = getenv(PK_MACHINE_ROOT_ENV);
    std::string r = env && *env ? std::string(env) : std::string();
    if (r.empty() && s.temporaryOnly) {
      r = s.autoTemporary = MakeTemporaryFolder();
      setenv(PK_MACHINE_ROOT_ENV, r.c_str(), 1);
    }
    if (r.empty()) r = DefaultRoot();
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    std::error_code ec;
    std::filesystem::create_directories(r, ec);
    s.root = r;
    s.done.clear();
    s.checked = false;
    ++s.generation;
  }
  return s.root;
}

// Runs the steps not yet recorded in the root, under a file lock so that two
// processes starting on one fresh root set it up once.
void RunPendingSteps(RootState& s) {
  if (s.running) return;
  bool pending = !s.checked;
  for (const auto& st : s.steps)
    if (!s.done.count(st.name)) pending = true;
  if (!pending) return;
  std::string lockPath = s.root + "/.setup.lock";
  int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) flock(fd, LOCK_EX);
  std::string listPath = s.root + "/.setup.done";
  {
    std::ifstream in(listPath);
    std::string line;
    while (std::getline(in, line))
      if (!line.empty()) s.done.insert(line);
  }
  s.checked = true;
  s.running = true;
  for (size_t i = 0; i < s.steps.size(); ++i) {
    Step st = s.steps[i];
    if (s.done.count(st.name)) continue;
    st.fn(s.root);
    s.done.insert(st.name);
    std::ofstream out(listPath, std::ios::app);
    out << st.name << "\n";
  }
  s.running = false;
  if (fd >= 0) {
    flock(fd, LOCK_UN);
    close(fd);
  }
}

}  // namespace

void PkAddRootSetupStep(const char* name, PkRootSetupStep step) {
  RootState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  for (const auto& st : s.steps)
    if (st.name == name) return;
  s.steps.push_back({name, step});
}

void PkSetMachineRoot(const char* hostFolder) {
  RootState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  s.root.clear();
  s.done.clear();
  s.checked = false;
  ++s.generation;
  if (hostFolder && *hostFolder) {
    std::string r = hostFolder;
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    std::error_code ec;
    std::filesystem::create_directories(r, ec);
    r = std::filesystem::absolute(r, ec).string();
    s.root = r;
    setenv(PK_MACHINE_ROOT_ENV, r.c_str(), 1);
  }
}

std::string PkMachineRoot() {
  RootState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  ChooseRoot(s);
  RunPendingSteps(s);
  return s.root;
}

std::string PkMachineRootNoSetup() {
  RootState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  return ChooseRoot(s);
}

unsigned PkMachineRootGeneration() {
  RootState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  ChooseRoot(s);
  return s.generation;
}

std::string PkCreateTemporaryMachineRoot() {
  std::string root = MakeTemporaryFolder();
  if (!root.empty()) PkSetMachineRoot(root.c_str());
  return root;
}

void PkRemoveMachineRoot(const std::string& hostFolder) {
  if (hostFolder.empty()) return;
  {
    RootState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    if (s.root == hostFolder) {
      PkSetMachineRoot(nullptr);
      unsetenv(PK_MACHINE_ROOT_ENV);
    }
  }
  std::error_code ec;
  std::filesystem::remove_all(hostFolder, ec);
}

namespace {
std::mutex gTempRootMutex;
std::string gTempRoot;  // the root a test asked for, removed at the next reset

void RemoveTemporaryRoot() {
  std::string root, automatic;
  {
    std::lock_guard<std::mutex> lock(gTempRootMutex);
    root.swap(gTempRoot);
  }
  {
    RootState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    automatic.swap(s.autoTemporary);
  }
  if (!root.empty()) PkRemoveMachineRoot(root);
  if (!automatic.empty()) PkRemoveMachineRoot(automatic);
}
const pk::seams::ResetHook gHook(&RemoveTemporaryRoot);
}  // namespace

namespace pk::seams {
std::string UseTemporaryMachineRoot() {
  RemoveTemporaryRoot();
  {
    RootState& s = State();
    std::lock_guard<std::recursive_mutex> lock(s.mutex);
    s.temporaryOnly = true;
  }
  std::string root = PkCreateTemporaryMachineRoot();
  std::lock_guard<std::mutex> lock(gTempRootMutex);
  gTempRoot = root;
  return root;
}
}  // namespace pk::seams
