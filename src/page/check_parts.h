// Inside the page room: the parts of the check of a page that read a record's
// text and its link target, for check_page to say at their line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "base/shown_text.h"
#include "page/page.h"

// The page's own text appended to a message, shown by the report's rule.
void append_page_text(std::string& message, std::string_view text, TextRule rule);

// What is said of text before a record at `line` (a byte-order mark named as
// such), and of text after its flag (fields after it named as such), quoted.
PageProblem text_before(std::size_t line, std::string_view before, TextRule rule);
std::string text_after(std::string_view flag_and_after, TextRule rule);

// A warning when `text` (what: "label", "link target") holds a control
// character or is not valid UTF-8.
void note_oddity(ProblemField field, std::string_view text, std::size_t line,
                 const PageCheckSink& sink);

// The problems of a link target at `line`: one that cannot be retrieved as
// written, one readers load other than the author likely meant, controls.
void check_target(std::string_view target, std::size_t line, TextRule rule,
                  const PageCheckSink& sink);

// Whether a target can be retrieved as written, as a check of links does.
bool can_be_retrieved(std::string_view target);
