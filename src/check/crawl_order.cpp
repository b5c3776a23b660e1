// The order of a site's crawl: each address numbered once as it is first
// reached, pages before links, and a page's links numbered only after those
// of the pages before it, so that every run reaches the pages in one order.
#include <algorithm>

#include "check/crawl.h"

namespace {

// An address on the site no longer needed, which is only counted; false
// when it was counted before.
bool leave_out(Crawl& crawl, std::string_view address) {
  return crawl.left_out.insert(std::hash<std::string_view>{}(address)).second;
}

std::size_t add_link(Crawl& crawl, std::string address) {
  const std::size_t number = add_address(crawl, std::move(address));
  crawl.waiting_links.push_back(number);
  return number;
}

void count_in(std::unordered_set<std::size_t>& counted, std::string_view address) {
  counted.insert(std::hash<std::string_view>{}(address));
}

// The number of an address a link names from a page `depth` links from the
// start, given when it is first reached. None when it is left out: by
// --exclude, by --offline when only the network has it, or, on the site, by
// --max-pages. An address on the site beyond --max-depth is a link only.
std::size_t reach(Crawl& crawl, std::string canonical, std::size_t depth) {
  if (const auto known = crawl.number_of.find(canonical); known != crawl.number_of.end()) {
    crawl.addresses[known->second].linked = true;
    return known->second;
  }
  if (crawl.excluded_by.match(canonical)) {
    count_in(crawl.excluded, canonical);
    return unnumbered;
  }
  std::optional<RootFile> file = crawl.root ? file_for(*crawl.root, canonical) : std::nullopt;
  if (!file && crawl.options.offline) {
    count_in(crawl.offline, canonical);
    return unnumbered;
  }
  std::string identity;  // of the file, which is one page whatever address reaches it
  if (file) {
    identity = file_identity(*crawl.root, *file);
    if (const auto same = crawl.page_of_file.find(identity); same != crawl.page_of_file.end()) {
      crawl.addresses[same->second].linked = true;
      return same->second;
    }
  }
  const bool on_site = file || site_of(canonical) == crawl.site;
  const bool too_deep = depth > crawl.options.max_depth.value_or(depth);
  if (on_site && too_deep) count_in(crawl.beyond_depth, canonical);
  std::size_t number = unnumbered;
  if (!on_site || too_deep) {
    number = add_link(crawl, std::move(canonical));
  } else if (cap_reached(crawl)) {
    if (leave_out(crawl, canonical)) ++crawl.left_out_unnumbered;
    return unnumbered;
  } else {
    number = add_address(crawl, std::move(canonical));
    add_page(crawl, number, depth);
  }
  if (file) crawl.page_of_file.emplace(std::move(identity), number);
  crawl.addresses[number].file = std::move(file);
  crawl.addresses[number].linked = true;
  return number;
}

void add_text(std::string& text, std::string_view added, std::uint32_t& size) {
  text += added;
  size = static_cast<std::uint32_t>(added.size());
}

bool ended(const SitePage& page) {
  return page.state != SitePage::State::waiting && page.state != SitePage::State::retrieving;
}

// Whether a link to an address numbered `number` can still fail.
bool may_fail(const Crawl& crawl, std::size_t number) {
  if (number == unnumbered) return false;
  const SiteAddress& target = crawl.addresses[number];
  return !target.answered || !target.verdict.good();
}

// Numbers the addresses of a page's links, and keeps only the links that can
// still fail, with the text that names them.
void number_links_of(Crawl& crawl, SitePage& page) {
  std::vector<PageLinkTo> kept;
  std::string text;
  for (PageLinkTo& link : page.links) {
    link.address = reach(crawl, std::string(canonical_of(page, link)), page.depth + 1);
    if (!may_fail(crawl, link.address)) continue;
    const std::string_view loaded = loaded_of(page, link);
    link.text_at = static_cast<std::uint32_t>(text.size());
    add_text(text, loaded, link.canonical_size);
    link.loaded_size = 0;
    kept.push_back(std::move(link));
  }
  page.links = std::move(kept);
  page.link_text = std::move(text);
  page.numbered = true;
}

// Whether the site's addresses that a page's links name may be needed as
// pages: not once the pages checked, coming and waiting are enough for
// --max-pages. Numbering waits till then, so that no address waits as a page
// that would be left out: those beyond are left out as they are reached.
bool may_number(const Crawl& crawl) {
  return crawl.stopped || cap_reached(crawl) ||
         crawl.pages_checked + crawl.pages_retrieving + crawl.waiting_pages.size() <
             crawl.options.max_pages;
}

// Whether the verdict on a link is in: its address was retrieved, or will
// never be, being beyond --max-pages.
bool verdict_is_in(const Crawl& crawl, const PageLinkTo& link) {
  if (link.address == unnumbered) return true;
  const SiteAddress& target = crawl.addresses[link.address];
  return target.answered ||
         (target.page != unnumbered && crawl.pages[target.page].state == SitePage::State::left_out);
}

}  // namespace

bool cap_reached(const Crawl& crawl) { return crawl.pages_checked == crawl.options.max_pages; }

void leave_out_waiting_pages(Crawl& crawl) {
  for (const std::size_t waiting : crawl.waiting_pages) {
    SitePage& page = crawl.pages[waiting];
    page.state = SitePage::State::left_out;
    leave_out(crawl, crawl.addresses[page.address].address);
  }
  crawl.waiting_pages.clear();
}

std::size_t add_address(Crawl& crawl, std::string address) {
  const std::size_t number = crawl.addresses.size();
  crawl.addresses.emplace_back().address = std::move(address);
  crawl.number_of.emplace(crawl.addresses.back().address, number);
  return number;
}

void add_page(Crawl& crawl, std::size_t number, std::size_t depth) {
  crawl.addresses[number].page = crawl.pages.size();
  crawl.waiting_pages.push_back(crawl.pages.size());
  SitePage& page = crawl.pages.emplace_back();
  page.address = number;
  page.depth = depth;
}

// Pages first, while fewer are checked or coming than --max-pages allows: an
// address that brings no page leaves its place to the next.
std::optional<Wanted> next_wanted(Crawl& crawl) {
  if (!crawl.waiting_pages.empty() &&
      crawl.pages_checked + crawl.pages_retrieving < crawl.options.max_pages) {
    SitePage& page = crawl.pages[crawl.waiting_pages.front()];
    crawl.waiting_pages.pop_front();
    page.state = SitePage::State::retrieving;
    ++crawl.pages_retrieving;
    return Wanted{crawl.addresses[page.address].address, page.address, true};
  }
  if (crawl.waiting_links.empty()) return std::nullopt;
  const std::size_t number = crawl.waiting_links.front();
  crawl.waiting_links.pop_front();
  const std::string& address = crawl.addresses[number].address;
  return Wanted{address, number, false, site_of(address) != crawl.site};
}

std::string_view canonical_of(const SitePage& page, const PageLinkTo& link) {
  return std::string_view(page.link_text).substr(link.text_at, link.canonical_size);
}

// The address following the link loads, which the report names.
std::string_view loaded_of(const SitePage& page, const PageLinkTo& link) {
  return link.loaded_size == 0 ? canonical_of(page, link)
                               : std::string_view(page.link_text)
                                     .substr(link.text_at + link.canonical_size, link.loaded_size);
}

// A link found on a page: its address as following it loads it and as a
// server reads it, each distinct one kept once with the lines that name it.
void note_link(std::unordered_map<std::string, std::size_t>& index_of, SitePage& page,
               std::size_t line, std::string_view target, std::size_t most_lines) {
  std::string loaded = normalize_url(target).address;
  std::string canonical = canonical_or_given(loaded);
  const auto [known, added] = index_of.emplace(canonical, page.links.size());
  if (added) {
    PageLinkTo& link = page.links.emplace_back();
    link.text_at = static_cast<std::uint32_t>(page.link_text.size());
    link.first_line = static_cast<std::uint32_t>(line);
    add_text(page.link_text, canonical, link.canonical_size);
    if (loaded != canonical) add_text(page.link_text, loaded, link.loaded_size);
  } else if (PageLinkTo& link = page.links[known->second];
             most_lines == 0 || link.more_lines.size() + 1 < most_lines) {
    link.more_lines.push_back(static_cast<std::uint32_t>(line));
  }
  ++page.links[known->second].count;
}

void number_links(Crawl& crawl) {
  while (crawl.next_numbered < crawl.pages.size()) {
    SitePage& page = crawl.pages[crawl.next_numbered];
    if (!ended(page) && !crawl.stopped) return;
    if (!page.links.empty() && !may_number(crawl)) return;
    number_links_of(crawl, page);
    ++crawl.next_numbered;
  }
}

bool links_answered(const Crawl& crawl, SitePage& page) {
  while (page.links_answered < page.links.size() &&
         verdict_is_in(crawl, page.links[page.links_answered]))
    ++page.links_answered;
  return page.links_answered == page.links.size();
}
