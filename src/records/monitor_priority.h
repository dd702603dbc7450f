// The swipe monitor's thread runs one step below normal priority, so that a
// busy poll never takes time from the window it reports to.
#pragma once

namespace icbus::records {

// Lowers the calling thread's priority by one step.
void LowerThisThreadOneStep();

}  // namespace icbus::records
