// Connection and transactions of the machine database (see machine_db.h).
#include "platform/win/machine_db.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/machine_root.h"

namespace {

struct DbState {
  std::recursive_mutex mutex;
  sqlite3* conn = nullptr;
  unsigned generation = 0;
  pid_t pid = 0;
  int depth = 0;
  std::vector<std::string> schemas;
};

DbState& State() {
  static DbState* s = new DbState;
  return *s;
}

bool Exec(sqlite3* db, const char* sql) {
  char* err = nullptr;
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
  if (rc != SQLITE_OK) {
    std::fprintf(stderr, "machine database: %s\n", err ? err : sqlite3_errstr(rc));
    sqlite3_free(err);
    return false;
  }
  return true;
}

// Opens (or reopens after a root change or a fork) the connection.
sqlite3* Connection(DbState& s) {
  unsigned gen = PkMachineRootGeneration();
  pid_t pid = getpid();
  if (s.conn && s.pid != pid) s.conn = nullptr;  // a forked child never touches the parent's connection
  if (s.conn && s.generation != gen) {
    sqlite3_close_v2(s.conn);
    s.conn = nullptr;
  }
  if (s.conn) return s.conn;
  std::string path = PkMachineRootNoSetup() + "/machine.db";
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    if (db) sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 30000);
  bool ok = Exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL;");
  if (ok) {
    std::string all = "BEGIN IMMEDIATE;";
    for (const auto& sql : s.schemas) all += sql + ";";
    all += "COMMIT;";
    ok = Exec(db, all.c_str());
  }
  if (!ok) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  s.conn = db;
  s.generation = gen;
  s.pid = pid;
  return db;
}

}  // namespace

void PkAddMachineDbSchema(const char* sql) {
  DbState& s = State();
  std::lock_guard<std::recursive_mutex> lock(s.mutex);
  for (const auto& t : s.schemas)
    if (t == sql) return;
  s.schemas.push_back(sql);
  if (s.conn) Exec(s.conn, sql);
}

PkMachineDbTransaction::PkMachineDbTransaction(bool write) {
  // The root's set-up steps may use the database themselves: run them first.
  PkMachineRoot();
  DbState& s = State();
  s.mutex.lock();
  sqlite3* db = Connection(s);
  if (!db) return;
  if (s.depth == 0) {
    if (!Exec(db, write ? "BEGIN IMMEDIATE" : "BEGIN")) return;
    outer_ = true;
  }
  ++s.depth;
  ok_ = true;
}

PkMachineDbTransaction::~PkMachineDbTransaction() {
  DbState& s = State();
  if (ok_) {
    --s.depth;
    if (outer_ && !done_) Exec(s.conn, "ROLLBACK");
  }
  s.mutex.unlock();
}

sqlite3* PkMachineDbTransaction::db() const { return ok_ ? State().conn : nullptr; }

bool PkMachineDbTransaction::commit() {
  if (!ok_ || done_) return false;
  done_ = true;
  if (!outer_) return true;
  if (Exec(State().conn, "COMMIT")) return true;
  Exec(State().conn, "ROLLBACK");
  return false;
}
