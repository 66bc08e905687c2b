#pragma once
// Move-only owners of Win32 handles. Each kind of handle has a traits type
// that says which value is "no handle" and how the handle is closed.

#include <windows.h>

#include <utility>

template <class Traits>
class ScopedGenericHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedGenericHandle() = default;
  explicit ScopedGenericHandle(Handle handle) : handle_(Normalize(handle)) {}
  ~ScopedGenericHandle() { Close(); }

  ScopedGenericHandle(const ScopedGenericHandle&) = delete;
  ScopedGenericHandle& operator=(const ScopedGenericHandle&) = delete;
  ScopedGenericHandle(ScopedGenericHandle&& other) noexcept : handle_(other.Release()) {}
  ScopedGenericHandle& operator=(ScopedGenericHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  bool IsValid() const { return handle_ != Traits::NullHandle(); }
  explicit operator bool() const { return IsValid(); }
  Handle Get() const { return handle_; }

  void Reset(Handle handle = Traits::NullHandle()) {
    Close();
    handle_ = Normalize(handle);
  }

  Handle Release() {
    Handle handle = handle_;
    handle_ = Traits::NullHandle();
    return handle;
  }

 private:
  static Handle Normalize(Handle handle) {
    return Traits::IsValid(handle) ? handle : Traits::NullHandle();
  }
  void Close() {
    if (IsValid()) Traits::Close(handle_);
    handle_ = Traits::NullHandle();
  }

  Handle handle_ = Traits::NullHandle();
};

// Kernel objects: files, mutexes, events, processes, threads. Both null and
// INVALID_HANDLE_VALUE mean "no handle" (CreateFileW returns the latter).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle NullHandle() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};

// FindFirstFileW searches.
struct FindHandleTraits {
  using Handle = HANDLE;
  static Handle NullHandle() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
  static void Close(Handle handle) { ::FindClose(handle); }
};

// Memory from LocalAlloc (and the Win32 calls that allocate with it).
struct LocalMemoryTraits {
  using Handle = HLOCAL;
  static Handle NullHandle() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { ::LocalFree(handle); }
};

// Open registry keys.
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle NullHandle() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { ::RegCloseKey(handle); }
};

// Libraries loaded with LoadLibraryW.
struct ModuleHandleTraits {
  using Handle = HMODULE;
  static Handle NullHandle() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { ::FreeLibrary(handle); }
};

using ScopedHandle = ScopedGenericHandle<KernelHandleTraits>;
using ScopedFindHandle = ScopedGenericHandle<FindHandleTraits>;
using ScopedLocalMemory = ScopedGenericHandle<LocalMemoryTraits>;
using ScopedRegKey = ScopedGenericHandle<RegKeyTraits>;
using ScopedLibrary = ScopedGenericHandle<ModuleHandleTraits>;
