// The trail of pages that b goes back through at a terminal: a page left by a
// link or by g goes on it, and b takes the most recent off before loading it.
#include "base/limits.h"
#include "browser/navigation.h"

namespace {

void point_back(NavigationState& nav) {
  nav.previous_url = nav.trail.empty() ? std::string() : nav.trail.back();
}

}  // namespace

void put_on_trail(NavigationState& nav, std::string address) {
  if (nav.trail.size() == longest_trail) nav.trail.pop_front();
  nav.trail.push_back(std::move(address));
  point_back(nav);
}

std::string take_off_trail(NavigationState& nav) {
  if (nav.trail.empty()) return {};
  std::string address = std::move(nav.trail.back());
  nav.trail.pop_back();
  point_back(nav);
  return address;
}
