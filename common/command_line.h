#pragma once

// The argument text of a Windows command line: what follows the program name
// and the blanks after it, untouched. Points into commandLine.
const wchar_t* ArgumentText(const wchar_t* commandLine);
