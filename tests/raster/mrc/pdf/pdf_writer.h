// A small PDF writer for the reader's tests: it lays out numbered objects and
// streams (with a chosen filter and decode parameters), classic and stream
// cross-reference sections, object streams and incremental updates, and
// remembers where each object and each stream's data begin.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace pdf_test {

// A filter and its integer decode parameters, e.g. {"FlateDecode",
// {{"Predictor", 12}, {"Columns", 4}}}. An empty name means no filter.
struct FilterSpec {
  std::string name;
  std::vector<std::pair<std::string, int>> parms;
  bool as_array = false;  // write "Filter" as a one-element array

  // The dictionary entries this filter writes ("/Filter ... /DecodeParms ...").
  std::string entries() const;
  // The data encoded with the filter (predictor first, then the filter).
  std::string encode(const std::string& data) const;
};

class PdfWriter {
 public:
  explicit PdfWriter(const std::string& header = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n");
  // Goes on writing an existing file as an incremental update: the next
  // section's "Prev" is last_xref, new objects are numbered from
  // next_number.
  PdfWriter(const std::string& existing, int64_t last_xref, int next_number)
      : out_(existing), next_number_(next_number), last_xref_(last_xref) {
    if (!out_.empty() && out_.back() != '\n') out_ += '\n';
  }

  // A new object number.
  int reserve() { return next_number_++; }
  // Writes "n 0 obj body endobj"; returns the object's offset.
  int64_t put(int number, const std::string& body);
  int add(const std::string& body) {
    int n = reserve();
    put(n, body);
    return n;
  }
  // Writes a stream object with the given extra dictionary entries and data
  // (written as given, with /Length its size unless length_entry is set);
  // after_keyword is the end of line after "stream".
  int add_stream(const std::string& entries, const std::string& data, const std::string& after_keyword = "\n",
                 const std::string& length_entry = "");
  // A stream whose data is `plain` encoded with the filter.
  int add_filtered(const FilterSpec& filter, const std::string& plain, const std::string& entries = "");
  // An object stream holding the given (number, body) objects.
  int add_object_stream(const std::vector<std::pair<int, std::string>>& objects);

  // Ends the section of objects written since the last one with a classic
  // cross-reference table and trailer (with /Size, and /Prev after the first
  // section); returns the section's offset.
  int64_t xref_table(const std::string& trailer_entries);
  // The same as a cross-reference stream.
  int64_t xref_stream(const std::string& trailer_entries);

  // A hybrid section: a cross-reference stream (not in the chain) for the
  // objects inside object streams, then a classic table of the others whose
  // trailer names the stream in "XRefStm".
  int64_t xref_hybrid(const std::string& trailer_entries);

  const std::string& bytes() const { return out_; }
  std::string& bytes() { return out_; }
  // Offset of the last cross-reference section written (-1 for none).
  int64_t last_xref() const { return last_xref_; }
  int64_t offset(int number) const { return offsets_.at(number); }
  // Offset just after the keyword "stream" of a stream object.
  int64_t after_stream_keyword(int number) const { return after_keyword_.at(number); }
  // Offset of the first data byte of a stream object.
  int64_t data_offset(int number) const { return data_.at(number); }
  // Writes the file; false when it cannot be written.
  bool save(const std::string& path) const;

 private:
  std::string out_;
  int next_number_ = 1;
  int64_t last_xref_ = -1;
  std::map<int, int64_t> offsets_;
  std::map<int, int64_t> after_keyword_;
  std::map<int, int64_t> data_;
  std::map<int, std::pair<int, int>> compressed_;  // object -> (object stream, index)
  std::vector<int> section_;                       // objects since the last section

  // The rows of a cross-reference stream for the sorted numbers, W [1 4 2],
  // and its "Index".
  std::string xref_rows(const std::vector<int>& nums, std::string* index);
  std::string classic_rows(const std::vector<int>& nums, bool with_zero);
};

}  // namespace pdf_test
