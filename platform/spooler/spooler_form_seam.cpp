// The seam that makes the listing of a printer's forms fail, so callers that
// size a buffer by one listing and fill it by another can be tested.
#include <atomic>

#include "platform/spooler/spooler_internal.h"

namespace pk::spooler {
namespace {

std::atomic<DWORD> g_enumFormsError{0};

void ResetFormSeam() { g_enumFormsError = 0; }
const pk::seams::ResetHook gHook(&ResetFormSeam);

}  // namespace

DWORD SeamEnumFormsError() { return g_enumFormsError; }
void SetEnumFormsError(DWORD error) { g_enumFormsError = error; }

}  // namespace pk::spooler

namespace pk::seams {

void FailEnumForms(bool fail, DWORD error) { pk::spooler::SetEnumFormsError(fail ? error : 0); }

}  // namespace pk::seams
