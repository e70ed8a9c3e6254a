#pragma once

// The small pieces the warnings are worded from: names as a message shows
// them, and the near-miss measures behind "did you mean".

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct CasePlan;

// ASCII letters lowered; other characters as they are.
std::wstring Lower(std::wstring_view text);
// A section name reduced to what an author means by it: "Windows 8.1",
// "WIN8_1" and "win81" all become "win81". Written into `gist`, whose room is
// kept from call to call.
void GistInto(std::wstring_view name, std::wstring& gist);
std::wstring Gist(std::wstring_view name);
// The first character of the name's gist, NUL when the gist is empty: the
// name's first letter or digit, lowered ("windows" shortened to "win" keeps
// its "w"). Found without building the gist.
wchar_t GistLead(std::wstring_view name);
// Edits (insert, delete, change, swap of neighbours) from one text to the
// other, letter case aside; texts far apart in length count as far apart.
std::size_t EditDistance(std::wstring_view a, std::wstring_view b);

// Text from the file as a message shows it: printable, at most 80 characters.
std::wstring Shown(std::wstring_view text);
std::wstring Bracketed(std::wstring_view name);  // [name]
std::wstring Quoted(std::wstring_view text);     // "text"
std::wstring Widen(const char* text);
std::wstring Stored(std::uint32_t value);  // 0x0000002A (42)
// "vista-x86, win7-x86"
std::wstring CaseNames(const std::vector<const CasePlan*>& plans);
// Finds `needle` with ASCII letter case aside, from `from` on.
std::size_t FindFolded(std::wstring_view text, std::wstring_view needle, std::size_t from = 0);
std::size_t CountOf(std::wstring_view text, std::wstring_view needle);
