// Retrieving many addresses side by side through libcurl's multi interface,
// a few at once over kept connections: for checking links, keeping only each
// body's first line, and for checking a site, keeping whole pages.
#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <deque>
#include <memory>
#include <new>
#include <unordered_map>

#include "base/messages.h"
#include "web/transfer.h"
#include "web/web.h"

namespace {

// A handful at once: a checked page's links are often on one server, which
// should not be flooded.
constexpr std::size_t most_at_once = 8;

// Addresses handed out that wait for room at their host, at most: beyond
// them `next` is asked no more until some have gone.
constexpr std::size_t most_waiting = 1000;

// Side-by-side transfers have no watch but the silence watch.
const TransferWatch no_watch;

using Clock = std::chrono::steady_clock;

// Something handed out, waiting for room at its host or for its retry's time.
struct Pending {
  Wanted wanted;
  std::string host;       // its site, for a polite one
  std::size_t tries = 0;  // retries made
  Clock::time_point due{};
};

struct SideTransfer {
  explicit SideTransfer(CURL* curl) : curl(curl, curl_easy_cleanup), transfer(curl, no_watch) {}
  CurlHandle curl;
  Transfer transfer;  // its body holds the first line only, unless the whole is wanted
  Pending pending;
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

std::unique_ptr<SideTransfer> start(CURLM* multi, Pending pending) {
  auto side = std::make_unique<SideTransfer>(curl_easy_init());
  CURL* curl = side->curl.get();
  if (curl == nullptr) throw std::bad_alloc();
  side->pending = std::move(pending);
  const Wanted& wanted = side->pending.wanted;
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

// What a transfer that ended brought that bears on trying it again.
TurnedAway turned_away(const SideTransfer& side, CURLcode result, long status) {
  TurnedAway answer;
  answer.status = status;
  answer.connection_reset =
      !side.stopped_at_first_line &&
      (result == CURLE_RECV_ERROR || result == CURLE_SEND_ERROR || result == CURLE_GOT_NOTHING);
  curl_header* header = nullptr;
  if (curl_easy_header(side.curl.get(), "Retry-After", 0, CURLH_HEADER, -1, &header) == CURLHE_OK)
    answer.retry_after = header->value;
  return answer;
}

// The retrievals side by side: what runs, and what waits for its host or time.
struct SideWork {
  const SideBySide& work;
  CURLM* multi;
  std::vector<std::unique_ptr<SideTransfer>> running{};
  std::deque<Pending> waiting{};
  std::unordered_map<std::string, std::size_t> at_host{};  // polite ones running, by site
  bool next_is_empty = false;

  bool has_room(const Pending& pending) const {
    if (!pending.wanted.polite) return true;
    const auto found = at_host.find(pending.host);
    return found == at_host.end() || found->second < work.polite.host_concurrency;
  }

  void run(Pending pending) {
    if (pending.wanted.polite) ++at_host[pending.host];
    running.push_back(start(multi, std::move(pending)));
  }

  // Starts what waited and is due, then what `next` hands out, while there
  // is room; what has none waits, up to a bound, so that `next` is not
  // emptied into memory behind one slow host.
  void fill() {
    const Clock::time_point now = Clock::now();
    for (auto it = waiting.begin(); it != waiting.end() && running.size() < most_at_once;) {
      if (it->due <= now && has_room(*it)) {
        run(std::move(*it));
        it = waiting.erase(it);
      } else {
        ++it;
      }
    }
    next_is_empty = false;
    while (running.size() < most_at_once && waiting.size() < most_waiting) {
      std::optional<Wanted> wanted = work.next();
      if (!wanted) {
        next_is_empty = true;
        return;
      }
      if (holds_nul(wanted->address)) {
        SideAnswer refused;
        refused.failure = message::holds_nul;
        refused.stop = TransferStop::failed;
        work.answered(wanted->id, std::move(refused));
        continue;
      }
      Pending pending{std::move(*wanted), {}, 0, now};
      if (pending.wanted.polite) pending.host = site_of(pending.wanted.address);
      if (has_room(pending))
        run(std::move(pending));
      else
        waiting.push_back(std::move(pending));
    }
  }

  // A transfer that ended: tried again later when its server was busy, else answered.
  void finish(std::unique_ptr<SideTransfer> side, CURLcode result) {
    Pending& pending = side->pending;
    if (pending.wanted.polite && --at_host[pending.host] == 0) at_host.erase(pending.host);
    SideAnswer answer = answer_of(*side, result);
    const RetryWait retry = retry_wait(turned_away(*side, result, answer.status), pending.tries,
                                       work.polite, std::time(nullptr));
    if (retry.verdict == RetryWait::Verdict::again) {
      ++pending.tries;
      pending.due = Clock::now() + retry.wait;
      waiting.push_back(std::move(pending));
      return;
    }
    if (retry.verdict == RetryWait::Verdict::too_long)
      answer.failure +=
          ", RETRY AFTER " +
          std::to_string(std::chrono::ceil<std::chrono::seconds>(retry.wait).count()) + " S";
    work.answered(pending.wanted.id, std::move(answer));
  }

  // Hands each finished transfer over, and drops it.
  void take_finished() {
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg != CURLMSG_DONE) continue;
      auto found = std::find_if(running.begin(), running.end(), [message](const auto& side) {
        return side->curl.get() == message->easy_handle;
      });
      const CURLcode result = message->data.result;  // the message ends with the removal
      std::unique_ptr<SideTransfer> side = std::move(*found);
      running.erase(found);
      curl_multi_remove_handle(multi, side->curl.get());
      finish(std::move(side), result);
    }
  }

  // How long to wait for the network: until the next retry is due, and no
  // longer than `stop` may go unasked.
  int poll_milliseconds() const {
    auto wait = std::chrono::milliseconds(200);
    const Clock::time_point now = Clock::now();
    for (const Pending& pending : waiting)
      if (pending.due > now)
        wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(pending.due - now));
      else if (has_room(pending) && running.size() < most_at_once)
        return 0;
    return static_cast<int>(wait.count());
  }
};

}  // namespace

bool retrieve_side_by_side(const SideBySide& work) {
  init_curl_once();
  const CurlMulti multi(curl_multi_init(), curl_multi_cleanup);
  if (!multi) throw std::bad_alloc();
  SideWork side{work, multi.get()};
  for (;;) {
    if (work.stop && work.stop()) break;
    side.fill();
    if (side.running.empty() && side.waiting.empty() && side.next_is_empty) return true;
    int still_running = 0;
    curl_multi_perform(multi.get(), &still_running);
    const std::size_t before = side.running.size();
    side.take_finished();
    if (side.running.size() == before)
      curl_multi_poll(multi.get(), nullptr, 0, side.poll_milliseconds(), nullptr);
  }
  for (const auto& transfer : side.running)
    curl_multi_remove_handle(multi.get(), transfer->curl.get());
  return false;
}

std::vector<SideAnswer> retrieve_links(const std::vector<std::string>& addresses,
                                       const Politeness& polite, const LinkProgress& progress) {
  std::vector<SideAnswer> answers(addresses.size());
  std::size_t started = 0;
  std::size_t done = 0;
  if (progress) progress(done, addresses.size());
  retrieve_side_by_side({
      [&]() -> std::optional<Wanted> {
        if (started == addresses.size()) return std::nullopt;
        ++started;
        return Wanted{addresses[started - 1], started - 1, false, true};
      },
      [&](std::size_t id, SideAnswer answer) {
        answers[id] = std::move(answer);
        if (progress) progress(++done, addresses.size());
      },
      {},
      polite,
  });
  return answers;
}
