// Looking records up inside the page subsystem: by number in the ordered
// records.
#pragma once

#include "page/page.h"

// The record of `number` in `records`, or null.
const PageRecord* find_record(const PageRecords& records, std::int32_t number);
