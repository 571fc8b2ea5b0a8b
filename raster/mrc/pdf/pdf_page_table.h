// The page table: the page tree walked once, from "Root" through "Pages" and
// "Kids", into page records numbered from 1 with the inheritable attributes
// resolved. The walk is bounded: a node already on its path, a tree deeper
// than kPdfMaxTreeDepth or more than kPdfMaxPages pages raise 1. Subtrees
// named many times are walked each time; every visit reads its node afresh
// into the document's arena, so the pool ends a walk without pages (13).
#pragma once

#include <cstdint>

#include "raster/mrc/pdf/pdf_value.h"

inline constexpr int32_t kPdfMaxTreeDepth = 64;
inline constexpr int32_t kPdfMaxPages = 65536;

// The attributes a node gives its page, own or inherited.
struct PdfNodeAttributes {
  PdfValue* resources;   // dictionary; null when no node has one
  PdfList* annotations;  // the "Annots" array's list
  bool has_annotations;
  float media_box[4];
  bool has_media_box;
  float crop_box[4];
  bool has_crop_box;
  int32_t rotation;  // -1 when no node has one
};

struct PdfPageRecord {
  PdfValue* contents;   // unresolved; null when absent
  PdfValue* thumbnail;  // unresolved; null when absent
  PdfNodeAttributes attributes;
};

struct PdfPageEntry {
  PdfPageRecord* record;
  int32_t number;
  PdfPageEntry* next;
};

// Replaces the attributes the node has with its own. Raises 2 for a
// "Resources" that is no dictionary, a box that is no array of four numbers,
// a "Rotate" that is no integer, an "Annots" that is no array.
void pdf_node_attributes(const PdfList* node, PdfNodeAttributes* attributes);
// Builds the document's page table; the page count.
int32_t pdf_build_page_table();
// The record of page n (1-based); null outside 1 to the page count.
const PdfPageRecord* pdf_page_record(int32_t n);
