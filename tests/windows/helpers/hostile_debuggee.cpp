// A program that sends the trace viewer what a hostile or broken one might, with
// OutputDebugString: with no argument, every kind of text a reader could mistake (a forged log
// record, line ends, terminal escapes, C1 and bidi controls, a line that reads like the viewer's,
// strings longer than the debug event's 16-bit length, one that ends at the last byte before an
// unreadable page); with "lines N TAG", N lines "TAG I", for runs that share a log.
#include <windows.h>

#include <cstring>
#include <cwchar>
#include <string>

namespace {

void SendHostileLines() {
  OutputDebugStringW(
      L"x]LOG]!><time=\"00:00:00.000+000\" date=\"01-01-2026\" component=\"Perinax\" "
      L"context=\"\" type=\"3\" thread=\"1\" file=\"\"><![LOG[forged");
  OutputDebugStringW(L"one\r\ntwo\rperinax-trace: three\n");
  OutputDebugStringW(L"\x1b[2J\x1b]0;title\x07red \x1b[31mtext\x7f");
  // Wine passes debug strings on in the ANSI code page alone, where 0x81 and 0x9D are C1
  // controls; Windows passes the bidi controls too.
  OutputDebugStringW(L"c1 \x81\x9d bidi \x202e\x2066 end");
  OutputDebugStringW(L"perinax-trace: exit code 0 (0x00000000): success");
  // Wine's OutputDebugStringW cuts a string at 32,766 characters and sends a copy, so the long
  // strings and the one at a page's end go out with OutputDebugStringA, which sends the
  // program's own buffer. 65,535 characters and their terminator make a length of 0 in 16 bits,
  // 100,000 one of 34,465; 1,100,000 are more than the viewer keeps.
  for (const std::size_t length : {std::size_t{65535}, std::size_t{100000}}) {
    std::string text(length, 'a');
    text.back() = 'Z';
    OutputDebugStringA(text.c_str());
  }
  OutputDebugStringA(std::string(1100000, 'b').c_str());
  // Ends with its terminator in the last byte before a page that cannot be read.
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  auto* pages = static_cast<char*>(
      VirtualAlloc(nullptr, 2 * system.dwPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  if (pages != nullptr &&
      VirtualProtect(pages + system.dwPageSize, system.dwPageSize, PAGE_NOACCESS, &old)) {
    constexpr char kEdge[] = "at the page's end";
    char* const at = pages + system.dwPageSize - sizeof(kEdge);
    std::memcpy(at, kEdge, sizeof(kEdge));
    OutputDebugStringA(at);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wcscmp(argv[1], L"lines") == 0) {
    const long count = std::wcstol(argv[2], nullptr, 10);
    for (long i = 0; i < count; ++i)
      OutputDebugStringW((std::wstring(argv[3]) + L" " + std::to_wstring(i)).c_str());
    return 0;
  }
  SendHostileLines();
  return 0;
}
