// The handle table that every kernel-style object of the layer joins. An
// area defines a subclass of KernelObject for each kind of handle, registers
// each new object with RegisterHandle and finds it again with LookupHandle<T>;
// the object is destroyed when its handle is closed and the last lookup is
// done. Exported, so tests can register objects of their own.
#pragma once

#include <memory>

#include "platform/win/win_types.h"

namespace pk::win {

class PKAPI KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Runs when the handle is closed; FALSE (with the error set) makes
  // CloseHandle report a failure, the handle is gone either way.
  virtual BOOL OnClose() { return TRUE; }
  // Waits for the object to be signalled; objects that cannot be waited on
  // keep this default, which fails with ERROR_INVALID_HANDLE.
  virtual DWORD Wait(DWORD milliseconds);
  // Objects with a close call of their own (find handles: FindClose) answer
  // false, and CloseHandle refuses them with ERROR_INVALID_HANDLE.
  virtual bool ClosedByCloseHandle() const { return true; }
};

// Adds an object to the table and returns its new handle value; never null
// nor INVALID_HANDLE_VALUE.
PKAPI HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object of a handle, or null with ERROR_INVALID_HANDLE when the handle is
// closed, foreign or names an object of another kind.
PKAPI std::shared_ptr<KernelObject> LookupHandleObject(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandle(HANDLE handle);

// Takes a handle out of the table and returns its object, when `accept`
// (if given) agrees; else null with ERROR_INVALID_HANDLE and the handle stays.
// The caller runs OnClose; the object goes when the last reference does.
PKAPI std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle, bool (*accept)(const KernelObject&) = nullptr);
// The same for a handle that must name a T (FindClose, UnmapViewOfFile...).
template <class T>
std::shared_ptr<T> UnregisterHandleOf(HANDLE handle);

PKAPI void SetInvalidHandleError();

template <class T>
std::shared_ptr<T> LookupHandle(HANDLE handle) {
  auto object = std::dynamic_pointer_cast<T>(LookupHandleObject(handle));
  if (!object) SetInvalidHandleError();
  return object;
}

template <class T>
std::shared_ptr<T> UnregisterHandleOf(HANDLE handle) {
  auto object = UnregisterHandle(handle, [](const KernelObject& o) { return dynamic_cast<const T*>(&o) != nullptr; });
  return std::static_pointer_cast<T>(std::move(object));
}

}  // namespace pk::win
