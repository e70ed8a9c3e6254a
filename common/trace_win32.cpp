#include "common/trace_win32.h"

#include <windows.h>

void DebugOutputTraceSink::WriteLine(const wchar_t* line) {
  OutputDebugStringW(line);
}
