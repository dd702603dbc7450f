#include "confirm.h"

namespace icbus::tool {

Outcome Confirmed(const Context& context, const Target& target, int result,
                  const std::string& what) {
  if (result != 1) return Outcome::Failure(Describe(target) + " did not confirm " + what);
  context.out << Describe(target) << " took " << what << "\n";
  return Outcome::Success();
}

}  // namespace icbus::tool
