#pragma once

// The table of output forms: the usage text's list of forms, the parsing of
// --format and the choice of writer all come from it, so that a new form is
// one entry here (and its writer).

#include <span>
#include <string>
#include <string_view>

#include "tools/explain/engine/explanation.h"

struct FormOutput {
  std::string out;  // UTF-8
  std::string err;  // UTF-8
};

struct OutputForm {
  const char* name;   // as --format takes it
  const char* usage;  // what the usage text says of it
  FormOutput (*write)(const Explanation& explanation, const std::wstring& shownFile);
  // What it writes to standard output when the file cannot be checked or the
  // command line is wrong, besides the message on standard error; null for
  // nothing.
  std::string (*failure)(const std::string& message);
};

// The forms, the default first.
std::span<const OutputForm> OutputForms();
const OutputForm* FindOutputForm(std::string_view name);
// The names, parted by `between` and, before the last, by `beforeLast`:
// "text|json|sarif", "text, json or sarif".
std::string OutputFormNames(std::string_view between, std::string_view beforeLast);
