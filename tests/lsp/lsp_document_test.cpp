// What the protocol-level tests cannot reach yet: a safe fix turned into a code
// action (a hand-made one, until the checks make them), and the checker's
// places turned into the editor's for each form a file comes in.

#include <gtest/gtest.h>

#include "tools/explain/lsp/lsp_features.h"

namespace {

LspDocument Opened(std::string text, FileForm form) {
  LspDocument document{.uri = "file:///media/Perinax.ini", .text = std::move(text), .form = form};
  ExplainDocument(document);
  return document;
}

nlohmann::json At(std::uint32_t line, std::uint32_t character) {
  return {{"line", line}, {"character", character}};
}

TEST(LspDocument, PlacesAreTheEditorsUtf16UnitsInEveryForm) {
  // "Größe" is 7 bytes of UTF-8 that an ANSI read counts as 7 units, and 5
  // units of UTF-16 in the editor and in a UTF-16 file alike.
  const std::string text =
      "[Default]\nGr\xC3\xB6\xC3\x9F"
      "e=1\n";
  const Position afterName{2, 8};  // as the checker counts the UTF-8 bytes read as ANSI
  EXPECT_EQ(EditorPosition(Opened(text, FileForm::kAsTyped), afterName), At(1, 5));
  EXPECT_EQ(EditorPosition(Opened(text, FileForm::kUtf16Le), Position{2, 6}), At(1, 5));
  // A UTF-8 mark is three units of the first line for the checker, none for the editor.
  EXPECT_EQ(EditorPosition(Opened(text, FileForm::kUtf8WithMark), Position{1, 5}), At(0, 1));
  EXPECT_EQ(EditorLine(Opened("a\r\nb\rc\nd", FileForm::kAsTyped), 2), "c");
}

TEST(LspDocument, AFixIsAQuickFixInTheFilesLineEnds) {
  LspDocument document =
      Opened("[Default]\r\nRegPath32KeyValue=0x3E ; hex\r\n", FileForm::kAsTyped);
  ASSERT_TRUE(document.explanation);
  Finding finding{.range = {{2, 19}, {2, 23}},
                  .code = Code::kValueNumber,
                  .about = L"[Default]",
                  .message = L"RegPath32KeyValue=0x3E is hexadecimal"};
  finding.fix = Fix{L"Write the value as 62",
                    {TextEdit{{2, 19}, {2, 23}, L"62"}, TextEdit{{2, 24}, {2, 30}, L"\n; hex"}}};
  document.explanation->findings = {finding};

  const nlohmann::json actions = CodeActions(document, 1, 1, "https://docs/{code}");
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0]["kind"], "quickfix");
  EXPECT_EQ(actions[0]["title"], "Write the value as 62");
  EXPECT_EQ(actions[0]["diagnostics"][0]["codeDescription"]["href"], "https://docs/value-number");
  const nlohmann::json& edits = actions[0]["edit"]["changes"][document.uri];
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_EQ(edits[0]["range"]["start"], At(1, 18));
  EXPECT_EQ(edits[0]["newText"], "62");
  EXPECT_EQ(edits[1]["newText"], "\r\n; hex");
  // A finding on another line offers nothing there.
  EXPECT_TRUE(CodeActions(document, 0, 0, "").empty());
}

}  // namespace
