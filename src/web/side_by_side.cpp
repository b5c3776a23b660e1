// Retrieving many addresses side by side through libcurl's multi interface,
// a few at once over kept connections: for checking links, keeping only each
// body's first line, and for checking a site, keeping whole pages.
#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <new>

#include "base/messages.h"
#include "web/transfer.h"
#include "web/web.h"

namespace {

// A handful at once: a checked page's links are often on one server, which
// should not be flooded.
constexpr std::size_t most_at_once = 8;

// Side-by-side transfers have no watch but the silence watch.
const TransferWatch no_watch;

struct SideTransfer {
  explicit SideTransfer(CURL* curl) : curl(curl, curl_easy_cleanup), transfer(curl, no_watch) {}
  CurlHandle curl;
  Transfer transfer;  // its body holds the first line only, unless the whole is wanted
  std::size_t id = 0;
  curl_off_t received = 0;
  bool line_whole = false;
  bool stopped_at_first_line = false;  // by us, once the first line was whole
};

// Whether the whole body the server announced is in hand: the transfer then
// ends by itself, and its connection can be kept for the next target.
bool all_arrived(const SideTransfer& side) {
  curl_off_t length = -1;
  curl_easy_getinfo(side.curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return length >= 0 && side.received >= length;
}

extern "C" std::size_t keep_first_line(char* data, std::size_t size, std::size_t count,
                                       void* side_data) {
  auto& side = *static_cast<SideTransfer*>(side_data);
  const std::size_t bytes = size * count;
  side.received += static_cast<curl_off_t>(bytes);
  if (!side.line_whole) {
    const std::string_view piece(data, bytes);
    const std::size_t end =
        std::min(piece.find('\n'), link_first_line_bytes - side.transfer.body.size());
    side.transfer.body.append(piece.substr(0, std::min(end, piece.size())));
    side.line_whole = end < piece.size() || side.transfer.body.size() >= link_first_line_bytes;
  }
  if (side.line_whole && !all_arrived(side)) {  // what a check needs has come: stop here
    side.stopped_at_first_line = true;
    return 0;
  }
  return bytes;
}

std::unique_ptr<SideTransfer> start(CURLM* multi, const Wanted& wanted) {
  auto side = std::make_unique<SideTransfer>(curl_easy_init());
  CURL* curl = side->curl.get();
  if (curl == nullptr) throw std::bad_alloc();
  side->id = wanted.id;
  curl_easy_setopt(curl, CURLOPT_URL, wanted.address.c_str());
  if (wanted.whole) {
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, write_body);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &side->transfer);
  } else {
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keep_first_line);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, side.get());
  }
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, watch_transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &side->transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_multi_add_handle(multi, curl);
  return side;
}

SideAnswer answer_of(SideTransfer& side, CURLcode result) {
  SideAnswer answer;
  const TransferEnd end = end_of(side.transfer, side.stopped_at_first_line ? CURLE_OK : result);
  answer.stop = end.stop;
  answer.status = end.status;
  answer.moved_to = end.moved_to;
  if (answer.stop != TransferStop::cut) answer.failure = failure_line(end);
  answer.body = std::move(side.transfer.body);
  return answer;
}

using CurlMulti = std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)>;

// Hands each finished transfer's answer over, and drops the transfer.
void take_finished(CURLM* multi, std::vector<std::unique_ptr<SideTransfer>>& running,
                   const SideBySide& work) {
  int waiting = 0;
  while (CURLMsg* message = curl_multi_info_read(multi, &waiting)) {
    if (message->msg != CURLMSG_DONE) continue;
    auto found = std::find_if(running.begin(), running.end(), [message](const auto& side) {
      return side->curl.get() == message->easy_handle;
    });
    const CURLcode result = message->data.result;  // the message ends with the removal
    std::unique_ptr<SideTransfer> side = std::move(*found);
    running.erase(found);
    curl_multi_remove_handle(multi, side->curl.get());
    work.answered(side->id, answer_of(*side, result));
  }
}

}  // namespace

bool retrieve_side_by_side(const SideBySide& work) {
  init_curl_once();
  const CurlMulti multi(curl_multi_init(), curl_multi_cleanup);
  if (!multi) throw std::bad_alloc();
  std::vector<std::unique_ptr<SideTransfer>> running;
  for (;;) {
    if (work.stop && work.stop()) break;
    while (running.size() < most_at_once) {
      std::optional<Wanted> wanted = work.next();
      if (!wanted) break;
      if (holds_nul(wanted->address)) {
        SideAnswer refused;
        refused.failure = message::holds_nul;
        refused.stop = TransferStop::failed;
        work.answered(wanted->id, std::move(refused));
        continue;
      }
      running.push_back(start(multi.get(), *wanted));
    }
    if (running.empty()) return true;
    int still_running = 0;
    curl_multi_perform(multi.get(), &still_running);
    const std::size_t before = running.size();
    take_finished(multi.get(), running, work);
    if (running.size() == before) curl_multi_poll(multi.get(), nullptr, 0, 200, nullptr);
  }
  for (const auto& side : running) curl_multi_remove_handle(multi.get(), side->curl.get());
  return false;
}

std::vector<SideAnswer> retrieve_links(const std::vector<std::string>& addresses,
                                       const LinkProgress& progress) {
  std::vector<SideAnswer> answers(addresses.size());
  std::size_t started = 0;
  std::size_t done = 0;
  if (progress) progress(done, addresses.size());
  retrieve_side_by_side({
      [&]() -> std::optional<Wanted> {
        if (started == addresses.size()) return std::nullopt;
        ++started;
        return Wanted{addresses[started - 1], started - 1, false};
      },
      [&](std::size_t id, SideAnswer answer) {
        answers[id] = std::move(answer);
        if (progress) progress(++done, addresses.size());
      },
      {},
  });
  return answers;
}
