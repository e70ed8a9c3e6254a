#pragma once

#include <windows.h>

#include "common/dll_fence.h"

// The DLL search calls on Windows, one Win32 call each.
class Win32DllSearch final : public DllSearchApi {
 public:
  bool SearchSystem32Only() override;
  void RemoveCurrentDirectoryFromSearch() override;
  std::uint32_t SystemDirectory(wchar_t* buffer, std::uint32_t size) override;
  DllModule LoadFromSystem32(const wchar_t* name) override;
  DllModule LoadByFullPath(const wchar_t* path) override;
};

// Fences the DLL search path of this process on its first call and returns the
// fence chosen then on every call. Programs of ours call it first thing: they
// run from download folders and shares, beside files anyone may have put there.
DllFence FenceDllSearchPath();

// Looks a function up in a DLL loaded through the fence: null when the DLL or
// the function is not there, which its caller reads as the failure of its step.
template <typename Function>
void Find(DllModule dll, const char* name, Function* slot) {
  const FARPROC proc = dll != nullptr ? GetProcAddress(static_cast<HMODULE>(dll), name) : nullptr;
  *slot = reinterpret_cast<Function>(reinterpret_cast<void*>(proc));
}
