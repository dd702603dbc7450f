// The progress bar of a download, drawn on a terminal over and over in place.
#pragma once
#include <string>

namespace icbus::tool {

// "\r[#####               ]  12/48 records", or without a known total
// (negative) "\r  12 records". A terminal that delivers more than it counted
// keeps a full bar. After `elapsed_seconds` (when above 0) the rate follows,
// and with a total the time left: "  12/48 records, 8.0/s, 5 s left".
std::string ProgressLine(int done, int total, double elapsed_seconds = 0);

}  // namespace icbus::tool
