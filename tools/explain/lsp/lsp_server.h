#pragma once

// perinax-explain --lsp: the checker as a language server (protocol 3.17) for
// the editors authors write Perinax.ini in. Full text sync; diagnostics on
// every open and change; hover, document symbols, completion and the safe
// fixes as code actions.

#include <cstdio>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/explain/lsp/lsp_document.h"

class LanguageServer {
 public:
  // `codePages`: each code's page with "{code}" for its name, or empty; the
  // client's initializationOptions.codePages takes its place.
  explicit LanguageServer(std::string codePages) : codePages_(std::move(codePages)) {}

  // Handles one message; what it answers (a response, notifications) is
  // appended to `send`.
  void Receive(const nlohmann::json& message, std::vector<nlohmann::json>& send);

  bool exited() const { return exited_; }
  // 0 when `exit` came after `shutdown`, 1 otherwise, as the protocol asks.
  int exitCode() const { return shutDown_ ? 0 : 1; }

 private:
  nlohmann::json Answer(const std::string& method, const nlohmann::json& params);
  void Notified(const std::string& method, const nlohmann::json& params,
                std::vector<nlohmann::json>& send);
  void Publish(const LspDocument& document, std::vector<nlohmann::json>& send) const;
  const LspDocument* Find(const nlohmann::json& params) const;

  std::string codePages_;
  std::map<std::string, LspDocument> documents_;
  bool initialized_ = false;
  bool shutDown_ = false;
  bool exited_ = false;
};

// Serves `in` and `out` until `exit` or the end of `in`; the process's exit code.
int RunLanguageServer(std::FILE* in, std::FILE* out, const std::filesystem::path& program);
