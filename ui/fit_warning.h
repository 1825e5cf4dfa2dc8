#pragma once

// The warning shown instead of a print that the printer's paper cannot
// hold: what the page needs, what the paper offers, what to change.

#include <QString>

#include "output/page_fit.h"

namespace tessellux::ui {

inline constexpr const char* kFitWarningTitle = "Symbol Does Not Fit the Paper";

// `what` names the print ("The symbol with its annotations", "The test
// sheet's first symbol"); `printer` the printer by name.
QString FitWarningText(const output::FitShortfall& shortfall, const QString& what, const QString& printer);

}  // namespace tessellux::ui
