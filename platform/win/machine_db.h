// The machine database: one SQLite file ("machine.db") in the machine root that
// holds the registry and the spooler's state. WAL journal and a busy wait, so
// several processes share it; every call of a service runs in one transaction,
// so a crash loses nothing that a call reported as done.
#pragma once

#include "platform/win/win_types.h"

struct sqlite3;

// Adds a schema text (CREATE TABLE IF NOT EXISTS ...) that every connection
// runs when it opens. Register before the first use.
PKAPI void PkAddMachineDbSchema(const char* sql);

// One transaction on the machine database of the current root, held with the
// process-wide database lock. Transactions opened inside another one on the
// same thread join it. The destructor rolls back what was not committed.
class PKAPI PkMachineDbTransaction {
 public:
  explicit PkMachineDbTransaction(bool write);
  ~PkMachineDbTransaction();
  PkMachineDbTransaction(const PkMachineDbTransaction&) = delete;
  PkMachineDbTransaction& operator=(const PkMachineDbTransaction&) = delete;
  // False when the database could not be opened or the transaction not begun.
  bool ok() const { return ok_; }
  sqlite3* db() const;
  // Commits (the outermost transaction only); false when the commit failed.
  bool commit();

 private:
  bool ok_ = false;
  bool outer_ = false;
  bool done_ = false;
};
