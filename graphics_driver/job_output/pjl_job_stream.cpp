// The PJL job stream (see pjl_job_stream.h).
#include "graphics_driver/job_output/pjl_job_stream.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "graphics_driver/core/pdev_settings.h"
#include "graphics_driver/job_output/job_output_stream.h"
#include "graphics_driver/job_output/output_routes.h"
#include "platform/win/win_codepage.h"
#include "platform/win/win_file.h"
#include "platform/win/win_handle.h"
#include "platform/win/win_memory.h"
#include "platform/win/win_names.h"
#include "platform/win/win_registry.h"
#include "platform/win/win_time.h"

namespace {

constexpr size_t kLineBytes = 64;
constexpr size_t kLongLineBytes = 128;
constexpr uint32_t kPieceBytes = 65532;
constexpr char kUel[] = "\x1b%-12345X";
constexpr WORD kNoOutputPaper = 273;
constexpr int kFollowsDocument = 267;
constexpr int kFollowsDocumentAuto = 305;

// Process-wide: the job name of the last header, for the EOJ line.
std::u16string g_jobName;

std::u16string Ascii(const char* text) { return std::u16string(text, text + std::strlen(text)); }

std::string AnsiOf(const std::u16string& wide) {
  if (wide.empty()) return {};
  int n = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(size_t(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), int(wide.size()), out.data(), n, nullptr, nullptr);
  return out;
}

// The longest start of the ANSI text of at most `room` bytes that ends on a
// whole character.
std::string CutAnsi(const std::string& text, size_t room) {
  size_t at = 0;
  while (at < text.size()) {
    const size_t step = IsDBCSLeadByte(BYTE(text[at])) && at + 1 < text.size() ? 2 : 1;
    if (at + step > room) break;
    at += step;
  }
  return text.substr(0, at);
}

// One command line: the prefix and the value (quoted when asked), cut so the
// line with its line feed and terminating zero fits `bufferBytes`.
void WriteLine(PdevState* pdev, const char* prefix, const std::u16string& value, bool quoted,
               size_t bufferBytes = kLineBytes) {
  std::string line = prefix;
  const size_t fixed = line.size() + (quoted ? 2 : 0) + 2;  // quotes, line feed, zero
  const std::string ansi = AnsiOf(value);
  const std::string kept = fixed < bufferBytes ? CutAnsi(ansi, bufferBytes - fixed) : std::string();
  if (quoted) line += '"';
  line += kept;
  if (quoted) line += '"';
  line += '\n';
  WriteJobText(pdev, line.c_str());
}

void WriteLine(PdevState* pdev, const char* text) { WriteLine(pdev, text, u"", false); }

void WriteNumbered(PdevState* pdev, const char* format, int n, const char* value) {
  char line[kLineBytes];
  std::snprintf(line, sizeof line, format, n, value);
  WriteLine(pdev, line);
}

// Size names of the first and the second set of paper codes.
const char* SizeName(int code, bool secondSet) {
  struct Row {
    int code;
    const char* name;
  };
  static const Row kFirst[] = {{257, "JIS_A0"},     {270, "JIS_A1"},     {66, "JIS_A2"},      {8, "JIS_A3"},
                               {9, "JIS_A4"},       {259, "JIS_B1"},     {260, "JIS_B2"},     {261, "JIS_B3"},
                               {12, "JIS_B4"},      {317, "ISO_B1"},     {318, "ISO_B2"},     {319, "ISO_B3"},
                               {42, "ISO_B4"},      {295, "SPECIAL_A0"}, {296, "SPECIAL_A1"}, {297, "SPECIAL_A1"},
                               {298, "SPECIAL_A2"}, {299, "SPECIAL_A2"}, {258, "SPECIAL_A3"}, {268, "SPECIAL_A3"},
                               {315, "ARCH30_E"},   {269, "ARCH_E"},     {293, "ARCH_D"},     {271, "ARCH_C"},
                               {272, "ARCH_B"},     {294, "ARCH_A"},     {26, "ANSI_E"},      {25, "ANSI_D"},
                               {24, "ANSI_C"},      {3, "ANSI_B"},       {1, "ANSI_A"}};
  static const Row kSecond[] = {{274, "JIS_A0"},     {275, "JIS_A1"},     {276, "JIS_A2"},     {277, "JIS_A3"},
                                {278, "JIS_B1"},     {279, "JIS_B2"},     {280, "JIS_B3"},     {281, "JIS_B4"},
                                {320, "ISO_B1"},     {321, "ISO_B2"},     {322, "ISO_B3"},     {323, "ISO_B4"},
                                {282, "SPECIAL_A0"}, {283, "SPECIAL_A1"}, {284, "SPECIAL_A1"}, {285, "SPECIAL_A2"},
                                {286, "SPECIAL_A2"}, {300, "SPECIAL_A3"}, {301, "SPECIAL_A3"}, {316, "ARCH30_E"},
                                {302, "ARCH_E"},     {303, "ARCH_D"},     {304, "ARCH_C"},     {292, "ARCH_B"},
                                {311, "ANSI_E"},     {312, "ANSI_D"},     {313, "ANSI_C"},     {314, "ANSI_B"}};
  if (secondSet) {
    for (const Row& r : kSecond)
      if (r.code == code) return r.name;
  } else {
    for (const Row& r : kFirst)
      if (r.code == code) return r.name;
  }
  return nullptr;
}

// The family of a series of either set (1-7), 0 for none.
int Family(int series) {
  if (series >= 1 && series <= 7) return series;
  if (series >= 11 && series <= 17) return series - 10;
  return 0;
}

const char* const kFamilies[] = {"JISA", "JISB", "ISOB", "SPECIAL", "ARCH30", "ARCH", "ANSI"};

void WriteMode(PdevState* pdev, const char* key, const std::string& value) {
  std::string line = std::string("@PJL DEFAULT ") + key + " = " + value;
  WriteLine(pdev, line.c_str());
}

void WriteInputMode(PdevState* pdev, int outCode, int outSeries, int docSeries) {
  int s = outSeries;
  if (s == 0 && (outCode == kFollowsDocument || outCode == kFollowsDocumentAuto)) s = docSeries;
  if (int f = Family(s)) WriteMode(pdev, "INPUTMODE", std::string("AUTO_") + kFamilies[f - 1]);
}

bool WriteOutputModeByCode(PdevState* pdev, int code) {
  const char* name = SizeName(code, false);
  if (name) WriteMode(pdev, "OUTPUTMODE", name);
  return name != nullptr;
}

void WriteOutputModeAuto(PdevState* pdev, int series) {
  if (series >= 1 && series <= 7) WriteMode(pdev, "OUTPUTMODE", std::string("AUTO_") + kFamilies[series - 1]);
}

void WriteOutputMode(PdevState* pdev, int outCode, int outSeries, int docSeries, int docCode) {
  const bool f = IsFlag470(pdev) != 0;
  const bool scale = IsScalingOn(pdev) != 0;
  if (docSeries >= 1 && docSeries <= 7) {
    const int byCode = outCode == kFollowsDocument ? docCode : outCode;
    if (!f) {
      const int s = outCode != kFollowsDocument ? outSeries : docSeries;
      if (!scale) WriteOutputModeAuto(pdev, s);
      else WriteOutputModeByCode(pdev, byCode);
    } else if (outCode == kFollowsDocumentAuto) {
      WriteOutputModeAuto(pdev, docSeries);
    } else {
      WriteOutputModeByCode(pdev, byCode);
    }
    return;
  }
  if (docSeries != 0 && (docSeries < 11 || docSeries > 17)) return;
  if (WriteOutputModeByCode(pdev, outCode)) return;
  const int s = outCode == kFollowsDocument || outCode == kFollowsDocumentAuto ? docSeries : outSeries;
  if (s >= 11 && s <= 17) WriteMode(pdev, "OUTPUTMODE", std::string(f ? "MIX2_" : "OTHER_") + kFamilies[s - 11]);
}

void WritePaperSizes(PdevState* pdev, int outCode, int outSeries, int docSeries, int docCode) {
  int s = outSeries, c = outCode;
  if (outCode == kFollowsDocument || outCode == kFollowsDocumentAuto) {
    s = docSeries;
    c = docCode;
  }
  const int family = Family(s);
  if (family == 0) return;
  const int m = GetSetting332(pdev);
  if (m == 3) return;
  static const char* const kOne[7][5] = {{"JIS_A0", "JIS_A1", "JIS_A2", "JIS_A3", "JIS_A4"},
                                         {"JIS_B1", "JIS_B1", "JIS_B2", "JIS_B3", "JIS_B4"},
                                         {"ISO_B1", "ISO_B1", "ISO_B2", "ISO_B3", "ISO_B4"},
                                         {"SPECIAL_A0", "SPECIAL_A1", "SPECIAL_A2", "SPECIAL_A3", "SPECIAL_A4"},
                                         {"ARCH30_E", "ARCH30_D", "ARCH30_C", "ARCH30_B", "ARCH30_A"},
                                         {"ARCH_E", "ARCH_D", "ARCH_C", "ARCH_B", "ARCH_A"},
                                         {"ANSI_E", "ANSI_D", "ANSI_C", "ANSI_B", "ANSI_A"}};
  static const char* const kTwo[7][5] = {{"JIS_A0", "JIS_A0", "JIS_A1", "JIS_A2", "JIS_A3"},
                                         {"JIS_B1", "JIS_B1", "JIS_B1", "JIS_B2", "JIS_B3"},
                                         {"ISO_B1", "ISO_B1", "ISO_B1", "ISO_B2", "ISO_B3"},
                                         {"SPECIAL_A0", "SPECIAL_A0", "SPECIAL_A1", "SPECIAL_A2", "SPECIAL_A3"},
                                         {"ARCH30_E", "ARCH30_E", "ARCH30_D", "ARCH30_C", "ARCH30_B"},
                                         {"ARCH_E", "ARCH_E", "ARCH_D", "ARCH_C", "ARCH_B"},
                                         {"ANSI_E", "ANSI_E", "ANSI_D", "ANSI_C", "ANSI_B"}};
  const bool second = s >= 11;
  std::string values[15];
  if (m == 0) {
    const char* name = second && IsScalingOn(pdev) && outCode != kFollowsDocumentAuto ? SizeName(c, true) : nullptr;
    for (auto& v : values) v = name ? name : std::string("AUTO_") + kFamilies[family - 1];
  } else if (second) {
    const char* name = SizeName(c, true);
    if (!name) return;  // no size to name: no lines rather than empty values
    for (auto& v : values) v = name;
  } else {
    // The five values repeat for PAPER6-10 and PAPER11-15.
    const char* const* five = m == 2 ? kTwo[family - 1] : kOne[family - 1];
    for (int n = 0; n < 15; ++n) values[n] = five[n % 5];
  }
  for (int n = 0; n < 15; ++n) WriteNumbered(pdev, "@PJL DEFAULT PAPER%dSIZE = %s", n + 1, values[n].c_str());
}

void WriteLayout(PdevState* pdev) {
  const char* value = nullptr;
  if (IsFlag470(pdev) == 1) value = "AUTO";
  else if (GetPaperKindPair(pdev) != 0 || IsScalingOn(pdev)) value = "0";
  if (!value) return;
  for (int n = 1; n <= 15; ++n) {
    WriteNumbered(pdev, "@PJL DEFAULT IMAGE%dLAYOUTX = %s", n, value);
    WriteNumbered(pdev, "@PJL DEFAULT IMAGE%dLAYOUTY = %s", n, value);
  }
}

std::u16string LabelString(const PdevState* pdev) {
  std::u16string label;
  if (IsLabelTextOn(pdev)) {
    WCHAR text[512] = {};
    CopyLabelText(pdev, text);
    label = text;
  }
  const bool date = IsLabelDateOn(pdev) != 0, time = IsLabelTimeOn(pdev) != 0;
  if (date || time) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char part[32];
    label += u"(";
    if (date) {
      std::snprintf(part, sizeof part, "%02d/%02d/%02d", now.wYear % 100, now.wMonth, now.wDay);
      label += Ascii(part);
      if (time) label += u" ";
    }
    if (time) {
      std::snprintf(part, sizeof part, "%02d:%02d", now.wHour, now.wMinute);
      label += Ascii(part);
    }
    label += u")";
  }
  if (label.size() > 64) label.resize(64);
  return label;
}

void WriteLabel(PdevState* pdev) {
  if (!IsLabelTextOn(pdev) && !IsLabelDateOn(pdev) && !IsLabelTimeOn(pdev)) return;
  switch (GetLabelCorner(pdev)) {
    case 0: WriteLine(pdev, "@PJL DEFAULT LABELCORNER = TOP_LEFT"); break;
    case 1: WriteLine(pdev, "@PJL DEFAULT LABELCORNER = TOP_RIGHT"); break;
    case 2: WriteLine(pdev, "@PJL DEFAULT LABELCORNER = BOTTOM_LEFT"); break;
    default: WriteLine(pdev, "@PJL DEFAULT LABELCORNER = BOTTOM_RIGHT"); break;
  }
  WriteLine(pdev, "@PJL DEFAULT LABELSTRING = ", LabelString(pdev), true, kLongLineBytes);
  WriteLine(pdev, "@PJL DEFAULT LABELLOCX = 5");
  WriteLine(pdev, "@PJL DEFAULT LABELLOCY = 3");
  WriteLine(pdev, "@PJL DEFAULT LABELROTATE = 0");
  WriteLine(pdev, "@PJL DEFAULT LABELFONTWIDTH = 30");
  WriteLine(pdev, "@PJL DEFAULT LABELFONTHEIGHT = 30");
}

// Reverse order counts only for one page per sheet.
bool ReverseOrder(const PdevState* pdev) { return GetNupMode(pdev) == 0 && IsReverseOrder(pdev) == 1; }

bool ReadDefaultUserName(WCHAR* out, DWORD chars) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, bytes = (chars - 1) * sizeof(WCHAR);
  std::memset(out, 0, chars * sizeof(WCHAR));
  const bool ok = RegQueryValueExW(key, u"DefaultUserName", nullptr, &type, reinterpret_cast<BYTE*>(out), &bytes) ==
                      ERROR_SUCCESS &&
                  out[0] != 0;
  RegCloseKey(key);
  out[chars - 1] = 0;
  return ok;
}

}  // namespace

int ValidateOwnerText(const WCHAR* wide, WCHAR* out, int maxBytes, int* error) {
  int code = 1;
  const std::string ansi = wide ? AnsiOf(wide) : std::string();
  bool blank = true, inRange = !ansi.empty();
  for (size_t i = 0; i < ansi.size() && inRange; ++i) {
    const BYTE b = BYTE(ansi[i]);
    if (IsDBCSLeadByte(b)) {
      const BYTE t = i + 1 < ansi.size() ? BYTE(ansi[i + 1]) : 0;
      inRange = b >= 0x81 && b <= 0xFC && t >= 0x40 && t <= 0xFC;
      if (!(b == 0x81 && t == 0x40)) blank = false;
      ++i;
    } else {
      inRange = (b >= 0x20 && b <= 0x7E) || (b >= 0xA1 && b <= 0xDF);
      if (b != 0x20) blank = false;
    }
  }
  if (inRange && !blank) code = int(ansi.size()) > maxBytes ? 2 : 0;
  if (code != 0) {
    if (error) *error = code;
    return 0;
  }
  if (MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, out, maxBytes + 1) <= 0) {
    if (error) *error = 1;
    return 0;
  }
  if (error) *error = 0;
  return 1;
}

int GetJobUserName(WCHAR* out) {
  WCHAR name[65] = {};
  DWORD size = 65;
  std::u16string user;
  if (GetUserNameW(name, &size)) user = name;
  if (user.empty() || user == u"SYSTEM" || user == u"System") {
    if (!ReadDefaultUserName(name, 65)) return -1;
    user = name;
  }
  user.resize(std::min<size_t>(user.size(), 64));
  std::memcpy(out, user.c_str(), (user.size() + 1) * sizeof(WCHAR));
  return 0;
}

void GetJobOwnerName(int maxBytes, WCHAR* out) {
  WCHAR buffer[41] = {};
  DWORD size = 40;
  std::u16string user;
  if (GetUserNameW(buffer, &size)) user = buffer;
  if (user.empty() || user == u"System" || user == u"SYSTEM") {
    WCHAR fallback[41];
    user = ReadDefaultUserName(fallback, 41) ? fallback : u"UnknownUser";
  }
  // A name too long for the check stays: the text is cut below in any case.
  WCHAR checked[300];
  int error = 0;
  if (!ValidateOwnerText(user.c_str(), checked, 298, &error)) user = u"UnknownUser";
  std::u16string text = user;
  if (int(user.size()) < maxBytes) {
    size = 40;
    std::u16string host = GetComputerNameW(buffer, &size) ? std::u16string(buffer) : u"UnknownHost";
    if (!ValidateOwnerText(host.c_str(), checked, 298, &error)) host = u"UnknownHost";
    const size_t room = user.size() < 35 ? 35 - user.size() : 0;
    if (host.size() > room) host.resize(room);
    text = user + u"\\" + host;
  }
  if (int(text.size()) > maxBytes) text.resize(size_t(maxBytes));
  std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(WCHAR));
}

void WritePjlHeader(PdevState* pdev, const WCHAR* jobName) {
  WriteJobText(pdev, (std::string(kUel) + "@PJL\n").c_str());
  g_jobName = jobName ? jobName : u"";
  if (!g_jobName.empty()) WriteLine(pdev, "@PJL JOB NAME = ", g_jobName, true, kLongLineBytes);

  WCHAR owner[300] = {};
  switch (GetOwnerNameSource(pdev)) {
    case 0: GetJobOwnerName(31, owner); break;
    case 1: CopyOwnerName1(pdev, owner); break;
    default: CopyOwnerName2(pdev, owner); break;
  }
  owner[299] = 0;
  WriteLine(pdev, "@PJL DEFAULT OWNER = ", owner, true);

  const WORD outCode = GetOutputPaperSize(pdev);
  if (outCode != kNoOutputPaper) {
    const int outSeries = GetOutputPaperSeries(pdev);
    const int docSeries = GetPaperSeries(pdev);
    const int docCode = GetMappedPaperSize(pdev);
    WriteLine(pdev, "@PJL DEFAULT SCALE = OFF");
    WriteInputMode(pdev, outCode, outSeries, docSeries);
    WriteOutputMode(pdev, outCode, outSeries, docSeries, docCode);
    WritePaperSizes(pdev, outCode, outSeries, docSeries, docCode);
    WriteLayout(pdev);
  }

  const int rotate = GetImageRotateMode(pdev);
  if (rotate != -1)
    for (int n = 1; n <= 15; ++n)
      WriteNumbered(pdev, "@PJL DEFAULT IMAGE%dROTATE = %s", n, rotate == 1 ? "FIRST" : "LAST");

  const bool reverse = ReverseOrder(pdev);
  const bool collate = IsCollateOn(pdev) != 0;
  if (reverse) WriteLine(pdev, "@PJL DEFAULT COLLATIONENABLE = REVERSE");
  else if (collate) WriteLine(pdev, "@PJL DEFAULT COLLATIONENABLE = ON");
  if (reverse && !collate) WriteLine(pdev, "@PJL DEFAULT COPIES = 1");
  else WriteNumbered(pdev, "@PJL DEFAULT COPIES = %d%s", GetCopies(pdev), "");

  switch (GetPjlMediaSource(pdev)) {
    // The accessor answers the source's place in this list.
    case 0: WriteLine(pdev, "@PJL DEFAULT MEDIASOURCE = AUTO"); break;
    case 1: WriteLine(pdev, "@PJL DEFAULT MEDIASOURCE = TRAY1"); break;
    case 2: WriteLine(pdev, "@PJL DEFAULT MEDIASOURCE = TRAY2"); break;
    case 3: WriteLine(pdev, "@PJL DEFAULT MEDIASOURCE = TRAY3"); break;
    case 4: WriteLine(pdev, "@PJL DEFAULT MEDIASOURCE = TRAY4"); break;
    default: WriteLine(pdev, "@PJL DEFAULT MEDIASOURCE = MANUAL_FD"); break;
  }
  switch (GetPjlMediaType(pdev)) {
    case 1: WriteLine(pdev, "@PJL DEFAULT MEDIATYPE = ORDINARY"); break;
    case 2: WriteLine(pdev, "@PJL DEFAULT MEDIATYPE = TRACING"); break;
    case 3: WriteLine(pdev, "@PJL DEFAULT MEDIATYPE = FILM"); break;
    default: break;
  }
  const int program = GetFinishProgram(pdev);
  if (program != 0) WriteNumbered(pdev, "@PJL DEFAULT FINISHPROGID = PROGRAM%d%s", program, "");
  else WriteLine(pdev, "@PJL DEFAULT FINISHPROGID = BYPASS");
  if (program != 0) {
    const int margins = GetFinishMargins(pdev);
    if (margins == 0) WriteLine(pdev, "@PJL DEFAULT FINISHMARGINS = MARGINSOFF");
    else if (margins == 1) WriteLine(pdev, "@PJL DEFAULT FINISHMARGINS = USEPROGRAM");
    const int bin = GetFinishBin(pdev);
    if (bin == 20) WriteLine(pdev, "@PJL DEFAULT FINISHBIN = DONTCARE");
    else if (bin == 21) WriteLine(pdev, "@PJL DEFAULT FINISHBIN = FANFOLD");
    else WriteNumbered(pdev, "@PJL DEFAULT FINISHBIN = BIN_%d%s", bin, "");
  }
  WriteLabel(pdev);
}

void WritePjlEoj(PdevState* pdev) {
  if (!g_jobName.empty()) WriteLine(pdev, "@PJL EOJ NAME = ", g_jobName, true, kLongLineBytes);
}

int StreamTiffFileIntoJob(PdevState* pdev, TiffJobRecord* record) {
  if (!record || record->outputReady == 0) return 0;
  OFSTRUCT of;
  HFILE f = OpenFile(record->outputFile, &of, OF_READ);
  if (f == HFILE_ERROR) return -1;
  HANDLE h = reinterpret_cast<HANDLE>(static_cast<intptr_t>(f));
  const DWORD size = SetFilePointer(h, 0, nullptr, FILE_END);
  if (size == INVALID_SET_FILE_POINTER || SetFilePointer(h, 0, nullptr, FILE_BEGIN) != 0) {
    CloseHandle(h);
    return -1;
  }
  const uint32_t bufferBytes = size < kPieceBytes ? (size ? size : 1) : kPieceBytes;
  auto* buffer = static_cast<BYTE*>(GlobalAlloc(GPTR, bufferBytes));
  if (!buffer) {
    CloseHandle(h);
    return -1;
  }
  const bool pjl = IsPjlOutput(pdev) != 0;
  const bool named = pjl && ReverseOrder(pdev) && !IsCollateOn(pdev);
  const std::u16string fileName = Ascii(("data" + std::to_string(record->pageNumber)).c_str());
  if (pjl) {
    if (named) WriteLine(pdev, "@PJL SET FILENAME = ", fileName, true);
    WriteLine(pdev, "@PJL ENTER LANGUAGE = TIFF6");
  }
  int result = 1;
  for (uint32_t left = size; left > 0 && result == 1;) {
    const uint32_t piece = left < kPieceBytes ? left : kPieceBytes;
    DWORD read = 0;
    // A cut file or a lost piece must not go out as a whole job.
    if (!ReadFile(h, buffer, piece, &read, nullptr) || read != piece) result = -1;
    else if (WriteJobBytes(pdev, piece, buffer) == -1) result = -1;
    left -= piece;
  }
  CloseHandle(h);
  GlobalFree(buffer);
  if (result != 1) return result;
  if (!IsSaveToFileMode(pdev) && !IsPreviewMode(pdev)) {
    OpenFile(record->outputFile, &of, OF_DELETE);
  }
  if (pjl && WriteJobText(pdev, (std::string("\n") + kUel + "\n").c_str()) == -1) return -1;
  const int copies = GetCopies(pdev);
  if (named && copies >= 2)
    for (int i = 1; i < copies; ++i) {
      WriteLine(pdev, "@PJL SET REFERNAME = ", fileName, true);
      WriteLine(pdev, "@PJL ENTER LANGUAGE = TIFF6");
      if (WriteJobText(pdev, (std::string(kUel) + "\n").c_str()) == -1) return -1;
    }
  return 1;
}

int InitJobUserRecord(JobUserRecord* record, DWORD jobId) {
  record->jobId = jobId;
  record->nameHandle = nullptr;
  return 0;
}

int InitJobUserInfo(PdevState* pdev, DWORD jobId) {
  if (!pdev) return -1;
  return InitJobUserRecord(&pdev->jobUser, jobId);
}
