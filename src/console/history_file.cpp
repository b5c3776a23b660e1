// The history kept from run to run: read when the console starts, and added
// to when it ends, under a lock, so that two runs at once lose no line.
#include "console/history_file.h"

#include <histedit.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "base/ascii.h"
#include "base/user_files.h"

namespace {

constexpr std::string_view go_to = "g ";

}  // namespace

HistoryList new_history() {
  HistoryList list(history_init());
  HistEvent event;
  if (list) {
    ::history(list.get(), &event, H_SETSIZE, kept_lines);
    ::history(list.get(), &event, H_SETUNIQUE, 1);
  }
  return list;
}

std::optional<std::string> kept_line(std::string_view line, Recall recall) {
  const bool blank = std::all_of(line.begin(), line.end(), [](char c) { return c == ' '; });
  const bool control = std::any_of(line.begin(), line.end(), is_control);
  if (blank || control) return std::nullopt;
  return recall == Recall::addresses ? std::string(go_to) + std::string(line) : std::string(line);
}

void load_history(const std::string& path, History* commands, History* addresses) {
  const HistoryList kept = new_history();
  HistEvent event;
  if (!kept || ::history(kept.get(), &event, H_LOAD, path.c_str()) < 0) return;
  // From the oldest to the newest, as they were typed.
  for (int found = ::history(kept.get(), &event, H_LAST); found >= 0;
       found = ::history(kept.get(), &event, H_PREV)) {
    const std::string_view line = event.str;
    HistEvent entered;
    ::history(commands, &entered, H_ENTER, event.str);
    if (line.starts_with(go_to) && line.size() > go_to.size())
      ::history(addresses, &entered, H_ENTER, std::string(line.substr(go_to.size())).c_str());
  }
}

std::optional<std::string> save_history(const std::string& path,
                                        const std::vector<std::string>& lines) {
  const FileLock lock(path);
  if (lock.failure()) return "cannot lock it: " + *lock.failure();
  ReplacingFile file(path);
  if (file.stream() == nullptr) return file.failure();
  const HistoryList kept = new_history();
  if (!kept) return "out of memory";
  HistEvent event;
  // None yet is fine; a file that is there but cannot be read as a history
  // is the person's, and is never written over with this run's lines alone.
  if (::history(kept.get(), &event, H_LOAD, path.c_str()) < 0 && access(path.c_str(), F_OK) == 0)
    return "it cannot be read as a history, and is left as it is";
  for (const std::string& line : lines) ::history(kept.get(), &event, H_ENTER, line.c_str());
  if (::history(kept.get(), &event, H_SAVE_FP, file.stream()) < 0) return "cannot write it";
  return file.replace();
}
