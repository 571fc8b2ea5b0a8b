// The test PDF writer.
#include "pdf_writer.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

#include "pdf_encoders.h"

namespace pdf_test {

namespace {

int parm(const FilterSpec& f, const std::string& key, int fallback) {
  for (const auto& [k, v] : f.parms) {
    if (k == key) return v;
  }
  return fallback;
}

}  // namespace

std::string FilterSpec::entries() const {
  if (name.empty()) return "";
  std::string s = as_array ? " /Filter [/" + name + "]" : " /Filter /" + name;
  if (!parms.empty()) {
    s += " /DecodeParms <<";
    for (const auto& [k, v] : parms) s += " /" + k + " " + std::to_string(v);
    s += " >>";
  }
  return s;
}

std::string FilterSpec::encode(const std::string& data) const {
  std::string d = data;
  int predictor = parm(*this, "Predictor", 1);
  int colors = parm(*this, "Colors", 1), bits = parm(*this, "BitsPerComponent", 8);
  int columns = parm(*this, "Columns", 1);
  int row = (bits * colors * columns + 7) / 8;
  if (predictor == 2) d = tiff_predict(d, row, colors);
  if (predictor >= 10)
    d = png_predict(d, row, std::max(1, (colors * bits + 7) / 8), predictor == 15 ? -1 : predictor - 10);
  if (name == "ASCIIHexDecode") return hex_encode(d);
  if (name == "ASCII85Decode") return ascii85_encode(d);
  if (name == "RunLengthDecode") return run_length_encode(d);
  if (name == "LZWDecode") return lzw_encode(d);
  if (name == "FlateDecode") return flate_encode(d);
  return d;
}

PdfWriter::PdfWriter(const std::string& header) : out_(header) {}

int64_t PdfWriter::put(int number, const std::string& body) {
  int64_t at = int64_t(out_.size());
  offsets_[number] = at;
  section_.push_back(number);
  out_ += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  return at;
}

int PdfWriter::add_stream(const std::string& entries, const std::string& data, const std::string& after_keyword,
                          const std::string& length_entry) {
  int n = reserve();
  offsets_[n] = int64_t(out_.size());
  section_.push_back(n);
  std::string length = length_entry.empty() ? " /Length " + std::to_string(data.size()) : length_entry;
  out_ += std::to_string(n) + " 0 obj\n<<" + length + entries + " >>\nstream";
  after_keyword_[n] = int64_t(out_.size());
  out_ += after_keyword;
  data_[n] = int64_t(out_.size());
  out_ += data + "\nendstream\nendobj\n";
  return n;
}

int PdfWriter::add_filtered(const FilterSpec& filter, const std::string& plain, const std::string& entries) {
  return add_stream(filter.entries() + entries, filter.encode(plain));
}

int PdfWriter::add_object_stream(const std::vector<std::pair<int, std::string>>& objects) {
  std::string head, body;
  int number = next_number_;
  for (size_t i = 0; i < objects.size(); ++i) {
    head += std::to_string(objects[i].first) + " " + std::to_string(body.size()) + " ";
    body += objects[i].second + "\n";
    compressed_[objects[i].first] = {number, int(i)};
  }
  std::string entries =
      " /Type /ObjStm /N " + std::to_string(objects.size()) + " /First " + std::to_string(head.size());
  int n = add_stream(entries, head + body);
  for (const auto& o : objects) {
    section_.push_back(o.first);
    next_number_ = std::max(next_number_, o.first + 1);
  }
  return n;
}

std::string PdfWriter::classic_rows(const std::vector<int>& nums, bool with_zero) {
  std::string s = "xref\n";
  if (with_zero) s += "0 1\n0000000000 65535 f\r\n";
  for (size_t i = 0; i < nums.size();) {
    size_t j = i;
    while (j + 1 < nums.size() && nums[j + 1] == nums[j] + 1) ++j;
    s += std::to_string(nums[i]) + " " + std::to_string(j - i + 1) + "\n";
    for (size_t k = i; k <= j; ++k) {
      char line[32];
      std::snprintf(line, sizeof line, "%010lld 00000 n\r\n", static_cast<long long>(offsets_.at(nums[k])));
      s += line;
    }
    i = j + 1;
  }
  return s;
}

int64_t PdfWriter::xref_table(const std::string& trailer_entries) {
  int64_t at = int64_t(out_.size());
  std::vector<int> nums = section_;
  std::sort(nums.begin(), nums.end());
  std::string s = classic_rows(nums, last_xref_ < 0);
  s += "trailer\n<< /Size " + std::to_string(next_number_) + trailer_entries;
  if (last_xref_ >= 0) s += " /Prev " + std::to_string(last_xref_);
  s += " >>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
  out_ += s;
  last_xref_ = at;
  section_.clear();
  return at;
}

std::string PdfWriter::xref_rows(const std::vector<int>& nums, std::string* index) {
  std::string rows;
  for (size_t i = 0; i < nums.size();) {
    size_t j = i;
    while (j + 1 < nums.size() && nums[j + 1] == nums[j] + 1) ++j;
    *index += " " + std::to_string(nums[i]) + " " + std::to_string(j - i + 1);
    for (size_t k = i; k <= j; ++k) {
      int n = nums[k];
      uint32_t type = 1, f2 = 0, f3 = 0;
      if (n == 0) {
        type = 0, f3 = 65535;
      } else if (compressed_.count(n) && !offsets_.count(n)) {
        type = 2, f2 = uint32_t(compressed_[n].first), f3 = uint32_t(compressed_[n].second);
      } else {
        f2 = uint32_t(offsets_.at(n));
      }
      rows += char(type);
      for (int b = 3; b >= 0; --b) rows += char(f2 >> (8 * b));
      rows += char(f3 >> 8);
      rows += char(f3);
    }
    i = j + 1;
  }
  return rows;
}

int64_t PdfWriter::xref_stream(const std::string& trailer_entries) {
  int self = reserve();
  std::vector<int> nums = section_;
  nums.push_back(self);
  if (last_xref_ < 0) nums.push_back(0);
  std::sort(nums.begin(), nums.end());
  int64_t at = int64_t(out_.size());
  offsets_[self] = at;
  std::string index;
  std::string rows = xref_rows(nums, &index);
  std::string entries =
      " /Type /XRef /Size " + std::to_string(next_number_) + " /W [1 4 2] /Index [" + index + " ]" + trailer_entries;
  if (last_xref_ >= 0) entries += " /Prev " + std::to_string(last_xref_);
  std::string z = flate_encode(rows);
  section_.clear();
  out_ += std::to_string(self) + " 0 obj\n<< /Length " + std::to_string(z.size()) + " /Filter /FlateDecode" + entries +
          " >>\nstream\n" + z + "\nendstream\nendobj\n";
  out_ += "startxref\n" + std::to_string(at) + "\n%%EOF\n";
  last_xref_ = at;
  return at;
}

int64_t PdfWriter::xref_hybrid(const std::string& trailer_entries) {
  std::vector<int> inside, direct;
  for (int n : section_) (compressed_.count(n) && !offsets_.count(n) ? inside : direct).push_back(n);
  std::sort(inside.begin(), inside.end());
  std::sort(direct.begin(), direct.end());
  int self = reserve();
  int64_t stm = int64_t(out_.size());
  offsets_[self] = stm;
  direct.push_back(self);
  std::string index;
  std::string rows = xref_rows(inside, &index);
  out_ += std::to_string(self) + " 0 obj\n<< /Length " + std::to_string(rows.size()) + " /Type /XRef /Size " +
          std::to_string(next_number_) + " /W [1 4 2] /Index [" + index + " ] >>\nstream\n" + rows +
          "\nendstream\nendobj\n";
  int64_t at = int64_t(out_.size());
  std::string s = classic_rows(direct, last_xref_ < 0);
  s += "trailer\n<< /Size " + std::to_string(next_number_) + trailer_entries + " /XRefStm " + std::to_string(stm);
  if (last_xref_ >= 0) s += " /Prev " + std::to_string(last_xref_);
  s += " >>\nstartxref\n" + std::to_string(at) + "\n%%EOF\n";
  out_ += s;
  last_xref_ = at;
  section_.clear();
  return at;
}

bool PdfWriter::save(const std::string& path) const {
  std::ofstream f(path, std::ios::binary);
  f.write(out_.data(), std::streamsize(out_.size()));
  return bool(f);
}

}  // namespace pdf_test
