// Registry calls over the machine database (see win_registry.h).
#include "platform/win/win_registry.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/win/machine_db.h"
#include "platform/win/machine_root.h"
#include "platform/win/name_text.h"
#include "platform/win/registry_keys.h"
#include "platform/win/win_error.h"
#include "platform/win/win_seams.h"

namespace {

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;

std::atomic<bool> gMachineReadOnly{false};
// Value writes still to go before the injected fault (0: none), and whether
// it stays.
std::atomic<unsigned> gWriteFaultIn{0};
std::atomic<bool> gWriteFaultAlways{false};

// True when this value write is one the test wants to fail.
bool InjectedWriteFault() {
  unsigned n = gWriteFaultIn.load();
  if (n == 0) return false;
  if (n > 1) {
    gWriteFaultIn = n - 1;
    return false;
  }
  if (!gWriteFaultAlways.load()) gWriteFaultIn = 0;
  return true;
}

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS reg_keys(id INTEGER PRIMARY KEY AUTOINCREMENT, parent INTEGER NOT NULL,"
    " name TEXT NOT NULL, fold TEXT NOT NULL, UNIQUE(parent, fold));"
    "CREATE TABLE IF NOT EXISTS reg_values(id INTEGER PRIMARY KEY AUTOINCREMENT, key INTEGER NOT NULL,"
    " name TEXT NOT NULL, fold TEXT NOT NULL, type INTEGER NOT NULL, data BLOB, UNIQUE(key, fold))";

// Prepared statement with bound parameters, finalised on scope exit.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) { ok_ = db && sqlite3_prepare_v2(db, sql, -1, &st_, nullptr) == SQLITE_OK; }
  ~Stmt() { sqlite3_finalize(st_); }
  Stmt& bind(int i, int64_t v) {
    if (ok_) sqlite3_bind_int64(st_, i, v);
    return *this;
  }
  Stmt& bind(int i, const std::string& v) {
    if (ok_) sqlite3_bind_text(st_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& bindBlob(int i, const void* p, size_t n) {
    if (ok_) sqlite3_bind_blob(st_, i, n ? p : "", static_cast<int>(n), SQLITE_TRANSIENT);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error.
  int step() { return ok_ ? sqlite3_step(st_) : SQLITE_ERROR; }
  int64_t i64(int c) { return sqlite3_column_int64(st_, c); }
  std::string text(int c) {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(st_, c));
    return p ? std::string(p, sqlite3_column_bytes(st_, c)) : std::string();
  }
  std::vector<BYTE> blob(int c) {
    auto p = static_cast<const BYTE*>(sqlite3_column_blob(st_, c));
    int n = sqlite3_column_bytes(st_, c);
    return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>();
  }

 private:
  sqlite3_stmt* st_ = nullptr;
  bool ok_ = false;
};

// Splits a subkey path at backslashes; empty parts (a trailing "\") are skipped.
bool SplitKeyPath(LPCWSTR sub, std::vector<std::string>* parts) {
  parts->clear();
  std::u16string_view v = pk::WideView(sub);
  size_t i = 0;
  while (i <= v.size()) {
    size_t j = v.find(u'\\', i);
    if (j == std::u16string_view::npos) j = v.size();
    if (j > i) {
      if (j - i > kMaxKeyName) return false;
      parts->push_back(pk::Utf16ToUtf8(v.substr(i, j - i)));
    }
    i = j + 1;
  }
  return true;
}

bool KeyExists(sqlite3* db, int64_t id) {
  Stmt q(db, "SELECT 1 FROM reg_keys WHERE id=?");
  return q.bind(1, id).step() == SQLITE_ROW;
}

// Id of the child `name` of `parent`, or 0.
int64_t FindChild(sqlite3* db, int64_t parent, const std::string& name) {
  Stmt q(db, "SELECT id FROM reg_keys WHERE parent=? AND fold=?");
  q.bind(1, parent).bind(2, pk::FoldUtf8(name));
  return q.step() == SQLITE_ROW ? q.i64(0) : 0;
}

int64_t AddChild(sqlite3* db, int64_t parent, const std::string& name) {
  Stmt q(db, "INSERT INTO reg_keys(parent, name, fold) VALUES(?,?,?)");
  q.bind(1, parent).bind(2, name).bind(3, pk::FoldUtf8(name));
  return q.step() == SQLITE_DONE ? sqlite3_last_insert_rowid(db) : 0;
}

// A key that does not exist yet reads as empty (no row has this id).
constexpr int64_t kAbsentKey = -1;

// Id of a top-level key; a write creates it when missing, a read sees it empty.
int64_t RootKey(sqlite3* db, int64_t parent, const std::string& name, bool create) {
  int64_t id = FindChild(db, parent, name);
  if (id) return id;
  if (!create) return kAbsentKey;
  return AddChild(db, parent, name);
}

std::string CurrentUserName() { return pk::Utf16ToUtf8(pk::CurrentUserName()); }

// What an open handle stands for: a key id and whether it lies under HKLM.
struct Resolved {
  int64_t id = 0;
  bool machine = false;
  REGSAM access = KEY_ALL_ACCESS;
};

LONG ResolveHandle(sqlite3* db, HKEY h, Resolved* out, bool create) {
  if (h == HKEY_LOCAL_MACHINE) {
    out->id = RootKey(db, 0, "HKEY_LOCAL_MACHINE", create);
    out->machine = true;
  } else if (h == HKEY_USERS) {
    out->id = RootKey(db, 0, "HKEY_USERS", create);
  } else if (h == HKEY_CURRENT_USER) {
    int64_t users = RootKey(db, 0, "HKEY_USERS", create);
    out->id = users == kAbsentKey ? kAbsentKey : users ? RootKey(db, users, CurrentUserName(), create) : 0;
  } else {
    pk::RegistryKeyRef ref;
    if (!pk::LookupRegistryKey(h, &ref)) return ERROR_INVALID_HANDLE;
    out->id = ref.id;
    out->machine = ref.machine;
    out->access = ref.access;
    if (!KeyExists(db, ref.id)) return ERROR_KEY_DELETED;
    return ERROR_SUCCESS;
  }
  return out->id ? ERROR_SUCCESS : ERROR_GEN_FAILURE;
}

LONG Finish(PkMachineDbTransaction& tx, LONG rc) {
  if (rc == ERROR_SUCCESS && !tx.commit()) return ERROR_GEN_FAILURE;
  return rc;
}

bool MachineWriteRefused(const Resolved& r) { return r.machine && gMachineReadOnly.load(); }

// Resolves a handle for one call: the handle must grant `need`, and a change refuses a
// read-only machine hive.
LONG ResolveFor(PkMachineDbTransaction& tx, HKEY h, REGSAM need, bool change, bool create, Resolved* out) {
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  LONG rc = ResolveHandle(tx.db(), h, out, create);
  if (rc) return rc;
  if (!(out->access & need) || (change && MachineWriteRefused(*out))) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY hKey, LPCWSTR sub, REGSAM sam, bool create, PHKEY out, LPDWORD disposition) {
  if (!out) return ERROR_INVALID_PARAMETER;
  *out = nullptr;
  std::vector<std::string> parts;
  if (!SplitKeyPath(sub, &parts)) return ERROR_INVALID_PARAMETER;
  // A handle always names a stored key: opening a top-level key makes it.
  bool write = create || parts.empty();
  PkMachineDbTransaction tx(write);
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  sqlite3* db = tx.db();
  Resolved r;
  LONG rc = ResolveHandle(db, hKey, &r, write);
  if (rc) return rc;
  int64_t id = r.id;
  bool created = false;
  for (const auto& p : parts) {
    int64_t child = FindChild(db, id, p);
    if (!child) {
      if (!create) return ERROR_FILE_NOT_FOUND;
      if (MachineWriteRefused(r)) return ERROR_ACCESS_DENIED;
      child = AddChild(db, id, p);
      if (!child) return ERROR_GEN_FAILURE;
      created = true;
    }
    id = child;
  }
  rc = Finish(tx, ERROR_SUCCESS);
  if (rc) return rc;
  *out = pk::NewRegistryKeyHandle({id, r.machine, sam});
  if (!*out) return ERROR_NOT_ENOUGH_MEMORY;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

// Writes a value row, keeping the position of a value that exists already.
bool PutValue(sqlite3* db, int64_t key, const std::string& name, DWORD type, const void* data, size_t size) {
  Stmt up(db, "UPDATE reg_values SET name=?, type=?, data=? WHERE key=? AND fold=?");
  up.bind(1, name).bind(2, type).bindBlob(3, data, size).bind(4, key).bind(5, pk::FoldUtf8(name));
  if (up.step() != SQLITE_DONE) return false;
  if (sqlite3_changes(db) > 0) return true;
  Stmt in(db, "INSERT INTO reg_values(key, name, fold, type, data) VALUES(?,?,?,?,?)");
  in.bind(1, key).bind(2, name).bind(3, pk::FoldUtf8(name)).bind(4, type).bindBlob(5, data, size);
  return in.step() == SQLITE_DONE;
}

// Copies a value's data out under the size-query rules: no buffer gives the
// size; a small buffer 234 with the size.
LONG CopyData(const std::vector<BYTE>& data, LPBYTE out, LPDWORD size) {
  if (!size) return out ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
  DWORD have = *size;
  *size = static_cast<DWORD>(data.size());
  if (!out) return ERROR_SUCCESS;
  if (have < data.size()) return ERROR_MORE_DATA;
  if (!data.empty()) std::memcpy(out, data.data(), data.size());
  return ERROR_SUCCESS;
}

// Copies a name into a buffer of `capacity` characters with its terminator.
bool CopyName(const std::string& name, LPWSTR out, DWORD capacity, DWORD* length) {
  std::u16string w = pk::Utf8ToUtf16(name);
  if (length) *length = static_cast<DWORD>(w.size());
  if (!out || capacity <= w.size()) return false;
  std::copy(w.begin(), w.end(), out);
  out[w.size()] = 0;
  return true;
}

std::string ValueName(LPCWSTR name) { return pk::Utf16ToUtf8(pk::WideView(name)); }

// Seeds a fresh root: the machine's software key and the logon user the driver
// falls back on when a job runs as the system account.
void SeedRegistry(const std::string&) {
  HKEY key = nullptr;
  if (RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", &key) !=
      ERROR_SUCCESS)
    return;
  std::u16string user = pk::Utf8ToUtf16(CurrentUserName());
  RegSetValueExW(key, u"DefaultUserName", 0, REG_SZ, reinterpret_cast<const BYTE*>(user.c_str()),
                 static_cast<DWORD>((user.size() + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
}

void ResetRegistrySeams() {
  gMachineReadOnly = false;
  gWriteFaultIn = 0;
  gWriteFaultAlways = false;
}
const pk::seams::ResetHook gHook(&ResetRegistrySeams);

struct Registration {
  Registration() {
    PkAddMachineDbSchema(kSchema);
    PkAddRootSetupStep("registry", SeedRegistry);
  }
} gRegistration;

}  // namespace

namespace pk::seams {
void SetMachineRegistryReadOnly(bool readOnly) { gMachineReadOnly = readOnly; }
void FailRegistryWrites(unsigned nth, bool always) {
  gWriteFaultAlways = always;
  gWriteFaultIn = nth;
}
}  // namespace pk::seams

extern "C" {

LSTATUS RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
  return OpenOrCreate(hKey, lpSubKey, KEY_ALL_ACCESS, true, phkResult, nullptr);
}

LSTATUS RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, LPWSTR, DWORD, REGSAM samDesired,
                        const SECURITY_ATTRIBUTES*, PHKEY phkResult, LPDWORD lpdwDisposition) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  return OpenOrCreate(hKey, lpSubKey, samDesired, true, phkResult, lpdwDisposition);
}

LSTATUS RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult) {
  return OpenOrCreate(hKey, lpSubKey, KEY_ALL_ACCESS, false, phkResult, nullptr);
}

LSTATUS RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD, REGSAM samDesired, PHKEY phkResult) {
  return OpenOrCreate(hKey, lpSubKey, samDesired, false, phkResult, nullptr);
}

LSTATUS RegCloseKey(HKEY hKey) {
  if (hKey == HKEY_LOCAL_MACHINE || hKey == HKEY_CURRENT_USER || hKey == HKEY_USERS) return ERROR_SUCCESS;
  return pk::CloseRegistryKeyHandle(hKey) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LSTATUS RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
  PkMachineDbTransaction tx(false);
  Resolved r;
  LONG rc = ResolveFor(tx, hKey, KEY_QUERY_VALUE, false, false, &r);
  if (rc) return rc;
  Stmt q(tx.db(), "SELECT type, data FROM reg_values WHERE key=? AND fold=?");
  q.bind(1, r.id).bind(2, pk::FoldUtf8(ValueName(lpValueName)));
  if (q.step() != SQLITE_ROW) return ERROR_FILE_NOT_FOUND;
  if (lpType) *lpType = static_cast<DWORD>(q.i64(0));
  return CopyData(q.blob(1), lpData, lpcbData);
}

LSTATUS RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD, DWORD dwType, const BYTE* lpData, DWORD cbData) {
  if (!lpData && cbData) return ERROR_INVALID_PARAMETER;
  std::string name = ValueName(lpValueName);
  if (pk::Utf8ToUtf16(name).size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  if (InjectedWriteFault()) return ERROR_ACCESS_DENIED;
  PkMachineDbTransaction tx(true);
  Resolved r;
  LONG rc = ResolveFor(tx, hKey, KEY_SET_VALUE, true, true, &r);
  if (rc) return rc;
  if (!PutValue(tx.db(), r.id, name, dwType, lpData, cbData)) return ERROR_GEN_FAILURE;
  return Finish(tx, ERROR_SUCCESS);
}

LSTATUS RegSetValueW(HKEY hKey, LPCWSTR lpSubKey, DWORD dwType, LPCWSTR lpData, DWORD) {
  if (dwType != REG_SZ || !lpData) return ERROR_INVALID_PARAMETER;
  PkMachineDbTransaction tx(true);  // the key and its value are one change
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  HKEY key = nullptr;
  LONG rc = RegCreateKeyW(hKey, lpSubKey, &key);
  if (rc) return rc;
  rc = RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpData),
                      static_cast<DWORD>((pk::WideLength(lpData) + 1) * sizeof(WCHAR)));
  RegCloseKey(key);
  return Finish(tx, rc);
}

LSTATUS RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName) {
  PkMachineDbTransaction tx(true);
  Resolved r;
  LONG rc = ResolveFor(tx, hKey, KEY_SET_VALUE, true, false, &r);
  if (rc) return rc;
  Stmt q(tx.db(), "DELETE FROM reg_values WHERE key=? AND fold=?");
  if (q.bind(1, r.id).bind(2, pk::FoldUtf8(ValueName(lpValueName))).step() != SQLITE_DONE) return ERROR_GEN_FAILURE;
  if (sqlite3_changes(tx.db()) == 0) return ERROR_FILE_NOT_FOUND;
  return Finish(tx, ERROR_SUCCESS);
}

LSTATUS RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey) {
  if (!lpSubKey) return ERROR_INVALID_PARAMETER;
  std::vector<std::string> parts;
  if (!SplitKeyPath(lpSubKey, &parts)) return ERROR_INVALID_PARAMETER;
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  sqlite3* db = tx.db();
  Resolved r;
  LONG rc = ResolveHandle(db, hKey, &r, false);
  if (rc) return rc;
  int64_t id = r.id;
  for (const auto& p : parts) {
    id = FindChild(db, id, p);
    if (!id) return ERROR_FILE_NOT_FOUND;
  }
  Stmt parent(db, "SELECT parent FROM reg_keys WHERE id=?");
  if (parent.bind(1, id).step() != SQLITE_ROW || parent.i64(0) == 0) return ERROR_ACCESS_DENIED;  // a root
  if (MachineWriteRefused(r)) return ERROR_ACCESS_DENIED;
  Stmt kids(db, "SELECT 1 FROM reg_keys WHERE parent=? LIMIT 1");
  if (kids.bind(1, id).step() == SQLITE_ROW) return ERROR_ACCESS_DENIED;
  Stmt dv(db, "DELETE FROM reg_values WHERE key=?");
  Stmt dk(db, "DELETE FROM reg_keys WHERE id=?");
  if (dv.bind(1, id).step() != SQLITE_DONE || dk.bind(1, id).step() != SQLITE_DONE) return ERROR_GEN_FAILURE;
  return Finish(tx, ERROR_SUCCESS);
}

LSTATUS RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName, LPDWORD, LPWSTR lpClass,
                      LPDWORD lpcchClass, FILETIME* lpftLastWriteTime) {
  if (!lpName || !lpcchName) return ERROR_INVALID_PARAMETER;
  PkMachineDbTransaction tx(false);
  Resolved r;
  LONG rc = ResolveFor(tx, hKey, KEY_ENUMERATE_SUB_KEYS, false, false, &r);
  if (rc) return rc;
  Stmt q(tx.db(), "SELECT name FROM reg_keys WHERE parent=? ORDER BY id LIMIT 1 OFFSET ?");
  if (q.bind(1, r.id).bind(2, dwIndex).step() != SQLITE_ROW) return ERROR_NO_MORE_ITEMS;
  DWORD len = 0;
  if (!CopyName(q.text(0), lpName, *lpcchName, &len)) return ERROR_MORE_DATA;
  *lpcchName = len;
  if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, DWORD cchName) {
  DWORD n = cchName;
  return RegEnumKeyExW(hKey, dwIndex, lpName, &n, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName, LPDWORD, LPDWORD lpType,
                      LPBYTE lpData, LPDWORD lpcbData) {
  if (!lpValueName || !lpcchValueName) return ERROR_INVALID_PARAMETER;
  PkMachineDbTransaction tx(false);
  Resolved r;
  LONG rc = ResolveFor(tx, hKey, KEY_QUERY_VALUE, false, false, &r);
  if (rc) return rc;
  Stmt q(tx.db(), "SELECT name, type, data FROM reg_values WHERE key=? ORDER BY id LIMIT 1 OFFSET ?");
  if (q.bind(1, r.id).bind(2, dwIndex).step() != SQLITE_ROW) return ERROR_NO_MORE_ITEMS;
  DWORD len = 0;
  if (!CopyName(q.text(0), lpValueName, *lpcchValueName, &len)) return ERROR_MORE_DATA;
  *lpcchValueName = len;
  if (lpType) *lpType = static_cast<DWORD>(q.i64(1));
  return CopyData(q.blob(2), lpData, lpcbData);
}

LSTATUS RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                         LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                         LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                         FILETIME* lpftLastWriteTime) {
  PkMachineDbTransaction tx(false);
  if (!tx.ok()) return ERROR_GEN_FAILURE;
  Resolved r;
  LONG rc = ResolveHandle(tx.db(), hKey, &r, false);
  if (rc) return rc;
  DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
  {
    Stmt q(tx.db(), "SELECT name FROM reg_keys WHERE parent=?");
    q.bind(1, r.id);
    while (q.step() == SQLITE_ROW) {
      ++subKeys;
      maxSub = std::max<DWORD>(maxSub, static_cast<DWORD>(pk::Utf8ToUtf16(q.text(0)).size()));
    }
  }
  {
    Stmt q(tx.db(), "SELECT name, length(data) FROM reg_values WHERE key=?");
    q.bind(1, r.id);
    while (q.step() == SQLITE_ROW) {
      ++values;
      maxName = std::max<DWORD>(maxName, static_cast<DWORD>(pk::Utf8ToUtf16(q.text(0)).size()));
      maxData = std::max<DWORD>(maxData, static_cast<DWORD>(q.i64(1)));
    }
  }
  if (lpClass && lpcchClass && *lpcchClass) lpClass[0] = 0;
  if (lpcchClass) *lpcchClass = 0;
  if (lpcSubKeys) *lpcSubKeys = subKeys;
  if (lpcbMaxSubKeyLen) *lpcbMaxSubKeyLen = maxSub;
  if (lpcbMaxClassLen) *lpcbMaxClassLen = 0;
  if (lpcValues) *lpcValues = values;
  if (lpcbMaxValueNameLen) *lpcbMaxValueNameLen = maxName;
  if (lpcbMaxValueLen) *lpcbMaxValueLen = maxData;
  if (lpcbSecurityDescriptor) *lpcbSecurityDescriptor = 0;
  if (lpftLastWriteTime) *lpftLastWriteTime = FILETIME{0, 0};
  return ERROR_SUCCESS;
}

}  // extern "C"
