#pragma once

// Owns a kernel handle and closes it once, on every way out of the scope that
// holds it. Win32 calls that hand out handles fail with one of two values:
// CreateFileW with INVALID_HANDLE_VALUE, most others (and a debug event with
// no file) with null. Each owner knows which one its handle can be, so that an
// owner is never asked to close what a failed call left behind.

#include <windows.h>

enum class HandleFailure { kNull, kInvalidValue };

template <HandleFailure failure>
class [[nodiscard]] Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  Handle(Handle&& other) noexcept : handle_(other.handle_) { other.handle_ = Failed(); }
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.handle_;
      other.handle_ = Failed();
    }
    return *this;
  }
  ~Handle() { Close(); }

  HANDLE get() const { return handle_; }
  bool valid() const { return handle_ != Failed(); }

 private:
  static HANDLE Failed() {
    return failure == HandleFailure::kNull ? nullptr : INVALID_HANDLE_VALUE;
  }
  void Close() {
    if (valid()) CloseHandle(handle_);
    handle_ = Failed();
  }

  HANDLE handle_ = Failed();
};

// A handle that is null when there is none (a process, a thread, a token).
using KernelHandle = Handle<HandleFailure::kNull>;
// A file's handle from CreateFileW, INVALID_HANDLE_VALUE when there is none.
using FileHandle = Handle<HandleFailure::kInvalidValue>;
