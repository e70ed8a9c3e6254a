// A program for the trace viewer to run, which tells which viewer that is: it
// sends "parent PATH" (the full path of the process that started it) to the
// debugger output and exits with 3010. The console twin test reads it, since a
// viewer's own output is the same whichever of the two ran.
#include <windows.h>
// After windows.h, whose types it uses.
#include <tlhelp32.h>

#include <string>

int wmain() {
  const DWORD self = GetCurrentProcessId();
  DWORD parent = 0;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
    if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
  CloseHandle(snapshot);

  wchar_t path[MAX_PATH] = L"?";
  DWORD size = MAX_PATH;
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, parent);
  if (process != nullptr) {
    QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
  }
  OutputDebugStringW((std::wstring(L"parent ") + path).c_str());
  return 3010;
}
