// Inside the platform library: the handle table that every kernel-style
// object joins. An area defines a subclass of KernelObject, registers each
// new object with RegisterHandle and finds it again with LookupHandle<T>; the
// object is destroyed when its handle is closed and the last lookup is done.
#pragma once

#include <memory>

#include "platform/win/win_types.h"

namespace pk::win {

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Runs when the handle is closed; FALSE (with the error set) makes
  // CloseHandle report a failure, the handle is gone either way.
  virtual BOOL OnClose() { return TRUE; }
  // Waits for the object to be signalled; objects that cannot be waited on
  // keep this default, which fails with ERROR_INVALID_HANDLE.
  virtual DWORD Wait(DWORD milliseconds);
};

// Adds an object to the table and returns its new handle value; never null
// nor INVALID_HANDLE_VALUE.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);

// The object of a handle, or null with ERROR_INVALID_HANDLE when the handle is
// closed, foreign or names an object of another kind.
std::shared_ptr<KernelObject> LookupHandleObject(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandle(HANDLE handle);

// Takes a handle out of the table and returns its object (null with
// ERROR_INVALID_HANDLE when it names none). CloseHandle uses it.
std::shared_ptr<KernelObject> UnregisterHandle(HANDLE handle);

void SetInvalidHandleError();

template <class T>
std::shared_ptr<T> LookupHandle(HANDLE handle) {
  auto object = std::dynamic_pointer_cast<T>(LookupHandleObject(handle));
  if (!object) SetInvalidHandleError();
  return object;
}

}  // namespace pk::win
