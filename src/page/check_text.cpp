// The page's own text in the check's messages: quoted, cut and shown by the
// report's rule; text around a record; labels and targets that hold controls
// or are not UTF-8.
#include <algorithm>

#include "page/check_parts.h"

namespace {

// The page's own text in a message: in quotes, cut to about 40 characters
// (never inside a UTF-8 character), and shown by the rule of the report.
void append_quoted(std::string& message, std::string_view text, TextRule rule) {
  constexpr std::size_t most = 40;
  message += '"';
  if (text.size() <= most) {
    append_page_text(message, text, rule);
  } else {
    std::size_t cut = most;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xc0) == 0x80) --cut;
    append_page_text(message, text.substr(0, cut), rule);
    message += "...";
  }
  message += '"';
}

std::string with_quote(std::string message, std::string_view text, TextRule rule) {
  append_quoted(message, text, rule);
  return message;
}

constexpr std::string_view byte_order_mark = "\xef\xbb\xbf";

enum class Oddity { none, control, malformed };

// Whether text holds a control byte other than a tab, or is not UTF-8, as the
// browser shows text at a UTF-8 terminal. Runs of plain bytes are skipped
// with one search each, looking bytes up as the shown text's walk does.
Oddity oddity_in(std::string_view text) {
  const auto plain = [](char c) { return !text_run_ends[static_cast<unsigned char>(c)]; };
  for (auto at = std::find_if_not(text.begin(), text.end(), plain); at != text.end();) {
    const std::string_view rest(at, text.end());
    const ShownPiece piece = next_piece(rest, TextRule::utf8);
    if (!piece.passed) {
      const auto first = static_cast<unsigned char>(rest.front());
      const bool c1 = first == 0xc2 && piece.consumed == 2;  // U+0080 to U+009F
      return first < 0x80 || c1 ? Oddity::control : Oddity::malformed;
    }
    at = std::find_if_not(at + static_cast<std::ptrdiff_t>(piece.consumed), text.end(), plain);
  }
  return Oddity::none;
}

}  // namespace

// The page's own text in a message, shown by the rule of the report. Plain
// ASCII, as most of it is, is appended as it stands, without the walk of
// shown text: saves 15 ms of 170 in checking the million-record page.
void append_page_text(std::string& message, std::string_view text, TextRule rule) {
  if (std::all_of(text.begin(), text.end(),
                  [](char c) { return is_plain(static_cast<unsigned char>(c)); }))
    message += text;
  else
    append_visible(message, text, rule);
}

PageProblem text_before(std::size_t line, std::string_view before, TextRule rule) {
  if (!before.starts_with(byte_order_mark))
    return {line, ProblemCode::text_before_record,
            with_quote("text before the record is ignored: ", before, rule)};
  constexpr std::string_view mark = "a byte-order mark (EF BB BF) before the record is ignored";
  before.remove_prefix(byte_order_mark.size());
  if (before.empty())
    return {line, ProblemCode::byte_order_mark, std::string(mark) + "; save the page without it"};
  return {line, ProblemCode::byte_order_mark,
          with_quote(std::string(mark) + ", and so is the text after it; save the page without " +
                         "them: ",
                     before, rule)};
}

// Text after the record: the fields that follow its flag, or other text.
std::string text_after(std::string_view flag_and_after, TextRule rule) {
  if (flag_and_after.substr(1).starts_with('|'))
    return with_quote(
        "the record ends at its flag, the byte after the second bar; the fields after it are "
        "ignored: ",
        flag_and_after, rule);
  return with_quote("text after the record is ignored: ", flag_and_after.substr(1), rule);
}

void note_oddity(ProblemField field, std::string_view text, std::size_t line,
                 const PageCheckSink& sink) {
  const std::string what = field == ProblemField::label ? "label" : "link target";
  const Oddity oddity = oddity_in(text);
  if (oddity == Oddity::control)
    sink.problem(
        {line, ProblemCode::control_character, what + " holds a control character", field});
  else if (oddity == Oddity::malformed)
    sink.problem({line, ProblemCode::not_utf8, what + " is not valid UTF-8", field});
}
