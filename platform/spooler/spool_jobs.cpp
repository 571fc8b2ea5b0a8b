// Raw jobs: StartDocPrinterW makes a job row and its spool file, WritePrinter
// appends to the file as it goes and records the size of every call, and
// EndDocPrinter marks the job complete. A job left open by ClosePrinter, or by
// a process that ends, is incomplete and keeps the bytes it has.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

#include "platform/win/machine_root.h"
#include "platform/spooler/spooler_internal.h"
#include "platform/win/machine_db.h"
#include "platform/win/name_text.h"
#include "platform/win/win_path.h"

namespace pk::spooler {
namespace {

using pk::seams::SpoolCall;

std::u16string JobFileName(DWORD id) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%05u", id);
  return std::u16string(PK_SPOOL_FOLDER) + pk::Utf8ToUtf16(digits) + u".prn";
}

bool SetJobState(sqlite3* db, DWORD id, JobState state) {
  Statement st(db, "UPDATE spl_jobs SET state = ?2 WHERE id = ?1");
  st.bind(1, id).bind(2, static_cast<int>(state));
  return st.step() == SQLITE_DONE;
}

// Jobs this process has open, so that they end incomplete when it exits.
std::mutex gOpenMutex;
std::set<DWORD>* gOpenJobs = new std::set<DWORD>;
pid_t gOpenJobsOwner = 0;  // a forked child leaves its parent's jobs alone
// The machine root the open jobs were spooled in: once another root is in
// use, they are not this process's to mark (and marking them would set up
// the new root while the program's statics are being destroyed).
unsigned gOpenJobsGeneration = 0;

void ForgetOpenJob(DWORD id) {
  std::lock_guard<std::mutex> lock(gOpenMutex);
  gOpenJobs->erase(id);
}

struct ExitMarker {
  ~ExitMarker() {
    std::set<DWORD> open;
    {
      std::lock_guard<std::mutex> lock(gOpenMutex);
      if (gOpenJobsOwner != getpid() || gOpenJobsGeneration != PkMachineRootGeneration()) return;
      open.swap(*gOpenJobs);
    }
    if (open.empty()) return;
    PkMachineDbTransaction tx(true);
    if (!tx.ok()) return;
    for (DWORD id : open) SetJobState(tx.db(), id, JobState::Incomplete);
    tx.commit();
  }
} gExitMarker;

// Jobs still spooling whose process is gone (it crashed or was killed) are
// incomplete.
void MarkOrphanedJobs(sqlite3* db) {
  std::vector<DWORD> orphans;
  {
    Statement st(db, "SELECT id, pid FROM spl_jobs WHERE state = 0");
    while (st.step() == SQLITE_ROW) {
      pid_t pid = static_cast<pid_t>(st.integer(1));
      if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) orphans.push_back(static_cast<DWORD>(st.integer(0)));
    }
  }
  for (DWORD id : orphans) SetJobState(db, id, JobState::Incomplete);
}

std::vector<JobRecord> ReadJobs(sqlite3* db, const char* where, int64_t id, const std::string& fold) {
  std::string sql =
      std::string("SELECT id, printer, document, state, pages, bytes, file FROM spl_jobs ") + where + " ORDER BY id";
  Statement st(db, sql.c_str());
  if (id) st.bind(1, id);
  if (!fold.empty()) st.bind(1, fold);
  std::vector<JobRecord> jobs;
  while (st.step() == SQLITE_ROW) {
    JobRecord j;
    j.id = static_cast<DWORD>(st.integer(0));
    j.printer = st.text(1);
    j.document = st.text(2);
    j.state = static_cast<JobState>(st.integer(3));
    j.pages = static_cast<DWORD>(st.integer(4));
    j.bytes = static_cast<ULONGLONG>(st.integer(5));
    j.file = st.text(6);
    jobs.push_back(std::move(j));
  }
  for (auto& j : jobs) {
    Statement w(db, "SELECT size FROM spl_job_writes WHERE job = ?1 ORDER BY seq");
    w.bind(1, j.id);
    while (w.step() == SQLITE_ROW) j.writeSizes.push_back(static_cast<DWORD>(w.integer(0)));
  }
  return jobs;
}

// The handle with its open job; null (error set) for a bad handle or no job.
std::shared_ptr<PrinterHandle> HandleWithJob(HANDLE h, std::unique_lock<std::mutex>* lock) {
  auto handle = LookupPrinter(h);
  if (!handle) return nullptr;
  *lock = std::unique_lock<std::mutex>(handle->mutex);
  if (!handle->jobId) {
    SetLastError(ERROR_SPL_NO_STARTDOC);
    return nullptr;
  }
  return handle;
}

// Ends the handle's job in `state` and closes its file.
void FinishJob(PrinterHandle& handle, JobState state) {
  if (!handle.jobId) return;
  {
    PkMachineDbTransaction tx(true);
    if (tx.ok() && SetJobState(tx.db(), handle.jobId, state)) tx.commit();
  }
  if (handle.fd >= 0) close(handle.fd);
  ForgetOpenJob(handle.jobId);
  handle.fd = -1;
  handle.jobId = 0;
  handle.pageOpen = false;
}

}  // namespace

void AbandonJob(PrinterHandle& handle) { FinishJob(handle, JobState::Incomplete); }

const char* JobStateName(JobState state) {
  switch (state) {
    case JobState::Spooling: return "spooling";
    case JobState::Complete: return "complete";
    case JobState::Incomplete: return "incomplete";
  }
  return "unknown";
}

std::vector<JobRecord> ListJobs(const std::u16string& printer) {
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return {};
  MarkOrphanedJobs(tx.db());
  std::vector<JobRecord> jobs = printer.empty() ? ReadJobs(tx.db(), "", 0, std::string())
                                                : ReadJobs(tx.db(), "WHERE fold = ?1", 0, NameKey(printer));
  tx.commit();
  return jobs;
}

bool GetJob(DWORD id, JobRecord* job) {
  PkMachineDbTransaction tx(true);
  if (!tx.ok() || !id) return false;
  MarkOrphanedJobs(tx.db());
  std::vector<JobRecord> jobs = ReadJobs(tx.db(), "WHERE id = ?1", id, std::string());
  tx.commit();
  if (jobs.empty()) return false;
  *job = std::move(jobs.front());
  return true;
}

std::string JobHostPath(DWORD id) {
  JobRecord job;
  std::string host;
  if (!GetJob(id, &job) || PkResolveWindowsPath(job.file.c_str(), nullptr, &host) != 0) return std::string();
  return host;
}

}  // namespace pk::spooler

using namespace pk::spooler;

extern "C" {

DWORD StartDocPrinterW(HANDLE hPrinter, DWORD Level, const BYTE* pDocInfo) {
  auto handle = LookupPrinter(hPrinter);
  if (!handle) return 0;
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (!pDocInfo) return Fail(ERROR_INVALID_PARAMETER);
  DOC_INFO_1W info;
  std::memcpy(&info, pDocInfo, sizeof info);
  // Jobs are spooled for the printer only; no output file is written.
  if (!pk::WideView(info.pOutputFile).empty()) return Fail(ERROR_NOT_SUPPORTED);
  std::u16string datatype(pk::WideView(info.pDatatype));
  if (datatype.empty()) datatype = handle->datatype.empty() ? u"RAW" : handle->datatype;
  if (!pk::NamesEqual(datatype, u"RAW")) return Fail(ERROR_INVALID_DATATYPE);
  std::lock_guard<std::mutex> lock(handle->mutex);
  if (handle->jobId) return Fail(ERROR_INVALID_PRINTER_STATE);
  if (DWORD e = SeamCallError(SpoolCall::StartDoc)) return Fail(e);

  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
  Statement insert(tx.db(),
                   "INSERT INTO spl_jobs(printer, fold, document, datatype, state, pages, bytes, pid, file)"
                   " VALUES(?1, ?2, ?3, ?4, 0, 0, 0, ?5, '')");
  insert.bind(1, handle->printer).bind(2, NameKey(handle->printer));
  insert.bind(3, std::u16string(pk::WideView(info.pDocName))).bind(4, datatype).bind(5, getpid());
  if (insert.step() != SQLITE_DONE) return Fail(ERROR_GEN_FAILURE);
  DWORD id = static_cast<DWORD>(sqlite3_last_insert_rowid(tx.db()));
  std::u16string file = JobFileName(id);
  Statement named(tx.db(), "UPDATE spl_jobs SET file = ?2 WHERE id = ?1");
  named.bind(1, id).bind(2, file);
  std::string host;
  if (named.step() != SQLITE_DONE || PkResolveWindowsPath(file.c_str(), nullptr, &host) != 0)
    return Fail(ERROR_GEN_FAILURE);
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(host).parent_path(), ec);
  int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return Fail(ERROR_PATH_NOT_FOUND);
  if (!tx.commit()) {
    close(fd);
    unlink(host.c_str());
    return Fail(ERROR_GEN_FAILURE);
  }
  {
    std::lock_guard<std::mutex> open(gOpenMutex);
    const unsigned generation = PkMachineRootGeneration();
    if (gOpenJobsOwner != getpid() || gOpenJobsGeneration != generation) gOpenJobs->clear();
    gOpenJobsOwner = getpid();
    gOpenJobsGeneration = generation;
    gOpenJobs->insert(id);
  }
  handle->jobId = id;
  handle->fd = fd;
  handle->pageOpen = false;
  return id;
}

BOOL StartPagePrinter(HANDLE hPrinter) {
  std::unique_lock<std::mutex> lock;
  auto handle = HandleWithJob(hPrinter, &lock);
  if (!handle) return FALSE;
  if (DWORD e = SeamCallError(pk::seams::SpoolCall::StartPage)) return Fail(e);
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
  Statement st(tx.db(), "UPDATE spl_jobs SET pages = pages + 1 WHERE id = ?1");
  st.bind(1, handle->jobId);
  if (st.step() != SQLITE_DONE || !tx.commit()) return Fail(ERROR_GEN_FAILURE);
  handle->pageOpen = true;
  return TRUE;
}

BOOL WritePrinter(HANDLE hPrinter, LPCVOID pBuf, DWORD cbBuf, LPDWORD pcWritten) {
  if (pcWritten) *pcWritten = 0;
  std::unique_lock<std::mutex> lock;
  auto handle = HandleWithJob(hPrinter, &lock);
  if (!handle) return FALSE;
  if (!pcWritten || (!pBuf && cbBuf)) return Fail(ERROR_INVALID_PARAMETER);
  if (DWORD e = SeamCallError(pk::seams::SpoolCall::Write)) return Fail(e);
  DWORD allowed = SeamWriteAllowance(cbBuf);
  // The bytes reach the file before the call reports them.
  const BYTE* p = static_cast<const BYTE*>(pBuf);
  DWORD done = 0;
  while (done < allowed) {
    ssize_t n = write(handle->fd, p + done, allowed - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<DWORD>(n);
  }
  {
    PkMachineDbTransaction tx(true);
    if (tx.ok()) {
      Statement st(tx.db(), "UPDATE spl_jobs SET bytes = bytes + ?2 WHERE id = ?1");
      st.bind(1, handle->jobId).bind(2, done);
      Statement w(tx.db(), "INSERT INTO spl_job_writes(job, size) VALUES(?1, ?2)");
      w.bind(1, handle->jobId).bind(2, done);
      if (st.step() == SQLITE_DONE && w.step() == SQLITE_DONE) tx.commit();
    }
  }
  *pcWritten = done;
  if (done < allowed) return Fail(errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT);
  return TRUE;
}

BOOL EndPagePrinter(HANDLE hPrinter) {
  std::unique_lock<std::mutex> lock;
  auto handle = HandleWithJob(hPrinter, &lock);
  if (!handle) return FALSE;
  if (DWORD e = SeamCallError(pk::seams::SpoolCall::EndPage)) return Fail(e);
  handle->pageOpen = false;
  return TRUE;
}

BOOL EndDocPrinter(HANDLE hPrinter) {
  std::unique_lock<std::mutex> lock;
  auto handle = HandleWithJob(hPrinter, &lock);
  if (!handle) return FALSE;
  if (DWORD e = SeamCallError(pk::seams::SpoolCall::EndDoc)) return Fail(e);
  FinishJob(*handle, JobState::Complete);
  return TRUE;
}

}  // extern "C"
