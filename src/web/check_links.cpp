// Retrieving the link targets of a page to check them: side by side through
// libcurl's multi interface, a few at once over kept connections, keeping of
// each body only the first line.
#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <new>

#include "web/transfer.h"
#include "web/web.h"

namespace {

// A handful at once: a checked page's links are often on one server, which
// should not be flooded.
constexpr std::size_t most_at_once = 8;

// Link transfers have no watch but the silence watch.
const TransferWatch no_watch;

struct LinkTransfer {
  explicit LinkTransfer(CURL* curl) : curl(curl, curl_easy_cleanup), transfer(curl, no_watch) {}
  CurlHandle curl;
  Transfer transfer;  // its body holds the first line only
  std::size_t index = 0;
  curl_off_t received = 0;
  bool line_whole = false;
  bool had_enough = false;  // stopped here once the first line was whole
};

// Whether the whole body the server announced is in hand: the transfer then
// ends by itself, and its connection can be kept for the next target.
bool all_arrived(const LinkTransfer& link) {
  curl_off_t length = -1;
  curl_easy_getinfo(link.curl.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
  return length >= 0 && link.received >= length;
}

extern "C" std::size_t keep_first_line(char* data, std::size_t size, std::size_t count,
                                       void* link_data) {
  auto& link = *static_cast<LinkTransfer*>(link_data);
  const std::size_t bytes = size * count;
  link.received += static_cast<curl_off_t>(bytes);
  if (!link.line_whole) {
    const std::string_view piece(data, bytes);
    const std::size_t end =
        std::min(piece.find('\n'), link_first_line_bytes - link.transfer.body.size());
    link.transfer.body.append(piece.substr(0, std::min(end, piece.size())));
    link.line_whole = end < piece.size() || link.transfer.body.size() >= link_first_line_bytes;
  }
  if (link.line_whole && !all_arrived(link)) {  // what a check needs has come: stop here
    link.had_enough = true;
    return 0;
  }
  return bytes;
}

std::unique_ptr<LinkTransfer> start_link(CURLM* multi, const std::string& address,
                                         std::size_t index) {
  auto link = std::make_unique<LinkTransfer>(curl_easy_init());
  CURL* curl = link->curl.get();
  if (curl == nullptr) throw std::bad_alloc();
  link->index = index;
  curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keep_first_line);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, link.get());
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, watch_transfer);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &link->transfer);
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_multi_add_handle(multi, curl);
  return link;
}

LinkAnswer answer_of(LinkTransfer& link, CURLcode result) {
  LinkAnswer answer;
  answer.failure = failure_line(end_of(link.transfer, link.had_enough ? CURLE_OK : result));
  answer.first_line = std::move(link.transfer.body);
  return answer;
}

}  // namespace

std::vector<LinkAnswer> retrieve_links(const std::vector<std::string>& addresses,
                                       const LinkProgress& progress) {
  std::vector<LinkAnswer> answers(addresses.size());
  init_curl_once();
  const std::unique_ptr<CURLM, decltype(&curl_multi_cleanup)> multi(curl_multi_init(),
                                                                    curl_multi_cleanup);
  if (!multi) throw std::bad_alloc();
  std::vector<std::unique_ptr<LinkTransfer>> running;
  std::size_t started = 0;
  std::size_t done = 0;
  if (progress) progress(done, addresses.size());
  while (done < addresses.size()) {
    while (running.size() < most_at_once && started < addresses.size()) {
      running.push_back(start_link(multi.get(), addresses[started], started));
      ++started;
    }
    int still_running = 0;
    curl_multi_perform(multi.get(), &still_running);
    bool finished_one = false;
    int waiting = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &waiting)) {
      if (message->msg != CURLMSG_DONE) continue;
      auto found = std::find_if(running.begin(), running.end(), [message](const auto& link) {
        return link->curl.get() == message->easy_handle;
      });
      LinkTransfer& link = **found;
      answers[link.index] = answer_of(link, message->data.result);
      curl_multi_remove_handle(multi.get(), message->easy_handle);
      running.erase(found);
      ++done;
      if (progress) progress(done, addresses.size());
      finished_one = true;
    }
    if (!finished_one) curl_multi_poll(multi.get(), nullptr, 0, 1000, nullptr);
  }
  return answers;
}
