// The page spool's side of the job output stream: the page and extent tables,
// the spool file (the stream's temp file) with its chained records, and the
// reader a replay steps through. Results 0 / -1 unless said otherwise.
#pragma once

#include <cstdint>

#include "graphics_driver/job_output/job_output_stream.h"

// Spool record kinds and their payload lengths.
constexpr uint16_t kRecordSheetStart = 0;
constexpr uint16_t kRecordContentEnd = 1;
constexpr uint16_t kRecordSheetEnd = 2;
constexpr uint16_t kRecordPageTransform = 3;
constexpr uint16_t kSheetStartBytes = 12;
constexpr uint16_t kTransformBytes = 24;

#pragma pack(push, 1)
struct SpoolRecordHeader {
  uint16_t kind;
  uint16_t length;
  int32_t next;  // bytes from this record's start to the next one's; 0 for the page's last
};
struct SpooledPageRecord {
  BYTE logical[32];  // the first 32 bytes of the logical page record
  uint32_t turned;
  PageColorSet colours;
  uint32_t spoolMode;
};
struct SpooledPageExtent {
  uint32_t start;
  uint32_t end;
  int32_t firstRecord;  // -1 when the page has no record
};
#pragma pack(pop)
static_assert(sizeof(SpoolRecordHeader) == 8);
static_assert(sizeof(SpooledPageRecord) == kPageEntryBytes);
static_assert(sizeof(SpooledPageExtent) == kPageExtentBytes);

// Sets up both tables (capacity and growth `growth` entries), the idle cursor
// and a fresh spool file; on failure the tables are freed.
int OpenStreamSpool(JobOutputStream* stream, uint16_t firstPage, uint16_t growth);
// Clears the page numbers, frees the tables and deletes the spool file.
int CloseStreamSpool(JobOutputStream* stream);
// 1 while the spool file is open.
int StreamSpoolHasData(const JobOutputStream* stream);
int PutSpooledPage(JobOutputStream* stream, uint16_t page, const SpooledPageRecord* record);
int GetSpooledPage(const JobOutputStream* stream, uint16_t page, SpooledPageRecord* record);
int GetSpooledExtent(const JobOutputStream* stream, uint16_t page, SpooledPageExtent* extent);
// Raw job bytes appended to the spool file.
int AppendSpoolBytes(JobOutputStream* stream, const void* bytes, uint32_t count);

// A page's record stream: `page` must be first + count. Begin switches the
// sink to the page spool kind, End back to the spooler and counts the page.
int BeginStreamPage(JobOutputStream* stream, uint16_t page);
int EndStreamPage(JobOutputStream* stream, uint16_t page);
// Appends a record of the page being recorded and chains the previous one
// to it.
int WriteSpoolRecord(JobOutputStream* stream, uint16_t kind, const void* payload, uint16_t length);

// The reader on a page's extent: read position at its start, the next record
// its first one (or its end).
int OpenSpoolReader(JobOutputStream* stream, uint16_t page);
// Raw bytes before the next record, at most `capacity`: the count read (0 at
// the next record), or -1.
int ReadSpoolRawBytes(JobOutputStream* stream, void* buffer, uint32_t capacity);
// The next record's header: 1, 0 at the end of the page, -1 when it cannot be
// read or does not lie inside the page. Steps only forward.
int ReadSpoolRecordHeader(JobOutputStream* stream, SpoolRecordHeader* header);
// The payload of the record just read.
int ReadSpoolPayload(JobOutputStream* stream, void* payload, uint16_t length);
