// The spooler's forms: the built-in set, one for each paper-size code 1 to
// 118 at the position of its code, then the forms users added.
#include <cstring>
#include <iterator>

#include "platform/spooler/spooler_internal.h"
#include "platform/win/machine_db.h"
#include "platform/win/name_text.h"

namespace pk::spooler {
namespace {

struct BuiltinForm {
  const char16_t* name;
  double width;  // in the unit below
  double height;
  bool inches;  // else millimetres
};

// Position n is paper-size code n. Codes 48 and 49 name no paper; their
// positions hold placeholders so that the later positions keep their codes.
const BuiltinForm kBuiltinForms[] = {
    {u"Letter", 8.5, 11, true},  // 1
    {u"Letter Small", 8.5, 11, true},
    {u"Tabloid", 11, 17, true},
    {u"Ledger", 17, 11, true},
    {u"Legal", 8.5, 14, true},  // 5
    {u"Statement", 5.5, 8.5, true},
    {u"Executive", 7.25, 10.5, true},
    {u"A3", 297, 420, false},
    {u"A4", 210, 297, false},
    {u"A4 Small", 210, 297, false},  // 10
    {u"A5", 148, 210, false},
    {u"B4 (JIS)", 257, 364, false},
    {u"B5 (JIS)", 182, 257, false},
    {u"Folio", 8.5, 13, true},
    {u"Quarto", 215, 275, false},  // 15
    {u"10x14", 10, 14, true},
    {u"11x17", 11, 17, true},
    {u"Note", 8.5, 11, true},
    {u"Envelope #9", 3.875, 8.875, true},
    {u"Envelope #10", 4.125, 9.5, true},  // 20
    {u"Envelope #11", 4.5, 10.375, true},
    {u"Envelope #12", 4.75, 11, true},
    {u"Envelope #14", 5, 11.5, true},
    {u"C size sheet", 17, 22, true},
    {u"D size sheet", 22, 34, true},  // 25
    {u"E size sheet", 34, 44, true},
    {u"Envelope DL", 110, 220, false},
    {u"Envelope C5", 162, 229, false},
    {u"Envelope C3", 324, 458, false},
    {u"Envelope C4", 229, 324, false},  // 30
    {u"Envelope C6", 114, 162, false},
    {u"Envelope C65", 114, 229, false},
    {u"Envelope B4", 250, 353, false},
    {u"Envelope B5", 176, 250, false},
    {u"Envelope B6", 176, 125, false},  // 35
    {u"Envelope", 110, 230, false},
    {u"Envelope Monarch", 3.875, 7.5, true},
    {u"6 3/4 Envelope", 3.625, 6.5, true},
    {u"US Std Fanfold", 14.875, 11, true},
    {u"German Std Fanfold", 8.5, 12, true},  // 40
    {u"German Legal Fanfold", 8.5, 13, true},
    {u"B4 (ISO)", 250, 353, false},
    {u"Japanese Postcard", 100, 148, false},
    {u"9x11", 9, 11, true},
    {u"10x11", 10, 11, true},  // 45
    {u"15x11", 15, 11, true},
    {u"Envelope Invite", 220, 220, false},
    {u"Reserved48", 1, 1, false},
    {u"Reserved49", 1, 1, false},
    {u"Letter Extra", 9.5, 12, true},  // 50
    {u"Legal Extra", 9.5, 15, true},
    {u"Tabloid Extra", 11.69, 18, true},
    {u"A4 Extra", 235, 322, false},
    {u"Letter Transverse", 8.5, 11, true},
    {u"A4 Transverse", 210, 297, false},  // 55
    {u"Letter Extra Transverse", 9.5, 12, true},
    {u"Super A", 227, 356, false},
    {u"Super B", 305, 487, false},
    {u"Letter Plus", 8.5, 12.69, true},
    {u"A4 Plus", 210, 330, false},  // 60
    {u"A5 Transverse", 148, 210, false},
    {u"B5 (JIS) Transverse", 182, 257, false},
    {u"A3 Extra", 322, 445, false},
    {u"A5 Extra", 174, 235, false},
    {u"B5 (ISO) Extra", 201, 276, false},  // 65
    {u"A2", 420, 594, false},
    {u"A3 Transverse", 297, 420, false},
    {u"A3 Extra Transverse", 322, 445, false},
    {u"Japanese Double Postcard", 200, 148, false},
    {u"A6", 105, 148, false},  // 70
    {u"Japanese Envelope Kaku #2", 240, 332, false},
    {u"Japanese Envelope Kaku #3", 216, 277, false},
    {u"Japanese Envelope Chou #3", 120, 235, false},
    {u"Japanese Envelope Chou #4", 90, 205, false},
    {u"Letter Rotated", 11, 8.5, true},  // 75
    {u"A3 Rotated", 420, 297, false},
    {u"A4 Rotated", 297, 210, false},
    {u"A5 Rotated", 210, 148, false},
    {u"B4 (JIS) Rotated", 364, 257, false},
    {u"B5 (JIS) Rotated", 257, 182, false},  // 80
    {u"Japanese Postcard Rotated", 148, 100, false},
    {u"Double Japan Postcard Rotated", 148, 200, false},
    {u"A6 Rotated", 148, 105, false},
    {u"Japanese Envelope Kaku #2 Rotated", 332, 240, false},
    {u"Japanese Envelope Kaku #3 Rotated", 277, 216, false},  // 85
    {u"Japanese Envelope Chou #3 Rotated", 235, 120, false},
    {u"Japanese Envelope Chou #4 Rotated", 205, 90, false},
    {u"B6 (JIS)", 128, 182, false},
    {u"B6 (JIS) Rotated", 182, 128, false},
    {u"12x11", 12, 11, true},  // 90
    {u"Japanese Envelope You #4", 105, 235, false},
    {u"Japanese Envelope You #4 Rotated", 235, 105, false},
    {u"PRC 16K", 146, 215, false},
    {u"PRC 32K", 97, 151, false},
    {u"PRC 32K(Big)", 97, 151, false},  // 95
    {u"PRC Envelope #1", 102, 165, false},
    {u"PRC Envelope #2", 102, 176, false},
    {u"PRC Envelope #3", 125, 176, false},
    {u"PRC Envelope #4", 110, 208, false},
    {u"PRC Envelope #5", 110, 220, false},  // 100
    {u"PRC Envelope #6", 120, 230, false},
    {u"PRC Envelope #7", 160, 230, false},
    {u"PRC Envelope #8", 120, 309, false},
    {u"PRC Envelope #9", 229, 324, false},
    {u"PRC Envelope #10", 324, 458, false},  // 105
    {u"PRC 16K Rotated", 215, 146, false},
    {u"PRC 32K Rotated", 151, 97, false},
    {u"PRC 32K(Big) Rotated", 151, 97, false},
    {u"PRC Envelope #1 Rotated", 165, 102, false},
    {u"PRC Envelope #2 Rotated", 176, 102, false},  // 110
    {u"PRC Envelope #3 Rotated", 176, 125, false},
    {u"PRC Envelope #4 Rotated", 208, 110, false},
    {u"PRC Envelope #5 Rotated", 220, 110, false},
    {u"PRC Envelope #6 Rotated", 230, 120, false},
    {u"PRC Envelope #7 Rotated", 230, 160, false},  // 115
    {u"PRC Envelope #8 Rotated", 309, 120, false},
    {u"PRC Envelope #9 Rotated", 324, 229, false},
    {u"PRC Envelope #10 Rotated", 458, 324, false},  // 118
};
static_assert(std::size(kBuiltinForms) == 118);

struct Form {
  DWORD flags = FORM_USER;
  std::u16string name;
  LONG cx = 0, cy = 0;
  RECTL area{};
};

LONG Micrometres(double value, bool inches) { return static_cast<LONG>(value * (inches ? 25400.0 : 1000.0) + 0.5); }

Form Builtin(size_t i) {
  const BuiltinForm& b = kBuiltinForms[i];
  Form f;
  f.flags = FORM_BUILTIN;
  f.name = b.name;
  f.cx = Micrometres(b.width, b.inches);
  f.cy = Micrometres(b.height, b.inches);
  f.area = {0, 0, f.cx, f.cy};
  return f;
}

std::vector<Form> UserForms(sqlite3* db, const std::string* only) {
  Statement st(db, only ? "SELECT flags, name, cx, cy, left, top, right, bottom FROM spl_forms WHERE fold = ?1"
                        : "SELECT flags, name, cx, cy, left, top, right, bottom FROM spl_forms ORDER BY id");
  if (only) st.bind(1, *only);
  std::vector<Form> forms;
  while (st.step() == SQLITE_ROW) {
    Form f;
    f.flags = static_cast<DWORD>(st.integer(0));
    f.name = st.text(1);
    f.cx = static_cast<LONG>(st.integer(2));
    f.cy = static_cast<LONG>(st.integer(3));
    f.area = {static_cast<LONG>(st.integer(4)), static_cast<LONG>(st.integer(5)), static_cast<LONG>(st.integer(6)),
              static_cast<LONG>(st.integer(7))};
    forms.push_back(std::move(f));
  }
  return forms;
}

// The built-in form of a name, or -1.
int BuiltinIndex(const std::string& key) {
  for (size_t i = 0; i < std::size(kBuiltinForms); ++i)
    if (NameKey(kBuiltinForms[i].name) == key) return static_cast<int>(i);
  return -1;
}

void AddFormRecord(BlockBuilder& b, size_t i, const Form& f) {
  FORM_INFO_1W rec{};
  rec.Flags = f.flags;
  rec.Size = {f.cx, f.cy};
  rec.ImageableArea = f.area;
  b.setRecord(i, &rec);
  b.setText(i, offsetof(FORM_INFO_1W, pName), f.name);
}

}  // namespace
}  // namespace pk::spooler

using namespace pk::spooler;

extern "C" {

BOOL EnumFormsW(HANDLE hPrinter, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded, LPDWORD pcReturned) {
  if (!LookupPrinter(hPrinter)) return FALSE;
  if (!pcbNeeded || !pcReturned) return Fail(ERROR_INVALID_PARAMETER);
  *pcReturned = 0;
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (DWORD error = SeamEnumFormsError()) return Fail(error);
  std::vector<Form> forms;
  for (size_t i = 0; i < std::size(kBuiltinForms); ++i) forms.push_back(Builtin(i));
  {
    PkMachineDbTransaction tx(false);
    if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
    for (auto& f : UserForms(tx.db(), nullptr)) forms.push_back(std::move(f));
  }
  BlockBuilder b(forms.size(), sizeof(FORM_INFO_1W));
  for (size_t i = 0; i < forms.size(); ++i) AddFormRecord(b, i, forms[i]);
  if (!b.deliver(pForm, cbBuf, pcbNeeded)) return FALSE;
  *pcReturned = static_cast<DWORD>(forms.size());
  return TRUE;
}

BOOL GetFormW(HANDLE hPrinter, LPCWSTR pFormName, DWORD Level, LPBYTE pForm, DWORD cbBuf, LPDWORD pcbNeeded) {
  if (!LookupPrinter(hPrinter)) return FALSE;
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  std::u16string_view name = pk::WideView(pFormName);
  if (name.empty()) return Fail(ERROR_INVALID_FORM_NAME);
  std::string key = NameKey(name);
  Form form;
  int builtin = BuiltinIndex(key);
  if (builtin >= 0) {
    form = Builtin(static_cast<size_t>(builtin));
  } else {
    PkMachineDbTransaction tx(false);
    if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
    std::vector<Form> found = UserForms(tx.db(), &key);
    if (found.empty()) return Fail(ERROR_INVALID_FORM_NAME);
    form = found.front();
  }
  BlockBuilder b(1, sizeof(FORM_INFO_1W));
  AddFormRecord(b, 0, form);
  return b.deliver(pForm, cbBuf, pcbNeeded);
}

BOOL AddFormW(HANDLE hPrinter, DWORD Level, const BYTE* pForm) {
  if (!LookupPrinter(hPrinter)) return FALSE;
  if (Level != 1) return Fail(ERROR_INVALID_LEVEL);
  if (!pForm) return Fail(ERROR_INVALID_PARAMETER);
  FORM_INFO_1W in;
  std::memcpy(&in, pForm, sizeof in);
  std::u16string_view name = pk::WideView(in.pName);
  if (name.empty()) return Fail(ERROR_INVALID_FORM_NAME);
  if (in.Size.cx <= 0 || in.Size.cy <= 0) return Fail(ERROR_INVALID_FORM_SIZE);
  if (!SeamUserIsAdministrator()) return Fail(ERROR_ACCESS_DENIED);
  std::string key = NameKey(name);
  if (BuiltinIndex(key) >= 0) return Fail(ERROR_FILE_EXISTS);
  PkMachineDbTransaction tx(true);
  if (!tx.ok()) return Fail(ERROR_GEN_FAILURE);
  if (!UserForms(tx.db(), &key).empty()) return Fail(ERROR_FILE_EXISTS);
  // A user's form is always FORM_USER; its imageable area is kept as given.
  Statement st(tx.db(),
               "INSERT INTO spl_forms(name, fold, flags, cx, cy, left, top, right, bottom)"
               " VALUES(?1,?2,?3,?4,?5,?6,?7,?8,?9)");
  st.bind(1, std::u16string(name)).bind(2, key).bind(3, FORM_USER).bind(4, in.Size.cx).bind(5, in.Size.cy);
  st.bind(6, in.ImageableArea.left).bind(7, in.ImageableArea.top).bind(8, in.ImageableArea.right);
  st.bind(9, in.ImageableArea.bottom);
  if (st.step() != SQLITE_DONE || !tx.commit()) return Fail(ERROR_GEN_FAILURE);
  return TRUE;
}

}  // extern "C"
