#pragma once
// The order of the catalog list's rows when a column heading is clicked. Titles and artists
// compare as people read them: letter case ignored and digits as numbers ("Track 2" before
// "Track 10"). Keys go around the wheel (no key first, 1A 1B ... 12A 12B, then texts naming no
// key). BPMs compare as numbers, and a row whose analysis failed comes after every number
// in either direction. Rows equal in the field, and rows whose entry is gone, keep their
// relative order.

#include <cstdint>
#include <vector>

#include "catalog/CatItem.h"
#include "core/UnknownStandAlone.h"

// `order[i]` is the current index of the row that moves to place i. `entries[r]` is row r's
// entry, or empty when it is gone.
std::vector<int> SortedRowOrder(const std::vector<ComPtr<CCatItem>>& entries, std::int32_t field,
                                bool descending);
