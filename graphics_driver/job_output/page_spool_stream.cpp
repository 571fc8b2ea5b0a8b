// The page spool's side of the job output stream (see page_spool_stream.h).
#include "graphics_driver/job_output/page_spool_stream.h"

#include <algorithm>
#include <cstring>

namespace {

bool InTables(const JobOutputStream* s, uint16_t page) {
  const uint32_t index = uint16_t(page - s->firstSpooledPage);
  return s->pageTable.block && s->extentTable.block && page >= s->firstSpooledPage &&
         index < uint32_t(GetTableCapacity(&s->pageTable)) && index < uint32_t(GetTableCapacity(&s->extentTable));
}

uint32_t IndexOf(const JobOutputStream* s, uint16_t page) { return uint16_t(page - s->firstSpooledPage); }

int PutExtent(JobOutputStream* s, uint16_t page, const SpooledPageExtent& e) {
  return PutTableEntry(&s->extentTable, IndexOf(s, page), &e);
}

// The file end, with the write position there.
int SeekEnd(JobOutputStream* s) { return SeekTempFileEnd(&s->tempFile); }

}  // namespace

int OpenStreamSpool(JobOutputStream* s, uint16_t firstPage, uint16_t growth) {
  if (!s || growth == 0) return -1;
  s->firstSpooledPage = firstPage;
  s->spooledPageCount = 0;
  s->spoolCursor = PageSpoolCursor{0, 0, 0, -1, 0};
  if (CreateTable(&s->pageTable, kPageEntryBytes, growth) != 0 ||
      CreateTable(&s->extentTable, kPageExtentBytes, growth) != 0 || CreateTempFile(&s->tempFile) != 0) {
    FreeTable(&s->pageTable);
    FreeTable(&s->extentTable);
    return -1;
  }
  return 0;
}

int CloseStreamSpool(JobOutputStream* s) {
  if (!s) return -1;
  s->firstSpooledPage = s->spooledPageCount = 0;
  FreeTable(&s->pageTable);
  FreeTable(&s->extentTable);
  s->spoolCursor = PageSpoolCursor{0, 0, 0, -1, 0};
  return DeleteTempFile(&s->tempFile);
}

int StreamSpoolHasData(const JobOutputStream* s) { return s && HasTempFileData(&s->tempFile) == 1 ? 1 : 0; }

int PutSpooledPage(JobOutputStream* s, uint16_t page, const SpooledPageRecord* record) {
  if (!s || !record || !InTables(s, page)) return -1;
  return PutTableEntry(&s->pageTable, IndexOf(s, page), record);
}

int GetSpooledPage(const JobOutputStream* s, uint16_t page, SpooledPageRecord* record) {
  if (!s || !record || !InTables(s, page)) return -1;
  return GetTableEntry(&s->pageTable, IndexOf(s, page), record);
}

int GetSpooledExtent(const JobOutputStream* s, uint16_t page, SpooledPageExtent* extent) {
  if (!s || !extent || !InTables(s, page)) return -1;
  return GetTableEntry(&s->extentTable, IndexOf(s, page), extent);
}

int AppendSpoolBytes(JobOutputStream* s, const void* bytes, uint32_t count) {
  if (!s || SeekEnd(s) < 0) return -1;
  return WriteTempFile(&s->tempFile, bytes, count) == int(count) ? 0 : -1;
}

int BeginStreamPage(JobOutputStream* s, uint16_t page) {
  if (!s || page != uint16_t(s->firstSpooledPage + s->spooledPageCount)) return -1;
  // Page numbers wrap at 65,536: a page the tables cannot tell from the
  // first one is refused.
  if (uint32_t(s->spooledPageCount) >= 0xFFFF) return -1;
  if (FlushStream(s) != 0) return -1;
  while (IndexOf(s, page) >= uint32_t(GetTableCapacity(&s->pageTable)))
    if (GrowTable(&s->pageTable) != 0) return -1;
  while (IndexOf(s, page) >= uint32_t(GetTableCapacity(&s->extentTable)))
    if (GrowTable(&s->extentTable) != 0) return -1;
  if (FillTableEntry(&s->pageTable, IndexOf(s, page), 0) != 0) return -1;
  const int end = SeekEnd(s);
  if (end < 0) return -1;
  if (PutExtent(s, page, SpooledPageExtent{uint32_t(end), uint32_t(end), -1}) != 0) return -1;
  s->spoolCursor = PageSpoolCursor{page, uint32_t(end), 0, -1, 0};
  return EnterPageSpoolKind(s);
}

int EndStreamPage(JobOutputStream* s, uint16_t page) {
  if (!s || !InTables(s, page)) return -1;
  if (FlushStream(s) != 0 || s->sinkKind != kSinkPageSpool) return -1;
  SpooledPageExtent e{};
  GetSpooledExtent(s, page, &e);
  const int end = GetTempFileSize(&s->tempFile);
  if (end < 0) return -1;
  e.end = uint32_t(end);
  if (PutExtent(s, page, e) != 0) return -1;
  s->spoolCursor = PageSpoolCursor{0, 0, 0, -1, 0};
  if (LeavePageSpoolKind(s) != 0) return -1;
  ++s->spooledPageCount;
  return 0;
}

int WriteSpoolRecord(JobOutputStream* s, uint16_t kind, const void* payload, uint16_t length) {
  if (!s || (length && !payload)) return -1;
  if (FlushStream(s) != 0 || HasTempFileData(&s->tempFile) != 1) return -1;
  const uint16_t page = uint16_t(s->spoolCursor.page);
  SpooledPageExtent e{};
  if (GetSpooledExtent(s, page, &e) != 0) return -1;
  const int at = SeekEnd(s);
  if (at < 0) return -1;
  const SpoolRecordHeader header{kind, length, 0};
  if (WriteTempFile(&s->tempFile, &header, sizeof header) != int(sizeof header)) return -1;
  if (length && WriteTempFile(&s->tempFile, payload, length) != length) return -1;
  const int32_t previous = s->spoolCursor.lastRecord;
  if (previous >= 0) {
    const int32_t next = at - previous;
    if (SeekTempFile(&s->tempFile, previous + 4) < 0 || WriteTempFile(&s->tempFile, &next, 4) != 4) return -1;
  } else {
    e.firstRecord = at;
    if (PutExtent(s, page, e) != 0) return -1;
  }
  s->spoolCursor.lastRecord = at;
  // The file ends with the record just written.
  const int end = SeekEnd(s);
  return end >= 0 && uint32_t(end) == uint32_t(at) + sizeof header + length ? 0 : -1;
}

int OpenSpoolReader(JobOutputStream* s, uint16_t page) {
  SpooledPageExtent e{};
  if (!s || GetSpooledExtent(s, page, &e) != 0) return -1;
  const int size = GetTempFileSize(&s->tempFile);
  if (size < 0 || e.start > e.end || e.end > uint32_t(size)) return -1;
  if (e.firstRecord >= 0 && (uint32_t(e.firstRecord) < e.start || uint32_t(e.firstRecord) >= e.end)) return -1;
  s->spoolCursor.page = page;
  s->spoolCursor.offset = e.start;
  s->spoolCursor.remaining = e.end;
  s->spoolCursor.nextRecord = e.firstRecord >= 0 ? uint32_t(e.firstRecord) : e.end;
  return SeekTempFile(&s->tempFile, int32_t(e.start)) < 0 ? -1 : 0;
}

int ReadSpoolRawBytes(JobOutputStream* s, void* buffer, uint32_t capacity) {
  if (!s || !buffer) return -1;
  PageSpoolCursor& c = s->spoolCursor;
  if (c.offset > c.nextRecord) return -1;
  const uint32_t n = std::min(capacity, c.nextRecord - c.offset);
  if (n == 0) return 0;
  if (SeekTempFile(&s->tempFile, int32_t(c.offset)) < 0 || ReadTempFile(&s->tempFile, buffer, n) != int(n)) return -1;
  c.offset += n;
  return int(n);
}

int ReadSpoolRecordHeader(JobOutputStream* s, SpoolRecordHeader* header) {
  if (!s || !header) return -1;
  PageSpoolCursor& c = s->spoolCursor;
  if (c.nextRecord >= c.remaining) return 0;
  if (c.nextRecord < c.offset || uint64_t(c.nextRecord) + sizeof *header > c.remaining) return -1;
  if (SeekTempFile(&s->tempFile, int32_t(c.nextRecord)) < 0 ||
      ReadTempFile(&s->tempFile, header, sizeof *header) != int(sizeof *header))
    return -1;
  const uint32_t at = c.nextRecord;
  c.offset = at + sizeof *header;
  if (uint64_t(c.offset) + header->length > c.remaining) return -1;
  // Records chain forward inside the page only; the last one ends it.
  if (header->next == 0) {
    c.nextRecord = c.remaining;
  } else {
    if (header->next < int32_t(sizeof *header + header->length) || uint64_t(at) + uint32_t(header->next) > c.remaining)
      return -1;
    c.nextRecord = at + uint32_t(header->next);
  }
  return 1;
}

int ReadSpoolPayload(JobOutputStream* s, void* payload, uint16_t length) {
  if (!s || (length && !payload)) return -1;
  PageSpoolCursor& c = s->spoolCursor;
  if (uint64_t(c.offset) + length > c.remaining) return -1;
  if (length &&
      (SeekTempFile(&s->tempFile, int32_t(c.offset)) < 0 || ReadTempFile(&s->tempFile, payload, length) != length))
    return -1;
  c.offset += length;
  return 0;
}
