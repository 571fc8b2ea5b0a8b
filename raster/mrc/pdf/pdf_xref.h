// The cross-reference list of the PDF reader core: classic tables and
// cross-reference streams linked by "Prev" and "XRefStm", the trailer entries,
// and the resolution of indirect references, objects inside object streams
// included. Nothing is cached: every resolution reads the object afresh.
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_document.h"
#include "raster/mrc/pdf/pdf_value.h"

// Resolutions nest at most this deep (an indirect "Length" inside the object
// it is read for, an object stream inside itself).
inline constexpr int32_t kPdfMaxResolveDepth = 16;

// Adds an empty section for [first, first + count) after all others.
PdfXrefSection* pdf_xref_add_section(int32_t first, int32_t count);
// Stores an entry in the first section added that covers the number, unless
// that entry is set already (its offset non-zero); a number no section
// covers gets a section of its own.
void pdf_xref_store(int32_t number, int64_t offset, int64_t generation, char type);
// The entry of an object number; null when no section covers it.
PdfXrefEntry* pdf_xref_entry(int32_t number);

// Reads the section at the main stream's position and returns its "Prev",
// or -1. Raises 1 for a malformed section.
int64_t pdf_read_xref_section();
// Reads the chain of sections from the newest at offset; an offset read
// before raises 1. Encryption is checked by the caller, after the chain.
void pdf_read_xref_chain(int64_t offset);

// The object a reference names, read from the file. Raises 7 when no entry
// names it or the entry is free, 1 when resolutions nest deeper than
// kPdfMaxResolveDepth.
PdfValue* pdf_resolve(const PdfValue* reference);
