// GET /: a page a supervisor can leave open. Plain HTML and a little script
// that reads /api/status every five seconds; no framework.
#pragma once
#include <string>

namespace icbus::service {

const std::string& StatusPage();

}  // namespace icbus::service
