#pragma once

#include "common/dll_fence_api.h"

// How DLLs are kept to System32 in this process.
enum class DllFence {
  // The default search path is System32 alone, for every later load.
  kSystem32Only,
  // Where that cannot be set: the current directory is off the search path,
  // each DLL is loaded by its full System32 path, and the system DLLs that the
  // shell and COM load later by bare name are already in memory.
  kFullPaths,
};

// The first thing a program of ours does, before any DLL but its load-time
// imports (KERNEL32 alone) is loaded.
DllFence FenceDllSearch(DllSearchApi& api);

// Loads a system DLL ("advapi32.dll") from System32 only, as the fence allows.
// Null when it cannot be loaded, never from anywhere else.
DllModule LoadSystemDll(DllSearchApi& api, DllFence fence, const wchar_t* name);
