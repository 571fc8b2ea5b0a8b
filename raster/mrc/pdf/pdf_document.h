// The document tables the reader builds in pdf_core_read_document: the main
// stream over the file, the cross-reference list, the newest trailer's
// entries, the version and the page table. They live in the static arena
// until pdf_core_end.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_stream.h"
#include "raster/mrc/pdf/pdf_value.h"

struct PdfXrefEntry {
  int64_t offset;      // "n": file offset; "i": number of the object stream
  int64_t generation;  // "n", "f": generation; "i": index in the object stream
  char type;           // 'f', 'n', 'i'; 0 while nothing was stored
};

// A range of object numbers and its entries, all zero to begin with.
struct PdfXrefSection {
  int32_t first;
  int32_t count;
  PdfXrefEntry* entries;
  PdfXrefSection* next;  // the section added after this one
};

// Offsets of cross-reference sections already read.
struct PdfOffsetList {
  int64_t offset;
  PdfOffsetList* next;
};

struct PdfPageEntry;

struct PdfDocument {
  PdfStream* main;
  // Sections in the order they were added: the first one that covers an
  // object number decides its entry, so newer sections win.
  PdfXrefSection* sections;
  PdfXrefSection* last_section;
  PdfOffsetList* visited;
  // From the newest trailer; null when absent.
  PdfValue* root;
  PdfValue* id;
  PdfValue* encrypt;
  PdfValue* info;
  int32_t version;
  // Page table, in page order, and its length.
  PdfPageEntry* pages;
  int32_t page_count;
  // Resolutions running inside one another.
  int32_t resolve_depth;
};

// The document being read; raises 7 when there is none (a reference met
// outside a document names nothing).
PdfDocument* pdf_document();
// Makes an empty document with a main stream over the whole file and makes
// it current.
PdfDocument* pdf_document_new();
