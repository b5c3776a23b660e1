// The language server driven as an editor drives it, JSON-RPC over pipes:
// diagnostics, links checked in the background, hovers, document links and
// quick fixes, and every kind of bad input answered while the server lives on.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "support/loopback_server.h"
#include "support/run_program.h"

namespace {

using Json = nlohmann::json;

// An editor: sends messages, and waits for the one it wants among those the
// server writes.
class Editor {
 public:
  Editor() : run({"--lsp"}, LiveRun::Input::pipes) {}

  void send(const Json& message) { send_raw(framed(message.dump())); }
  void send_raw(const std::string& bytes) { run.type(bytes); }
  static std::string framed(const std::string& body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
  }
  void request(int id, const std::string& method, const Json& params) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
  }
  void notify(const std::string& method, const Json& params) {
    send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }

  // The next message that `wanted` accepts; messages before it are kept in `passed`.
  Json next(const std::function<bool(const Json&)>& wanted) {
    for (;;) {
      while (std::optional<Json> message = take()) {
        if (wanted(*message)) return *message;
        passed.push_back(*message);
      }
      if (!run.shows("Content-Length:", 10)) return nullptr;
    }
  }
  Json answer(int id) {
    return next([id](const Json& m) { return m.contains("id") && m["id"] == id; });
  }
  Json published() {
    return next(
        [](const Json& m) { return m.value("method", "") == "textDocument/publishDiagnostics"; });
  }
  Json logged() {
    return next([](const Json& m) { return m.value("method", "") == "window/logMessage"; });
  }

  LiveRun run;
  std::vector<Json> passed;

 private:
  std::optional<Json> take() {
    const std::size_t end = run.output.find("\r\n\r\n", read);
    if (end == std::string::npos) return std::nullopt;
    const std::size_t length = std::stoul(run.output.substr(read + 15, end - read - 15));
    if (run.output.size() < end + 4 + length) return std::nullopt;
    Json message = Json::parse(run.output.substr(end + 4, length));
    read = end + 4 + length;
    return message;
  }
  std::size_t read = 0;
};

// The codes of a publication's diagnostics, with their lines.
std::vector<std::string> codes_of(const Json& published) {
  std::vector<std::string> codes;
  for (const Json& d : published["params"]["diagnostics"])
    codes.push_back(std::to_string(d["range"]["start"]["line"].get<int>()) + " " +
                    d.value("code", ""));
  return codes;
}

TEST(LanguageServer, ServesAnEditorAsItTypes) {
  const std::string folder = test_home() + "/workspace";
  std::filesystem::create_directories(folder + "/site");
  std::ofstream(folder + "/site/there.txt") << "0:There||\\\n";
  std::ofstream(folder + "/linebrowse.toml")
      << "root = \"site\"\nserved-at = \"http://127.0.0.1:9/docs/\"\n";
  const std::string down = "127.0.0.1:" + std::to_string(closed_port());
  const std::string uri = "file://" + folder + "/site/page.txt";
  Editor editor;
  editor.request(1, "textDocument/hover", Json::object());
  EXPECT_EQ(editor.answer(1)["error"]["code"], -32002) << "initialize comes first";
  editor.request(2, "initialize",
                 {{"rootUri", "file://" + folder},
                  {"capabilities", {{"general", {{"positionEncodings", {"utf-8"}}}}}}});
  const Json init = editor.answer(2);
  EXPECT_EQ(init["result"]["capabilities"]["positionEncoding"], "utf-8");
  editor.notify("initialized", Json::object());
  const std::string text = "0:Page||-\r\n1:Down|" + down +
                           "/x|-\n2:Here|http://127.0.0.1:9/docs/there.txt|-\n"
                           "3:Gone|127.0.0.1:9/docs/gone.txt|-\n4:Safe|https://" +
                           down + "/y|-\nbad\n";
  editor.notify(
      "textDocument/didOpen",
      {{"textDocument", {{"uri", uri}, {"languageId", "text"}, {"version", 1}, {"text", text}}}});
  // The links' verdicts come after the page's own problems.
  const auto all_links_in = [](const Json& m) {
    return m.value("method", "") == "textDocument/publishDiagnostics" && codes_of(m).size() == 7;
  };
  const Json diagnostics = editor.next(all_links_in);
  EXPECT_EQ(codes_of(diagnostics),
            (std::vector<std::string>{"0 crlf", "1 link-failed", "3 link-failed", "4 https-target",
                                      "4 link-failed", "5 no-terminator", "5 not-a-record"}));
  const Json gone = diagnostics["params"]["diagnostics"][2];
  EXPECT_EQ(gone["range"]["start"]["character"], 7) << "at the target";
  EXPECT_EQ(diagnostics["params"]["diagnostics"][3]["range"]["start"]["character"], 7)
      << "https-target, at the target";
  EXPECT_EQ(gone["message"],
            "link to http://127.0.0.1:9/docs/gone.txt: no file " + folder + "/site/gone.txt");

  editor.request(3, "textDocument/hover",
                 {{"textDocument", {{"uri", uri}}}, {"position", {{"line", 2}, {"character", 9}}}});
  EXPECT_EQ(editor.answer(3)["result"]["contents"]["value"],
            "Goes to file://" + folder + "/site/there.txt\nLast checked: it leads to a page.");
  editor.request(4, "textDocument/documentLink", {{"textDocument", {{"uri", uri}}}});
  const Json links = editor.answer(4)["result"];
  ASSERT_EQ(links.size(), 4U);
  EXPECT_EQ(links[0]["target"], "http://" + down + "/x");
  EXPECT_EQ(links[1]["target"], "file://" + folder + "/site/there.txt");

  editor.request(5, "textDocument/codeAction",
                 {{"textDocument", {{"uri", uri}}},
                  {"range", diagnostics["params"]["diagnostics"][0]["range"]},
                  {"context", {{"diagnostics", diagnostics["params"]["diagnostics"]}}}});
  std::vector<Json> edits;
  const Json actions = editor.answer(5);
  for (const Json& action : actions["result"]) edits.push_back(action["edit"]["changes"][uri]);
  ASSERT_EQ(edits.size(), 3U);
  EXPECT_EQ(edits[0][0]["range"]["start"], Json({{"line", 0}, {"character", 9}}));  // the CR
  EXPECT_EQ(edits[0][0]["newText"], "");
  EXPECT_EQ(edits[1][0]["newText"], "http://" + down + "/y");
  EXPECT_EQ(edits[2][0]["range"]["start"], Json({{"line", 4}, {"character", 18 + down.size()}}));
  EXPECT_EQ(edits[2][0]["newText"], "\\") << "the last record made the terminator";

  // A burst of changes, then one publication, for the last of them.
  const std::string mended = text.substr(0, text.size() - 4) + "5:b||\\\n";
  for (int version = 2; version <= 6; ++version)
    editor.notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", version}}},
                                             {"contentChanges", {{{"text", mended}}}}});
  editor.passed.clear();
  const Json settled = editor.next([](const Json& m) {
    return m.value("method", "") == "textDocument/publishDiagnostics" &&
           m["params"].value("version", 0) == 6;
  });
  EXPECT_EQ(codes_of(settled).back(), "4 link-failed") << "the bad line mended";
  // The last record's own flag is never overwritten: no fix is offered.
  const Json no_terminator = {
      {"range",
       {{"start", {{"line", 1}, {"character", 0}}}, {"end", {{"line", 1}, {"character", 6}}}}},
      {"code", "no-terminator"},
      {"source", "linebrowse"},
      {"message", "no terminator record"}};
  editor.notify("textDocument/didOpen",
                {{"textDocument",
                  {{"uri", "file:///flag.txt"}, {"version", 1}, {"text", "0:T||-\n1:a||x\n"}}}});
  editor.request(7, "textDocument/codeAction",
                 {{"textDocument", {{"uri", "file:///flag.txt"}}},
                  {"range", no_terminator["range"]},
                  {"context", {{"diagnostics", {no_terminator}}}}});
  EXPECT_EQ(editor.answer(7)["result"], Json::array());
  editor.request(6, "shutdown", nullptr);
  editor.answer(6);
  for (const Json& message : editor.passed) {
    const int version = message.value("params", Json::object()).value("version", 0);
    EXPECT_TRUE(version < 2 || version > 5) << "one result for the burst: " << message.dump();
  }
  editor.notify("exit", nullptr);
  EXPECT_EQ(editor.run.finish(), 0);
}

// Each bad input is answered with an error or a log message, and the next
// request still is.
TEST(LanguageServer, BadInputIsAnsweredAndTheServerLivesOn) {
  LoopbackServer hanging;
  hanging.route("/slow.txt", {"", "200 OK", Reply::Style::hang});
  Editor editor;
  editor.request(1, "initialize", {{"capabilities", Json::object()}});
  editor.answer(1);
  const std::string uri = "file:///tmp/page.txt";
  const std::string big(64 << 20, 'x');
  struct Row {
    const char* what;
    std::string bytes;
    int error;           // the error code of an answer, or 0 for a log message
    std::string logged;  // in the log message
  };
  const Row rows[] = {
      {"malformed JSON", Editor::framed("{\"jsonrpc\":"), -32700, ""},
      {"no Content-Length", "Content-Type: x\r\n\r\n", 0, "without a Content-Length"},
      {"over 64 MiB", "Content-Length: 67108865\r\n\r\n" + big + "x", 0, "over 64 MiB"},
      {"a document of 64 MiB",
       Editor::framed(
           Json({{"jsonrpc", "2.0"},
                 {"method", "textDocument/didOpen"},
                 {"params", {{"textDocument", {{"uri", "file:///big"}, {"text", big}}}}}})
               .dump()),
       0, "over 64 MiB"},
      {"a field of the wrong type",
       Editor::framed(
           R"({"jsonrpc":"2.0","id":8,"method":"textDocument/hover","params":)"
           R"({"textDocument":{"uri":"file:///tmp/page.txt"},"position":{"line":"x"}}})"),
       -32602, ""},
      {"an unknown method", Editor::framed(R"({"jsonrpc":"2.0","id":9,"method":"x/y"})"), -32601,
       ""},
      {"an edit outside the document",
       Editor::framed(Json({{"jsonrpc", "2.0"},
                            {"method", "textDocument/didChange"},
                            {"params",
                             {{"textDocument", {{"uri", uri}, {"version", 2}}},
                              {"contentChanges",
                               {{{"range",
                                  {{"start", {{"line", 9}, {"character", 0}}},
                                   {"end", {{"line", 9}, {"character", 1}}}}},
                                 {"text", "x"}}}}}}})
                          .dump()),
       0, "outside the document"},
  };
  editor.notify("textDocument/didOpen",
                {{"textDocument",
                  {{"uri", uri},
                   {"version", 1},
                   {"text", "0:T||-\n1:Slow|" + hanging.host() + "/slow.txt|\\\n"}}}});
  int id = 10;
  for (const Row& row : rows) {
    editor.send_raw(row.bytes);
    if (row.error != 0) {
      const Json refused = editor.next([](const Json& m) { return m.contains("error"); });
      EXPECT_EQ(refused["error"]["code"], row.error) << row.what;
    } else {
      EXPECT_NE(editor.logged()["params"]["message"].get<std::string>().find(row.logged),
                std::string::npos)
          << row.what;
    }
    editor.request(++id, "textDocument/documentLink", {{"textDocument", {{"uri", uri}}}});
    EXPECT_EQ(editor.answer(id)["result"].size(), 1U) << row.what << ": the server lives on";
  }
  // A link that never answers holds nothing up: closing drops its check, and
  // the next page's links are checked at once.
  editor.notify("textDocument/didClose", {{"textDocument", {{"uri", uri}}}});
  const std::string next = "file:///tmp/next.txt";
  editor.notify(
      "textDocument/didOpen",
      {{"textDocument",
        {{"uri", next},
         {"version", 1},
         {"text", "0:T||-\n1:Down|127.0.0.1:" + std::to_string(closed_port()) + "/|\\\n"}}}});
  EXPECT_NE(editor
                .next([](const Json& m) {
                  return m.value("method", "") == "textDocument/publishDiagnostics" &&
                         codes_of(m) == std::vector<std::string>{"1 link-failed"};
                })
                .dump(),
            "null");
  editor.notify("exit", nullptr);
  EXPECT_EQ(editor.run.finish(5), 1) << "exit without shutdown";
}

}  // namespace
