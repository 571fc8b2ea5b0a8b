// The self-contained blocks that the spooler's Get and Enum calls hand out.
#include <cstring>

#include "platform/spooler/spooler_internal.h"

namespace pk::spooler {

BlockBuilder::BlockBuilder(size_t count, size_t recordSize) : recordSize_(recordSize), data_(count * recordSize, 0) {}

void BlockBuilder::setRecord(size_t index, const void* record) {
  std::memcpy(data_.data() + index * recordSize_, record, recordSize_);
}

size_t BlockBuilder::append(const void* p, size_t n, size_t align) {
  size_t at = (data_.size() + align - 1) / align * align;
  data_.resize(at + n, 0);
  if (n) std::memcpy(data_.data() + at, p, n);
  return at;
}

void BlockBuilder::setText(size_t index, size_t fieldOffset, const std::u16string& text) {
  size_t at = append(text.c_str(), (text.size() + 1) * sizeof(WCHAR), sizeof(WCHAR));
  patches_.push_back({index * recordSize_ + fieldOffset, at});
}

void BlockBuilder::setTexts(size_t index, size_t fieldOffset, const std::vector<std::u16string>& texts) {
  std::u16string all;
  for (const auto& t : texts) {
    all += t;
    all += u'\0';
  }
  all += u'\0';
  size_t at = append(all.data(), all.size() * sizeof(WCHAR), sizeof(WCHAR));
  patches_.push_back({index * recordSize_ + fieldOffset, at});
}

void BlockBuilder::setBytes(size_t index, size_t fieldOffset, const std::vector<BYTE>& bytes) {
  size_t at = append(bytes.data(), bytes.size(), sizeof(void*));
  patches_.push_back({index * recordSize_ + fieldOffset, at});
}

BOOL BlockBuilder::deliver(LPBYTE buffer, DWORD capacity, LPDWORD needed) const {
  if (!needed) return Fail(ERROR_INVALID_PARAMETER);
  if (data_.size() > 0xFFFFFFFFu) return Fail(ERROR_NOT_ENOUGH_MEMORY);
  *needed = static_cast<DWORD>(data_.size());
  if (data_.empty()) return TRUE;
  if (!buffer || capacity < data_.size()) return Fail(ERROR_INSUFFICIENT_BUFFER);
  std::memcpy(buffer, data_.data(), data_.size());
  for (const Patch& p : patches_) {
    BYTE* target = buffer + p.target;
    std::memcpy(buffer + p.field, &target, sizeof target);
  }
  return TRUE;
}

}  // namespace pk::spooler
