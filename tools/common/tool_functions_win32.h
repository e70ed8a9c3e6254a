#pragma once

#include <windows.h>

// Every function the Windows tools use from a system DLL other than KERNEL32
// and the C runtime. Like Perinax.exe's own table (common/system_functions_win32.h),
// and apart from it, since that one is sized to the launcher: the DLLs are
// loaded from System32 only, after the DLL search path is fenced, each function
// is looked up once, and one that could not be found is null, which its caller
// reads as "cannot be told".
struct ToolFunctions {
  // kernel32.dll, Windows 10 and later: debug strings as the program sent them,
  // UTF-16, where WaitForDebugEvent hands them over in the ANSI code page only.
  BOOL(WINAPI* WaitForDebugEventEx)(DEBUG_EVENT* event, DWORD milliseconds);
  // advapi32.dll: the account, and the registry value read back
  decltype(&::OpenProcessToken) OpenProcessToken;
  decltype(&::GetTokenInformation) GetTokenInformation;
  decltype(&::LookupAccountSidW) LookupAccountSidW;
  decltype(&::RegOpenKeyExW) RegOpenKeyExW;
  decltype(&::RegQueryValueExW) RegQueryValueExW;
  decltype(&::RegCloseKey) RegCloseKey;
  // version.dll: a program's version resource
  decltype(&::GetFileVersionInfoSizeW) GetFileVersionInfoSizeW;
  decltype(&::GetFileVersionInfoW) GetFileVersionInfoW;
  decltype(&::VerQueryValueW) VerQueryValueW;
};

// The table, filled on the first call, which fences the DLL search path first
// if nothing has yet.
const ToolFunctions& Tools();
