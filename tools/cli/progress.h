// The progress bar of a download, drawn on a terminal over and over in place.
#pragma once
#include <string>

namespace icbus::tool {

// "\r[#####               ]  12/48 records", or without a known total
// (negative) "\r  12 records". A terminal that delivers more than it counted
// keeps a full bar.
std::string ProgressLine(int done, int total);

}  // namespace icbus::tool
