// Entry points of the PDF reader core and the frame they run in. The caller
// runs, under the PDF mutex: pdf_pool_create, pdf_file_open, pdf_core_begin,
// reading the document and one page, pdf_core_end, pdf_file_close,
// pdf_pool_free. Each entry point returns 0 or an error code (pdf_error.h).
#pragma once

#include <cstdint>
#include <type_traits>
#include <utility>

// What reading a document reports: the page count, the version (10 × major +
// minor) and the information strings, each null when absent. A string is its
// bytes followed by two zero bytes, valid until pdf_core_end.
struct PdfDocInfo {
  int32_t page_count;
  int32_t version;
  const char* title;
  const char* author;
  const char* subject;
  const char* keywords;
  const char* creator;
  const char* producer;
  const char* creation_date;
  const char* mod_date;
};

// Makes the arena stack with the static arena current, the operand stack and
// the resource stack, and clears the text-object flag; 0 or an error code
// (13 without a pool).
int32_t pdf_core_begin();
// Reads the header, the cross-reference chain and trailer, the page table and
// the document information. Always stores the page count; the version and
// the strings only when the trailer has "Info". 0 or an error code: 1 for a
// malformed file, 7 without "Root", 14 for an encrypted document.
int32_t pdf_core_read_document(PdfDocInfo* info);
// Releases every arena and the operand stack and frees the page-object
// list; 0. After a failed entry point, or a second time, it releases nothing
// twice and returns 0.
int32_t pdf_core_end();

// The entry-point frame: runs body(context) and returns 0, or the code of an
// error raised below it, after releasing every arena and the operand stack.
// Inside a running frame the body simply runs; the outer frame catches.
int32_t pdf_core_run(void (*body)(void*), void* context);

template <class F>
int32_t pdf_core_run(F&& body) {
  using Fn = std::remove_reference_t<F>;
  void* context = const_cast<void*>(static_cast<const volatile void*>(&body));
  return pdf_core_run([](void* c) { (*static_cast<Fn*>(c))(); }, context);
}

// Releases every arena and the operand stack (what a failing entry point
// and pdf_core_end do).
void pdf_core_release();
