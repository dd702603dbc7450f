#include "commands/confirm.h"

#include "cli/report.h"

namespace icbus::tool {

Outcome Confirmed(const Context& context, const Target& target, int result,
                  const std::string& what) {
  if (result != 1) return Outcome::Failure(Describe(target) + " did not confirm " + what);
  ReportDone(context, Describe(target) + " took " + what);
  return Outcome::Success();
}

}  // namespace icbus::tool
