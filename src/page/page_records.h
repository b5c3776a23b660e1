// Looking records up inside the page subsystem: by number in the ordered
// records, and the text a record points to in the body.
#pragma once

#include "page/page.h"

// The record of `number` in `records`, or null.
const PageRecord* find_record(const PageRecords& records, std::int32_t number);

// The field a record points to, which runs to the next bar.
std::string_view record_text(const PageModel& page, const PageRecord& record);
