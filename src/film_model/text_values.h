// What the text readers of line films and user-coordinates films share: the integer text
// value and the reserving of room for records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <stdexcept>

namespace film {

inline int32_t saturate_int32(int64_t v) {
    if (v > INT32_MAX) return INT32_MAX;
    if (v < INT32_MIN) return INT32_MIN;
    return int32_t(v);
}

// Sign, digits and one terminating byte, consumed whatever it is; values beyond the 32-bit
// range saturate. `get` returns the next byte or a negative number at the end; false when the
// stream ends before the value.
template <class Get>
bool read_text_int(Get&& get, int32_t* v) {
    constexpr int64_t kCap = int64_t(1) << 40;  // more digits cannot bring it back into range
    int c = get();
    if (c < 0) return false;
    bool negative = false;
    if (c == '+' || c == '-') {
        negative = c == '-';
        c = get();
    }
    int64_t value = 0;
    while (unsigned(c - '0') < 10u) {
        if (value <= kCap) value = value * 10 + (c - '0');
        c = get();
    }
    *v = saturate_int32(negative ? -value : value);
    return true;
}

// Makes room for at least `extra` records beyond those held. Reserved but untouched memory
// costs nothing resident, so readers reserve for the worst case and never move records while
// they write them. False when the memory could not be had (the records stay as they were).
template <class Records>
bool reserve_records(Records* records, size_t extra) {
    if (extra > records->max_size() - records->size()) return false;
    const size_t wanted = records->size() + extra;
    if (wanted <= records->capacity()) return true;
    try {
        records->reserve(wanted);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    return true;
}

}  // namespace film
