// Counts and byte sizes as the push job and the C-STORE client print them: counts with
// thousands separators ("1,234,567") and byte counts in the largest fitting unit
// ("9.54 Mb").
#pragma once

#include <cstdint>
#include <string>

// `count` with a comma between groups of three digits: below 1,000 "%d", then
// "%d,%03d", "%d,%03d,%03d" and so on ("-1,234" for negative counts).
std::string Number_Text_Thousands(long long count);

// A byte count: "%lld bytes" up to 1023, "%.2f Kb" of n / 1024 below 1,048,576,
// "%.2f Mb" of n / 2^20 up to 2^30 - 1, "%.2f Gb" of n / 2^30 below 2^40, else
// "%.2f Tb" of n / 2^40.
std::string Number_Text_Size(int64_t bytes);
