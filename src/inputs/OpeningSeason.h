#pragma once
// What a season holds before anyone changes it: the window's opening configuration, which a new season
// starts from and whose later items complete a configuration of an older layout, and the report's
// variables, every one ticked. The window's form opens with these values.

#include "engine/InputItems.h"
#include "inputs/SeasonConfiguration.h"

#include <array>

namespace tulo {

// The crop parameters at their defaults, an unflooded field with no days, latitude or weather yet, blast
// class 1 with no treatment, 15 cm of water before flowering against cold shock.
SeasonConfiguration OpeningConfiguration();

// Gives a configuration of an older layout the opening's values for the items its file lacks (the
// disease's and cold shock's after the soil table, the transplanting's after those) and the complete
// layout, as opening such a file in the window does; a complete configuration stays as it is.
void CompleteLayout(SeasonConfiguration& configuration);

// The configuration as the window holds it once it has opened it, and saves it again: completed
// (CompleteLayout) and marked complete; a water or soil table cut before its first row whose first cell
// is blank, as the window's tables end there; of two water-level methods both chosen, the later one; a
// report option outside never, ask and always, the nearest of them. A configuration read from a file
// that TULO wrote comes back as it was.
SeasonConfiguration OpenedConfiguration(SeasonConfiguration configuration);

// Which of the report's variables (engine/Outputs.h, ReportVariables) the report shows, in their order.
using ReportTicks = std::array<bool, kReportVariables>;
// Every one, so that a report is useful without a visit to the list first.
ReportTicks OpeningReportTicks();

} // namespace tulo
