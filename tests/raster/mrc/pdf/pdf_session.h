// Test support for the PDF reader core: a session that writes a file, opens
// the pool, the file and the core and closes them again; builders of values
// for dictionaries; and reading a stream's data under the error return.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "pdf_writer.h"
#include "raster/mrc/pdf/pdf_value.h"

namespace pdf_test {

// A file path of its own below the test's temporary folder.
std::string temp_path(const std::string& name);

// Pool, file and core opened on the given bytes, closed in reverse order.
class PdfSession {
 public:
  explicit PdfSession(const std::string& bytes, const std::string& name = "session.pdf");
  ~PdfSession();
  PdfSession(const PdfSession&) = delete;
  PdfSession& operator=(const PdfSession&) = delete;

  int32_t pool = 0;   // pdf_pool_create
  int32_t file = 0;   // pdf_file_open
  int32_t begin = 0;  // pdf_core_begin
  std::string path;
};

// A compact text of a value: numbers as printed, strings in parentheses with
// bytes outside printable ASCII as \xNN, names with their slash, "n g R".
std::string describe(const PdfValue* v);

// Values from the current arena; call them inside an entry (pdf_core_run).
PdfValue* I(int32_t v);
PdfValue* Real(float v);
PdfValue* N(const char* name);
PdfValue* A(std::initializer_list<PdfValue*> items);
PdfValue* D(std::initializer_list<std::pair<const char*, PdfValue*>> entries);
// A stream dictionary: /Length and the filter's entries.
PdfList* dictionary_for(const FilterSpec& filter, int64_t length);

// Opens the data of the stream whose keyword "stream" ends at after_keyword,
// with the dictionary the callback builds, and reads it to its end (byte by
// byte when by_byte, else in reads of 1000). Returns the entry's code.
int32_t read_stream_data(int64_t after_keyword, const std::function<PdfList*()>& dictionary, std::string* out,
                         bool by_byte = false);

}  // namespace pdf_test
