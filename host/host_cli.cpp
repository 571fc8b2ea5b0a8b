// gdihost's command line: options, reading and checking the document, the
// printer and its libraries, the run, progress and summary, the job file and
// the exit code.
#include "host/host_cli.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/devmode_edit.h"
#include "host/document_player.h"
#include "host/printer_link.h"
#include "host/text_utf.h"
#include "platform/win/machine_root.h"
#include "platform/win/win_msgbox.h"
#include "platform/win/win_path.h"
#include "platform/win/win_seams.h"

namespace pkhost {

namespace {

constexpr const char* kUsage =
    "Usage: gdihost [options] [DOCUMENT]\n"
    "Prints DOCUMENT (the built-in test page when none is given) through the\n"
    "printer's graphics driver and interface library.\n"
    "\n"
    "  -p, --printer NAME    printer (default: the default printer)\n"
    "  -o, --output FILE     write the document's job bytes to FILE\n"
    "      --root DIR        machine root folder\n"
    "  -s, --set ID=VALUE    write a setting of the application's DEVMODE (a number,\n"
    "                        or the text of a text setting)\n"
    "      --margins L,R,T,B append a paper margin record as the interface library does\n"
    "      --printer-set ID=VALUE\n"
    "                        store a printer setting (a number, or the text of a\n"
    "                        text setting) before the run\n"
    "      --no-interface    run without the printer interface library\n"
    "      --driver PATH     graphics driver in place of the printer's\n"
    "      --interface PATH  interface library in place of the printer's\n"
    "      --test-page       print the built-in test page\n"
    "      --trace FILE      write a line per driver call and document event\n"
    "      --answer OK|CANCEL\n"
    "                        the answer to every message box of the run (each\n"
    "                        box shown goes to the trace)\n"
    "  -q                    no progress and no summary\n"
    "      --help            this text\n"
    "      --version         the program's version\n"
    "\n"
    "Exit codes: 0 printed; 1 printed, but drawing calls failed or were lost\n"
    "(listed); 2 usage; 3 bad document or image; 4 printer or driver not set up;\n"
    "5 job failed and aborted.\n";

// --answer: the answer of every message box, and the box in the trace.
struct BoxAnswer {
  RunLog* log = nullptr;
  bool cancel = false;
  bool given = false;
};

int AnswerBox(const pk::seams::MessageBoxCall& call, void* context) {
  auto* a = static_cast<BoxAnswer*>(context);
  a->log->Trace("MessageBox \"" + Utf16ToUtf8(call.caption) + "\" \"" + Utf16ToUtf8(call.text) + "\"");
  if (!a->given) return 0;
  switch (call.style & 0xF) {
    case MB_OKCANCEL: return a->cancel ? IDCANCEL : IDOK;
    case MB_RETRYCANCEL: return a->cancel ? IDCANCEL : IDRETRY;
    case MB_YESNO: return a->cancel ? IDNO : IDYES;
    case MB_YESNOCANCEL: return a->cancel ? IDCANCEL : IDYES;
    default: return IDOK;  // a box with one button
  }
}

// ID=TEXT of a text setting: false when the id is no number in range.
bool ParseTextSetting(const std::string& v, std::pair<int, std::string>* out) {
  char* end = nullptr;
  const size_t eq = v.find('=');
  const long id = std::strtol(v.c_str(), &end, 10);
  if (eq == std::string::npos || end != v.c_str() + eq || id < 1 || id > 0xFFFF) return false;
  *out = {int(id), v.substr(eq + 1)};
  return true;
}

struct Options {
  std::string printer, output, root, document, trace, driver, interface;
  std::vector<std::pair<int, std::string>> printerTextSettings;
  bool answerGiven = false;
  bool answerCancel = false;
  std::vector<std::pair<int, long long>> settings;
  std::vector<std::pair<int, std::string>> textSettings;  // as given, applied after the numbers
  std::vector<std::pair<int, long long>> printerSettings;
  bool margins = false;
  int marginValues[4] = {0, 0, 0, 0};
  bool noInterface = false;
  bool quiet = false;
};

// A library path as given: a Windows path, or a host path inside the root.
bool LibraryPath(const std::string& given, std::u16string* out) {
  if (!given.empty() && given[0] == '/') {
    std::string abs = std::filesystem::absolute(given).lexically_normal().string();
    return PkWindowsPathFromHost(abs, out);
  }
  *out = Utf8ToUtf16(given);
  return true;
}

// Pages a document opens: each `page`, and the first drawing with no page open.
int CountPages(const Document& doc) {
  int pages = 0;
  bool open = false;
  for (const Statement& st : doc.statements) {
    switch (st.kind) {
      case Statement::Page:
        ++pages;
        open = true;
        break;
      case Statement::ResetDc: open = false; break;
      case Statement::Text:
      case Statement::Rect:
      case Statement::Ellipse:
      case Statement::Polygon:
      case Statement::Line:
      case Statement::Path:
      case Statement::Image:
        if (!open) ++pages;
        open = true;
        break;
      default: break;
    }
  }
  return pages;
}

}  // namespace

int RunHost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool stderrIsTerminal) {
  Options o;
  bool haveDocument = false;
  auto usage = [&](const std::string& why) {
    err << "gdihost: " << why << "\nTry 'gdihost --help'.\n";
    return kExitUsage;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= args.size()) return false;
      *v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help") {
      out << kUsage;
      return kExitPrinted;
    } else if (a == "--version") {
      out << "gdihost 1.0\n";
      return kExitPrinted;
    } else if (a == "-p" || a == "--printer") {
      if (!value(&o.printer)) return usage(a + " needs a printer name");
    } else if (a == "-o" || a == "--output") {
      if (!value(&o.output)) return usage(a + " needs a file");
    } else if (a == "--root") {
      if (!value(&o.root)) return usage(a + " needs a folder");
    } else if (a == "-s" || a == "--set") {
      std::pair<int, long long> s;
      if (!value(&v)) return usage(a + " needs ID=VALUE");
      if (ParseSetting(v, &s)) {
        o.settings.push_back(s);
      } else {
        // A text setting: ID=TEXT.
        std::pair<int, std::string> t;
        if (!ParseTextSetting(v, &t)) return usage(a + " needs ID=VALUE");
        o.textSettings.push_back(t);
      }
    } else if (a == "--printer-set") {
      std::pair<int, long long> s;
      std::pair<int, std::string> t;
      if (!value(&v)) return usage(a + " needs ID=VALUE");
      if (ParseSetting(v, &s)) o.printerSettings.push_back(s);
      else if (ParseTextSetting(v, &t)) o.printerTextSettings.push_back(t);
      else return usage(a + " needs ID=VALUE");
    } else if (a == "--answer") {
      if (!value(&v) || (v != "OK" && v != "CANCEL")) return usage("--answer needs OK or CANCEL");
      o.answerGiven = true;
      o.answerCancel = v == "CANCEL";
    } else if (a == "--margins") {
      int* m = o.marginValues;
      char tail = 0;
      if (!value(&v) || std::sscanf(v.c_str(), "%d,%d,%d,%d%c", &m[0], &m[1], &m[2], &m[3], &tail) != 4)
        return usage("--margins needs L,R,T,B");
      o.margins = true;
    } else if (a == "--no-interface") {
      o.noInterface = true;
    } else if (a == "--driver") {
      if (!value(&o.driver)) return usage(a + " needs a path");
    } else if (a == "--interface") {
      if (!value(&o.interface)) return usage(a + " needs a path");
    } else if (a == "--trace") {
      if (!value(&o.trace)) return usage(a + " needs a file");
    } else if (a == "--test-page") {
      haveDocument = false;
      o.document.clear();
    } else if (a == "-q") {
      o.quiet = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return usage("unknown option " + a);
    } else {
      if (haveDocument) return usage("only one document can be printed");
      o.document = a;
      haveDocument = true;
    }
  }
  if (!o.root.empty()) PkSetMachineRoot(o.root.c_str());

  // The document is read and checked in full before any printer is touched.
  Document doc;
  if (haveDocument) {
    std::ifstream f(o.document, std::ios::binary);
    if (!f) {
      err << "gdihost: cannot read " << o.document << "\n";
      return kExitBadDocument;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    std::string text = ss.str();
    if (text.size() > (16u << 20)) {
      err << "gdihost: " << o.document << ": too large\n";
      return kExitBadDocument;
    }
    std::string error;
    std::string base = std::filesystem::path(o.document).parent_path().string();
    if (!ParseDocument(text, o.document, base, &doc, &error)) {
      err << error << "\n";
      return kExitBadDocument;
    }
  }

  OpenedPrinter printer;
  std::string error;
  if (!OpenPrinterForHost(Utf8ToUtf16(o.printer), &printer, &error)) {
    err << "gdihost: " << error << "\n";
    return kExitNotSetUp;
  }
  struct Closer {
    OpenedPrinter* p;
    ~Closer() { ClosePrinterForHost(p); }
  } closer{&printer};
  if (!haveDocument) doc = TestPageDocument(printer.name);

  // The application's DEVMODE: the printer's default with the settings asked for.
  std::vector<uint8_t> devMode = printer.devMode;
  for (const auto& [id, value] : o.settings) {
    std::string textError;
    // Digits given for a text setting are its text.
    if (!ApplySetting(devMode, id, value, &error) && !ApplyTextSetting(devMode, id, std::to_string(value), &textError))
      return usage("--set " + std::to_string(id) + ": " + error);
  }
  for (const auto& [id, text] : o.textSettings)
    if (!ApplyTextSetting(devMode, id, text, &error)) return usage("--set " + std::to_string(id) + ": " + error);
  if (o.margins && !AppendPaperMargins(devMode, o.marginValues, &error)) return usage("--margins: " + error);
  for (const auto& [id, value] : o.printerSettings)
    if (!StorePrinterSetting(printer.handle, devMode, id, value, &error))
      return usage("--printer-set " + std::to_string(id) + ": " + error);
  for (const auto& [id, text] : o.printerTextSettings)
    if (!StorePrinterTextSetting(printer.handle, devMode, id, text, &error))
      return usage("--printer-set " + std::to_string(id) + ": " + error);
  // Settings of resetdc statements are checked now, on a copy.
  for (const Statement& st : doc.statements)
    for (const auto& [id, value] : st.settings) {
      std::vector<uint8_t> copy = devMode;
      if (!ApplySetting(copy, id, value, &error)) {
        err << o.document << ":" << st.line << ":1: " << error << "\n";
        return kExitBadDocument;
      }
    }

  PrinterSetup setup;
  setup.printerName = printer.name;
  setup.hPrinter = printer.handle;
  setup.devMode = devMode;
  setup.driverPath = printer.driverPath;
  setup.interfacePath = o.noInterface ? std::u16string() : printer.interfacePath;
  if (!o.driver.empty() && !LibraryPath(o.driver, &setup.driverPath)) {
    err << "gdihost: the driver " << o.driver << " is outside the machine root\n";
    return kExitNotSetUp;
  }
  if (!o.noInterface && !o.interface.empty() && !LibraryPath(o.interface, &setup.interfacePath)) {
    err << "gdihost: the interface library " << o.interface << " is outside the machine root\n";
    return kExitNotSetUp;
  }

  RunLog log;
  if (!o.trace.empty() && !log.OpenTraceFile(o.trace)) {
    err << "gdihost: cannot write the trace file " << o.trace << "\n";
    return kExitUsage;
  }
  BoxAnswer boxes{&log, o.answerCancel, o.answerGiven};
  pk::seams::SetMessageBoxHandler(&AnswerBox, &boxes);
  struct HandlerReset {
    ~HandlerReset() { pk::seams::SetMessageBoxHandler(nullptr, nullptr); }
  } handlerReset;
  DWORD lastJob = LastJobId();
  SpoolerJob job(printer.handle);
  PlayResult result = PlayResult::Failed;
  int pagesSent = 0;
  {
    PrintSession session(log, &job);
    const int total = CountPages(doc);
    bool progress = stderrIsTerminal && !o.quiet;
    session.SetPageListener([&](int page, int bands) {
      if (!progress) return;
      err << "page " << page;
      if (page <= total) err << " of " << total;
      err << ": " << bands << (bands == 1 ? " band" : " bands") << "\n";
    });
    if (!session.CreateDc(setup, &error)) {
      err << "gdihost: " << error << "\n";
      return kExitNotSetUp;
    }
    result = PlayDocument(doc, session, devMode, log);
    pagesSent = session.pagesSent();
    session.DeleteDc();
  }
  ClosePrinterForHost(&printer);

  for (const auto& f : log.failures()) err << "gdihost: " << f << "\n";
  for (const auto& w : log.warnings()) err << "gdihost: warning: " << w << "\n";
  std::string name = Utf16ToUtf8(doc.name), printerName = Utf16ToUtf8(printer.name);
  if (result == PlayResult::Failed) {
    if (!o.quiet) err << "gdihost: \"" << name << "\" on " << printerName << " failed; the job was aborted\n";
    return kExitJobFailed;
  }
  if (result == PlayResult::AbortedByDocument) {
    if (!o.quiet) err << "gdihost: \"" << name << "\" on " << printerName << " was aborted by the document\n";
    return kExitPrinted;
  }
  if (!o.output.empty()) {
    std::string bytes;
    if (!CollectJobBytes(lastJob, &bytes, &error)) {
      err << "gdihost: " << error << "\n";
      return kExitJobFailed;
    }
    // Written under a temporary name, then renamed: a reader never sees half a job.
    std::string temp = o.output + ".part";
    {
      std::ofstream f(temp, std::ios::binary | std::ios::trunc);
      f << bytes;
      f.flush();
      if (!f) {
        err << "gdihost: cannot write " << o.output << "\n";
        std::remove(temp.c_str());
        return kExitJobFailed;
      }
    }
    if (std::rename(temp.c_str(), o.output.c_str()) != 0) {
      err << "gdihost: cannot write " << o.output << "\n";
      std::remove(temp.c_str());
      return kExitJobFailed;
    }
  }
  size_t problems = log.failures().size() + log.warnings().size();
  if (!o.quiet)
    err << "gdihost: printed " << pagesSent << (pagesSent == 1 ? " page" : " pages") << " of \"" << name << "\" on "
        << printerName << (problems ? ", with " + std::to_string(problems) + " problems listed above" : "") << "\n";
  return problems ? kExitPrintedWithProblems : kExitPrinted;
}

int RunHostMain(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return RunHost(args, std::cout, std::cerr, isatty(STDERR_FILENO) != 0);
  } catch (const std::exception& e) {
    std::cerr << "gdihost: " << e.what() << "\n";
  } catch (...) {
    std::cerr << "gdihost: unexpected failure\n";
  }
  return kExitJobFailed;
}

}  // namespace pkhost
