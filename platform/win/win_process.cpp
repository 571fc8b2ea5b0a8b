// Program start and wait (see win_process.h), and the stand-in program that
// tests install in place of the preview program.
#include "platform/win/win_process.h"

#include <errno.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdarg>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win/machine_root.h"
#include "platform/win/name_text.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"

extern char** environ;

namespace {

bool IsWindowsPath(const char* a) {
  return a && ((a[0] >= 'A' && a[0] <= 'Z') || (a[0] >= 'a' && a[0] <= 'z')) && a[1] == ':' &&
         (a[2] == '\\' || a[2] == '/');
}

bool EndsWithExe(const std::string& s) {
  if (s.size() < 4) return false;
  std::string ext = s.substr(s.size() - 4);
  for (auto& c : ext) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return ext == ".exe";
}

// Host program for a Windows program name: "X.exe" runs "X" when it exists.
std::string HostProgram(const char* cmd, bool* search) {
  std::string name = cmd;
  *search = name.find_first_of("\\/") == std::string::npos && !IsWindowsPath(cmd);
  if (*search) return EndsWithExe(name) ? name.substr(0, name.size() - 4) : name;
  std::string host;
  if (PkResolveWindowsPath(pk::AnsiToWide(cmd).c_str(), nullptr, &host) != 0) return std::string();
  struct stat st;
  if (EndsWithExe(host)) {
    std::string bare = host.substr(0, host.size() - 4);
    if (stat(bare.c_str(), &st) == 0 || stat(host.c_str(), &st) != 0) return bare;
  }
  return host;
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

namespace pk::seams {

bool InstallProgramStub(const WCHAR* program, int exitCode, const WCHAR* copyTo) {
  std::string host;
  if (!program || PkResolveWindowsPath(program, nullptr, &host) != 0) return false;
  if (EndsWithExe(host)) host.resize(host.size() - 4);
  std::string script = "#!/bin/sh\n# Stand-in program of a test.\n";
  script += "printf '%s\\n' \"$@\" > " + ShellQuote(host + ".args") + "\n";
  std::string copyHost;
  if (copyTo && PkResolveWindowsPath(copyTo, nullptr, &copyHost) == 0)
    script += "[ -n \"$1\" ] && cp \"$1\" " + ShellQuote(copyHost) + "\n";
  script += "exit " + std::to_string(exitCode & 0xFF) + "\n";
  // The driver folder links the built programs: the stand-in replaces the
  // link, never the program it points at.
  std::remove(host.c_str());
  {
    std::ofstream out(host, std::ios::trunc);
    if (!out) return false;
    out << script;
  }
  return chmod(host.c_str(), 0755) == 0;
}

}  // namespace pk::seams

extern "C" {

INT_PTR _spawnlp(int mode, const char* cmdname, const char* arg0, ...) {
  if (mode != _P_WAIT || !cmdname) {
    errno = EINVAL;
    return -1;
  }
  bool search = false;
  std::string program = HostProgram(cmdname, &search);
  if (program.empty()) {
    errno = ENOENT;
    return -1;
  }
  std::vector<std::string> args;
  args.push_back(program);
  va_list ap;
  va_start(ap, arg0);
  if (arg0) {
    for (const char* a = va_arg(ap, const char*); a; a = va_arg(ap, const char*)) {
      std::string host;
      if (IsWindowsPath(a) && PkResolveWindowsPath(pk::AnsiToWide(a).c_str(), nullptr, &host) == 0)
        args.push_back(host);
      else args.push_back(a);
    }
  }
  va_end(ap);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // The child works on this process's machine root.
  std::string rootVar = std::string(PK_MACHINE_ROOT_ENV) + "=" + PkMachineRoot();
  std::vector<std::string> envStore;
  for (char** e = environ; e && *e; ++e)
    if (std::strncmp(*e, PK_MACHINE_ROOT_ENV "=", sizeof(PK_MACHINE_ROOT_ENV)) != 0) envStore.push_back(*e);
  envStore.push_back(rootVar);
  std::vector<char*> envp;
  for (auto& e : envStore) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  int rc = search ? posix_spawnp(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data())
                  : posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data());
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

}  // extern "C"
