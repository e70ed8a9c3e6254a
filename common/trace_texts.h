#pragma once

// The launcher's trace texts that mean something went wrong, or that a step
// got as far as it should, and the lines around them: written by the launcher
// and read back by the trace viewer, which tells from them what a run left
// undone, and by perinax-explain. Scripts and log readers match on these
// texts, so they are kept exactly as they are, spelling included. A text with
// a % is a format for TraceFormatted; the part before the % is fixed.

#include <string_view>

// What every line of a text starts with: the whole text, or for a format, the
// part before the value.
constexpr std::wstring_view TraceTextFixedPart(std::wstring_view text) {
  return text.substr(0, text.find(L'%'));
}

// The configuration phase's brackets, and the OS code between them.
inline constexpr const wchar_t* kTracePhaseStart = L"-----LoadINIFile file start-----";
inline constexpr const wchar_t* kTracePhaseEnd = L"-----LoadINIFile file end-----";
inline constexpr const wchar_t* kTraceOsVersion = L"OS version %d";

inline constexpr const wchar_t* kTraceMissingIni = L"Please check the path of INI file!";

// The version probe: each step that can fail has its own line.
inline constexpr const wchar_t* kTraceComFailed = L"Failed to initialize COM library. hres = 0x%x";
inline constexpr const wchar_t* kTraceSecurityFailed =
    L"Failed to initialize security. hres = 0x%x";
inline constexpr const wchar_t* kTraceLocatorFailed =
    L"Failed to create IWbemLocator object. hres = 0x%x";
inline constexpr const wchar_t* kTraceConnectFailed = L"Failed to pLoc->ConnectServer.";
inline constexpr const wchar_t* kTraceBlanketFailed = L"Could not set proxy blanket.";
inline constexpr const wchar_t* kTraceQueryFailed = L"Query for operating system name failed.";
inline constexpr const wchar_t* kTraceNoInstance =
    L"Query for operating system returned no instance.";
inline constexpr const wchar_t* kTraceNoVersion = L"Failed to get the operating system version.";
inline constexpr const wchar_t* kTraceBadVersion = L"Unexpected operating system version %ls";
inline constexpr const wchar_t* kTraceProbeFailures[] = {
    kTraceComFailed,     kTraceSecurityFailed, kTraceLocatorFailed,
    kTraceConnectFailed, kTraceBlanketFailed,  kTraceQueryFailed,
    kTraceNoInstance,    kTraceNoVersion,      kTraceBadVersion,
};

// The section test, with the version section looked for.
inline constexpr const wchar_t* kTraceCheckSection = L"CheckINISection %ls";

// The registry step. On x64 Windows: WriteToReg, X64, open or create, then
// Write VUZA Value; on 32-bit Windows: WriteToReg, then Write VUZA Value (a
// created key) or win 7 Write VUZA Value (an opened one).
// On x64 Windows the key path first, then "Not find" and the path in the
// 64-bit view, or the path without its Wow6432Node\ in the process's own view.
inline constexpr const wchar_t* kTraceKeyPath64 = L"m_szReg64KeyPath %ls";
inline constexpr const wchar_t* kTraceNoWow6432Node = L"Not find";
inline constexpr const wchar_t* kTracePathWithoutWow6432Node = L"%ls";
inline constexpr const wchar_t* kTraceRegistryPath = L"szRegPath %ls";
inline constexpr const wchar_t* kTraceNoRegistryTarget = L"No registry target in the INI file";
inline constexpr const wchar_t* kTraceWriteToReg = L"WriteToReg";
inline constexpr const wchar_t* kTraceX64 = L"X64";
inline constexpr const wchar_t* kTraceKeyOpened = L"open";
inline constexpr const wchar_t* kTraceKeyCreated = L"create";
inline constexpr const wchar_t* kTraceValueWritten = L"Write VUZA Value";
inline constexpr const wchar_t* kTraceValueWrittenToOpenedKey = L"win 7 Write VUZA Value";

// The launch: the argument text before and after the start, then the rest
// only when the setup program started.
inline constexpr const wchar_t* kTraceSetupCmd = L"Setup CMD %ls";
inline constexpr const wchar_t* kTraceStarted = L"CreateProcess";
inline constexpr const wchar_t* kTraceWaited = L"WaitForSingleObject";
inline constexpr const wchar_t* kTraceExitCodeFailed = L"GetExitCodeProcess fail";
inline constexpr const wchar_t* kTraceStillRunning = L"Still running";
inline constexpr const wchar_t* kTraceExitCode = L"Exit Code %d";
