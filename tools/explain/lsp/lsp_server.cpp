#include "tools/explain/lsp/lsp_server.h"

#include <system_error>

#include "perinax_version.h"
#include "tools/common/utf.h"
#include "tools/explain/formats/forms.h"
#include "tools/explain/lsp/lsp_features.h"
#include "tools/explain/lsp/lsp_transport.h"

namespace {

using json = nlohmann::json;

// JSON-RPC's and the protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInternalError = -32603;
constexpr int kServerNotInitialized = -32002;

struct RequestError {
  int code;
  std::string message;
};

json ErrorResponse(const json& id, int code, const std::string& message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

std::string StringAt(const json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_string() ? found->get<std::string>() : "";
}

std::uint32_t NumberAt(const json& object, const char* key) {
  const auto found = object.find(key);
  return found != object.end() && found->is_number_unsigned() ? found->get<std::uint32_t>() : 0;
}

const json& ObjectAt(const json& object, const char* key) {
  static const json empty = json::object();
  const auto found = object.find(key);
  return found != object.end() && found->is_object() ? *found : empty;
}

json Capabilities() {
  return {{"textDocumentSync", {{"openClose", true}, {"change", 1}}},  // 1: full text
          {"hoverProvider", true},
          {"documentSymbolProvider", true},
          {"completionProvider", {{"triggerCharacters", {"["}}}},
          {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}}};
}

}  // namespace

const LspDocument* LanguageServer::Find(const json& params) const {
  const auto found = documents_.find(StringAt(ObjectAt(params, "textDocument"), "uri"));
  return found == documents_.end() ? nullptr : &found->second;
}

void LanguageServer::Publish(const LspDocument& document, std::vector<json>& send) const {
  send.push_back(
      {{"jsonrpc", "2.0"},
       {"method", "textDocument/publishDiagnostics"},
       {"params", {{"uri", document.uri}, {"diagnostics", Diagnostics(document, codePages_)}}}});
}

json LanguageServer::Answer(const std::string& method, const json& params) {
  if (method == "initialize") {
    initialized_ = true;
    const std::string pages = StringAt(ObjectAt(params, "initializationOptions"), "codePages");
    if (!pages.empty()) codePages_ = pages;
    return {{"capabilities", Capabilities()},
            {"serverInfo", {{"name", "perinax-explain"}, {"version", PERINAX_VERSION_TEXT}}}};
  }
  if (!initialized_) throw RequestError{kServerNotInitialized, "initialize first"};
  if (shutDown_) throw RequestError{kInvalidRequest, "the server is shutting down"};
  if (method == "shutdown") {
    shutDown_ = true;
    return nullptr;
  }
  const LspDocument* document = Find(params);
  const json& position = ObjectAt(params, "position");
  if (method == "textDocument/hover") {
    if (document == nullptr) return nullptr;
    const std::optional<std::string> text = HoverText(*document, NumberAt(position, "line"));
    if (!text) return nullptr;
    return {{"contents", {{"kind", "markdown"}, {"value", *text}}}};
  }
  if (method == "textDocument/documentSymbol") {
    return document == nullptr ? json::array() : DocumentSymbols(*document);
  }
  if (method == "textDocument/completion") {
    if (document == nullptr) return json::array();
    return Completions(*document, NumberAt(position, "line"), NumberAt(position, "character"));
  }
  if (method == "textDocument/codeAction") {
    if (document == nullptr) return json::array();
    const json& range = ObjectAt(params, "range");
    return CodeActions(*document, NumberAt(ObjectAt(range, "start"), "line"),
                       NumberAt(ObjectAt(range, "end"), "line"), codePages_);
  }
  throw RequestError{kMethodNotFound, "no such method: " + method};
}

void LanguageServer::Notified(const std::string& method, const json& params,
                              std::vector<json>& send) {
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ || shutDown_) return;
  const json& item = ObjectAt(params, "textDocument");
  const std::string uri = StringAt(item, "uri");
  if (method == "textDocument/didOpen") {
    LspDocument document{.uri = uri, .text = StringAt(item, "text"), .path = PathOfUri(uri)};
    if (document.path) document.form = FormOnDisk(*document.path);
    ExplainDocument(document);
    Publish(documents_[uri] = std::move(document), send);
  } else if (method == "textDocument/didChange") {
    const auto found = documents_.find(uri);
    const auto changes = params.find("contentChanges");
    if (found == documents_.end() || changes == params.end() || !changes->is_array() ||
        changes->empty()) {
      return;
    }
    // Full sync: the last change holds the whole text.
    found->second.text = StringAt(changes->back(), "text");
    ExplainDocument(found->second);
    Publish(found->second, send);
  } else if (method == "textDocument/didClose") {
    if (documents_.erase(uri) == 0) return;
    send.push_back({{"jsonrpc", "2.0"},
                    {"method", "textDocument/publishDiagnostics"},
                    {"params", {{"uri", uri}, {"diagnostics", json::array()}}}});
  }
}

void LanguageServer::Receive(const json& message, std::vector<json>& send) {
  if (!message.is_object()) {
    send.push_back(ErrorResponse(nullptr, kInvalidRequest, "not a JSON-RPC message"));
    return;
  }
  const std::string method = StringAt(message, "method");
  const auto id = message.find("id");
  const json& params = ObjectAt(message, "params");
  if (id == message.end()) {
    if (!method.empty()) Notified(method, params, send);
    return;  // a notification, or a response to nothing the server asked
  }
  if (method.empty()) return;
  try {
    send.push_back({{"jsonrpc", "2.0"}, {"id", *id}, {"result", Answer(method, params)}});
  } catch (const RequestError& error) {
    send.push_back(ErrorResponse(*id, error.code, error.message));
  } catch (const std::exception& error) {
    send.push_back(ErrorResponse(*id, kInternalError, error.what()));
  }
}

int RunLanguageServer(std::FILE* in, std::FILE* out, const std::filesystem::path& program) {
  // The release lays each code's page out beside the program.
  std::error_code error;
  const std::filesystem::path pages = program.parent_path() / "docs" / "warnings";
  std::string codePages;
  if (std::filesystem::is_directory(pages, error)) {
    const std::filesystem::path folder = std::filesystem::absolute(pages, error);
#ifdef _WIN32
    codePages = UriReference(folder.wstring()) + "/{code}.html";
#else
    codePages = UriReference(Utf16FromUtf8(folder.string())) + "/{code}.html";
#endif
  }
  LanguageServer server(codePages);
  std::vector<json> send;
  while (!server.exited()) {
    const std::optional<std::string> body = ReadMessage(in);
    if (!body) return 1;  // the client went away without exit
    const json message = json::parse(*body, nullptr, false);
    if (message.is_discarded()) {
      send.push_back(ErrorResponse(nullptr, kParseError, "not JSON"));
    } else {
      server.Receive(message, send);
    }
    for (const json& answer : send) {
      if (!WriteMessage(out, answer.dump(-1, ' ', false, json::error_handler_t::replace))) return 1;
    }
    send.clear();
  }
  return server.exitCode();
}
