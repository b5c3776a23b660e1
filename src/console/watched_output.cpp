// Standard output watched for a write that fails (a full disk, a closed pipe
// while SIGPIPE is ignored): the stream goes bad as any does, and the reason
// the system gave at that moment is kept, for the one line that says it.
#include <cerrno>
#include <cstring>

#include "console/console.h"

namespace {

// Hands everything to the stream's own buffer as it comes, keeping the errno
// of the first write that fails before anything else can change it.
class KeepingReason : public std::streambuf {
 public:
  explicit KeepingReason(std::streambuf* to) : to_(to) {}
  int failed_errno() const { return failed_errno_; }

 protected:
  std::streamsize xsputn(const char* text, std::streamsize size) override {
    const std::streamsize put = to_->sputn(text, size);
    if (put != size) note_failure();
    return put;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (traits_type::eq_int_type(to_->sputc(traits_type::to_char_type(c)), traits_type::eof())) {
      note_failure();
      return traits_type::eof();
    }
    return c;
  }
  int sync() override {
    if (to_->pubsync() == 0) return 0;
    note_failure();
    return -1;
  }

 private:
  void note_failure() {
    if (failed_errno_ == 0) failed_errno_ = errno != 0 ? errno : EIO;
  }

  std::streambuf* to_;
  int failed_errno_ = 0;
};

}  // namespace

struct WatchedOutput::Watch {
  explicit Watch(std::streambuf* to) : buffer(to), stream(&buffer) {}
  KeepingReason buffer;
  std::ostream stream;
};

WatchedOutput::WatchedOutput(std::ostream& out) : watch(std::make_unique<Watch>(out.rdbuf())) {}
WatchedOutput::~WatchedOutput() = default;

std::ostream& WatchedOutput::stream() { return watch->stream; }

std::optional<std::string> WatchedOutput::failure() {
  watch->stream.flush();
  if (watch->stream.good()) return std::nullopt;
  const int failed = watch->buffer.failed_errno();
  return std::strerror(failed != 0 ? failed : EIO);
}
