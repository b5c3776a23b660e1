// The language server (--lsp): JSON-RPC over standard input and output. The
// main thread reads, answers and publishes; one worker checks links in the
// background, its work dropped when the document changes or closes.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "check/address_patterns.h"
#include "check/check.h"
#include "check/language_server.h"
#include "web/web.h"

namespace {

using Clock = std::chrono::steady_clock;

// A burst of changes is one: diagnostics wait this long after the last.
constexpr auto settle = std::chrono::milliseconds(40);

namespace code {
constexpr int parse_error = -32700;
constexpr int invalid_request = -32600;
constexpr int method_not_found = -32601;
constexpr int invalid_params = -32602;
constexpr int server_not_initialized = -32002;
}  // namespace code

// Links to check for one version of a document.
struct LinkJob {
  std::string uri;
  std::size_t generation = 0;
  std::vector<std::string> addresses;  // as a server reads them, not yet judged
  std::shared_ptr<std::atomic<bool>> cancelled;
};

// What the worker found, for the main thread to take.
struct LinkFindings {
  std::vector<std::pair<std::string, LinkVerdict>> verdicts;
  std::vector<std::pair<std::string, std::size_t>> jobs_done;  // uri and generation
};

// The worker that checks links, and what passes between it and the main thread.
struct LinkWorker {
  const Workspace& workspace;
  const AddressPatterns& excluded;
  const bool& offline;
  std::mutex mutex{};
  std::condition_variable wanted{};
  std::deque<LinkJob> jobs{};
  LinkFindings findings{};
  bool ending = false;
  std::array<int, 2> wake{-1, -1};  // written to when findings wait
  std::thread thread{};

  void post(const std::string& address, const LinkVerdict& verdict) {
    const std::lock_guard lock(mutex);
    findings.verdicts.emplace_back(address, verdict);
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(wake[1], &byte, 1);
  }

  // What a link to `address` finds: the root's file, or a retrieval.
  void check(const LinkJob& job) {
    std::vector<std::string> remote;
    for (const std::string& address : job.addresses) {
      if (job.cancelled->load()) return;
      if (excluded.match(address)) continue;
      const auto file = workspace.root ? file_for(*workspace.root, address) : std::nullopt;
      if (file)
        post(address, verdict_of(read_root_file(*workspace.root, *file)));
      else if (!offline)
        remote.push_back(address);
    }
    std::size_t next = 0;
    retrieve_side_by_side({
        [&]() -> std::optional<Wanted> {
          if (next == remote.size()) return std::nullopt;
          ++next;
          return Wanted{remote[next - 1], next - 1, false, true};
        },
        [&](std::size_t id, const SideAnswer& answer) { post(remote[id], verdict_of(answer)); },
        [&] { return job.cancelled->load() || ending; },
    });
  }

  void run() {
    for (;;) {
      std::unique_lock lock(mutex);
      wanted.wait(lock, [this] { return ending || !jobs.empty(); });
      if (ending) return;
      LinkJob job = std::move(jobs.front());
      jobs.pop_front();
      lock.unlock();
      check(job);
      lock.lock();
      if (!job.cancelled->load()) findings.jobs_done.emplace_back(job.uri, job.generation);
      const char byte = 1;
      [[maybe_unused]] const ssize_t written = write(wake[1], &byte, 1);
    }
  }
};

struct OpenDocument {
  Document document;
  std::optional<Clock::time_point> publish_at;
  std::shared_ptr<std::atomic<bool>> links_cancelled = std::make_shared<std::atomic<bool>>(false);
};

struct Server {
  Console& console;
  Workspace workspace{};
  AddressPatterns excluded{};
  bool offline = false;
  bool initialized = false;
  bool shut_down = false;
  std::optional<int> exit_status{};
  std::map<std::string, OpenDocument> documents{};
  LinkWorker* worker = nullptr;

  void send(const Json& message) { console.out << framed(message) << std::flush; }
  void reply(const Json& id, Json result) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}});
  }
  void refuse(const Json& id, int error, const std::string& why) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", error}, {"message", why}}}});
  }
  void log(const std::string& text, int type = 1) {
    send({{"jsonrpc", "2.0"},
          {"method", "window/logMessage"},
          {"params", {{"type", type}, {"message", "linebrowse: " + text}}}});
  }
};

void initialize(Server& server, const Json& id, const Json& params) {
  const Json encodings = params.value("capabilities", Json::object())
                             .value("general", Json::object())
                             .value("positionEncodings", Json::array());
  if (encodings.is_array() &&
      std::find(encodings.begin(), encodings.end(), "utf-8") != encodings.end())
    server.workspace.encoding = PositionEncoding::utf8;
  std::optional<std::string> folder = folder_of(params.value("rootUri", Json()));
  const Json folders = params.value("workspaceFolders", Json());
  if (!folder && folders.is_array() && !folders.empty() && folders[0].is_object())
    folder = folder_of(folders[0].value("uri", Json()));
  server.initialized = true;
  server.reply(id, {{"capabilities", capabilities(server.workspace.encoding)},
                    {"serverInfo", {{"name", "linebrowse"}, {"version", LINEBROWSE_VERSION}}}});
  if (folder)
    if (const std::optional<std::string> why =
            read_workspace_config(*folder, server.workspace, server.excluded, server.offline))
      server.log(*why);
}

void check_links(Server& server, const std::string& uri, OpenDocument& open) {
  open.links_cancelled->store(true);
  open.links_cancelled = std::make_shared<std::atomic<bool>>(false);
  LinkJob job{uri, open.document.generation, {}, open.links_cancelled};
  each_link(open.document.text, [&](std::size_t /*line*/, std::string_view target) {
    std::string key = verdict_key(target);
    if (!server.workspace.verdicts.contains(key)) job.addresses.push_back(std::move(key));
  });
  if (job.addresses.empty()) return;
  const std::lock_guard lock(server.worker->mutex);
  server.worker->jobs.push_back(std::move(job));
  server.worker->wanted.notify_one();
}

OpenDocument* document_named(Server& server, const Json& params) {
  const Json uri = params.value("textDocument", Json::object()).value("uri", Json());
  if (!uri.is_string()) return nullptr;
  const auto found = server.documents.find(uri.get<std::string>());
  return found == server.documents.end() ? nullptr : &found->second;
}

void change(Server& server, const Json& params) {
  OpenDocument* open = document_named(server, params);
  const Json changes = params.value("contentChanges", Json());
  if (open == nullptr || !changes.is_array()) {
    server.log("didChange for a document that is not open: ignored");
    return;
  }
  std::string text = open->document.text;
  for (const Json& one : changes) {
    if (!one.is_object() || !apply_change(text, one, server.workspace.encoding)) {
      server.log("an edit whose range lies outside the document: the changes are ignored");
      return;
    }
  }
  open->document.text = std::move(text);
  open->document.version = params["textDocument"].value("version", open->document.version);
  ++open->document.generation;
  open->links_cancelled->store(true);
  open->publish_at = Clock::now() + settle;
}

void open_document(Server& server, const Json& params) {
  const Json item = params.value("textDocument", Json::object());
  if (!item.value("uri", Json()).is_string() || !item.value("text", Json()).is_string()) {
    server.log("didOpen without a document's uri and text: ignored");
    return;
  }
  const std::string uri = item["uri"].get<std::string>();
  OpenDocument& open = server.documents[uri];
  open.document.text = item["text"].get<std::string>();
  open.document.version = item.value("version", 0LL);
  ++open.document.generation;
  open.publish_at = Clock::now();
  check_links(server, uri, open);
}

void publish(Server& server, const std::string& uri, const Json& diagnostics,
             std::optional<long long> version = std::nullopt) {
  Json params = {{"uri", uri}, {"diagnostics", diagnostics}};
  if (version) params["version"] = *version;
  server.send({{"jsonrpc", "2.0"},
               {"method", "textDocument/publishDiagnostics"},
               {"params", std::move(params)}});
}

void notified(Server& server, const std::string& method, const Json& params) {
  if (method == "exit") {
    server.exit_status = server.shut_down ? 0 : 1;
  } else if (!server.initialized) {
    return;  // before initialize, notifications are dropped
  } else if (method == "textDocument/didOpen") {
    open_document(server, params);
  } else if (method == "textDocument/didChange") {
    change(server, params);
  } else if (method == "textDocument/didSave") {
    const Json uri = params.value("textDocument", Json::object()).value("uri", Json());
    if (OpenDocument* open = document_named(server, params))
      check_links(server, uri.get<std::string>(), *open);
  } else if (method == "textDocument/didClose") {
    if (OpenDocument* open = document_named(server, params)) {
      open->links_cancelled->store(true);
      const std::string uri = params["textDocument"]["uri"].get<std::string>();
      server.documents.erase(uri);
      publish(server, uri, Json::array());
    }
  }
}

Position position_in(const Json& params) {
  const Json at = params.value("position", Json::object());
  return {at.value("line", std::size_t{0}), at.value("character", std::size_t{0})};
}

void requested(Server& server, const Json& id, const std::string& method, const Json& params) {
  if (method == "initialize") return initialize(server, id, params);
  if (!server.initialized)
    return server.refuse(id, code::server_not_initialized, "initialize comes first");
  if (method == "shutdown") {
    server.shut_down = true;
    return server.reply(id, nullptr);
  }
  OpenDocument* open = document_named(server, params);
  const bool on_document = method == "textDocument/hover" ||
                           method == "textDocument/documentLink" ||
                           method == "textDocument/codeAction";
  if (!on_document) return server.refuse(id, code::method_not_found, "no method " + method);
  if (open == nullptr) return server.reply(id, nullptr);
  const Workspace& workspace = server.workspace;
  if (method == "textDocument/hover")
    return server.reply(id, hover_at(open->document, position_in(params), workspace));
  if (method == "textDocument/documentLink")
    return server.reply(id, document_links(open->document, workspace));
  server.reply(id,
               code_actions(open->document, params["textDocument"]["uri"].get<std::string>(),
                            params.value("context", Json::object()).value("diagnostics", Json()),
                            workspace));
}

void take_message(Server& server, const std::string& body) {
  const Json message = Json::parse(body, nullptr, false);
  if (message.is_discarded()) return server.refuse(nullptr, code::parse_error, "not JSON");
  if (!message.is_object() || !message.value("method", Json()).is_string()) {
    if (message.is_object() && message.contains("id") && !message.contains("method"))
      return;  // an answer to a request of ours: none are made
    return server.refuse(message.is_object() ? message.value("id", Json()) : Json(),
                         code::invalid_request, "not a request or a notification");
  }
  const std::string method = message["method"].get<std::string>();
  Json params = message.value("params", Json::object());
  if (!params.is_object()) params = Json::object();
  // A field of the wrong type somewhere in the parameters ends only this message.
  try {
    if (message.contains("id"))
      requested(server, message["id"], method, params);
    else
      notified(server, method, params);
  } catch (const Json::exception& error) {
    if (message.contains("id"))
      server.refuse(message["id"], code::invalid_params,
                    std::string("bad params: ") + error.what());
    else
      server.log(method + ": bad params: " + error.what());
  }
}

// Takes what the worker found: verdicts for every document's diagnostics.
void take_findings(Server& server) {
  LinkFindings found;
  {
    const std::lock_guard lock(server.worker->mutex);
    std::swap(found, server.worker->findings);
    std::array<char, 256> drained{};
    while (read(server.worker->wake[0], drained.data(), drained.size()) > 0) {
    }
  }
  for (auto& [address, verdict] : found.verdicts)
    server.workspace.verdicts[address] = std::move(verdict);
  if (found.verdicts.empty() && found.jobs_done.empty()) return;
  for (auto& [uri, open] : server.documents)
    if (!open.publish_at) open.publish_at = Clock::now();
}

// How long to wait for input: until the next document is due.
int wait_milliseconds(const Server& server) {
  std::optional<Clock::time_point> next;
  for (const auto& [uri, open] : server.documents)
    if (open.publish_at && (!next || *open.publish_at < *next)) next = open.publish_at;
  if (!next) return -1;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
  return static_cast<int>(std::max<long long>(0, left.count()));
}

void publish_due(Server& server) {
  const Clock::time_point now = Clock::now();
  for (auto& [uri, open] : server.documents) {
    if (!open.publish_at || *open.publish_at > now) continue;
    open.publish_at.reset();
    publish(server, uri, diagnostics_of(open.document, server.workspace), open.document.version);
  }
}

// Reads, answers and publishes until the editor says exit or its input ends.
void serve(Server& server, WireInput& input) {
  std::array<char, 65536> piece{};
  while (!server.exit_status && server.console.out) {
    std::array<pollfd, 2> ready{{{STDIN_FILENO, POLLIN, 0}, {server.worker->wake[0], POLLIN, 0}}};
    if (poll(ready.data(), ready.size(), wait_milliseconds(server)) < 0 && errno != EINTR) break;
    if (ready[1].revents != 0) take_findings(server);
    if (ready[0].revents != 0) {
      const ssize_t got = read(STDIN_FILENO, piece.data(), piece.size());
      if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) break;
      if (got > 0) input.buffer.append(piece.data(), static_cast<std::size_t>(got));
      while (!server.exit_status)
        if (std::optional<Frame> frame = take_frame(input)) {
          if (frame->fault)
            server.log(*frame->fault);
          else
            take_message(server, frame->body);
        } else {
          break;
        }
    }
    publish_due(server);
  }
}

}  // namespace

int serve_language(Console& console) {
  Server server{console};
  LinkWorker worker{server.workspace, server.excluded, server.offline};
  if (pipe2(worker.wake.data(), O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  server.worker = &worker;
  worker.thread = std::thread([&worker] { worker.run(); });
  WireInput input;
  serve(server, input);
  {
    const std::lock_guard lock(worker.mutex);
    worker.ending = true;
    for (const LinkJob& job : worker.jobs) job.cancelled->store(true);
  }
  for (auto& [uri, open] : server.documents) open.links_cancelled->store(true);
  worker.wanted.notify_one();
  worker.thread.join();
  close(worker.wake[0]);
  close(worker.wake[1]);
  return server.exit_status.value_or(server.shut_down ? 0 : 1);
}
