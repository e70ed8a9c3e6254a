#pragma once

#include <windows.h>
// windows.h first: the COM and shell headers build on it.
#include <objbase.h>
#include <oleauto.h>
#include <shellapi.h>

// Every function Perinax.exe uses from a system DLL other than KERNEL32, and
// from KERNEL32 those that not every Windows it runs on has. These DLLs are
// loaded on purpose, from System32 only, after the DLL search path is fenced,
// and each function is looked up once; a function that could not be found is
// null, and its caller treats that as the failure of its step (or, for
// SetThreadErrorMode, sets the process's error mode instead).
struct SystemFunctions {
  // kernel32.dll, Windows 7 and later
  decltype(&::SetThreadErrorMode) SetThreadErrorMode;
  // advapi32.dll
  decltype(&::RegOpenKeyExW) RegOpenKeyExW;
  decltype(&::RegCreateKeyExW) RegCreateKeyExW;
  decltype(&::RegSetValueExW) RegSetValueExW;
  decltype(&::RegCloseKey) RegCloseKey;
  // ole32.dll
  decltype(&::CoInitializeEx) CoInitializeEx;
  decltype(&::CoInitializeSecurity) CoInitializeSecurity;
  decltype(&::CoCreateInstance) CoCreateInstance;
  decltype(&::CoSetProxyBlanket) CoSetProxyBlanket;
  decltype(&::CoUninitialize) CoUninitialize;
  // oleaut32.dll
  decltype(&::SysAllocStringLen) SysAllocStringLen;
  decltype(&::SysFreeString) SysFreeString;
  decltype(&::VariantInit) VariantInit;
  decltype(&::VariantClear) VariantClear;
  // shell32.dll
  decltype(&::ShellExecuteExW) ShellExecuteExW;
};

// The table, filled on the first call, which fences the DLL search path first
// if nothing has yet.
const SystemFunctions& System();

// What a registry call reports when its function could not be loaded:
// ERROR_PROC_NOT_FOUND; and a COM call: that error as an HRESULT.
inline constexpr LSTATUS kFunctionMissingStatus = 127;
inline constexpr HRESULT kFunctionMissingResult = static_cast<HRESULT>(0x8007007FU);
