#pragma once

// Owners of the COM data Perinax.exe handles: a COM string and a property
// value. Their functions come from the table of system functions, loaded from
// System32 (oleaut32 may be missing there, and then neither is ever made).

#include "common/system_functions_win32.h"

// A COM string of the text, or null when it cannot be made (out of memory, or
// oleaut32 could not be loaded: it is then never made, so it is never leaked).
inline BSTR NewComString(const wchar_t* text, UINT length) {
  const SystemFunctions& system = System();
  if (system.SysAllocStringLen == nullptr || system.SysFreeString == nullptr) return nullptr;
  return system.SysAllocStringLen(text, length);
}

// Owns a COM string.
class BstrOwner {
 public:
  explicit BstrOwner(BSTR text) : text_(text) {}
  BstrOwner(const BstrOwner&) = delete;
  BstrOwner& operator=(const BstrOwner&) = delete;
  ~BstrOwner() {
    if (text_ != nullptr) System().SysFreeString(text_);
  }

  BSTR Get() const { return text_; }
  // Hands the string over to the caller, who frees it.
  BSTR Release() {
    BSTR text = text_;
    text_ = nullptr;
    return text;
  }

 private:
  BSTR text_;
};

// A property value, initialised when made and cleared when it goes. Made only
// where VariantInit and VariantClear are both there.
class VariantOwner {
 public:
  // NOLINTNEXTLINE(cppcoreguidelines-pro-type-member-init): VariantInit initialises value_
  VariantOwner() { System().VariantInit(&value_); }
  VariantOwner(const VariantOwner&) = delete;
  VariantOwner& operator=(const VariantOwner&) = delete;
  ~VariantOwner() { System().VariantClear(&value_); }

  VARIANT* Get() { return &value_; }

 private:
  VARIANT value_;
};
