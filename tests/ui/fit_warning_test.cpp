// The warning instead of a print the paper cannot hold: sizes in inches and
// what to change.

#include "ui/fit_warning.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace tessellux::ui {
namespace {

TEST(FitWarning, SaysWhatIsNeededWhatThePaperOffersAndWhatToChange) {
  output::FitShortfall shortfall{8.6, 10.267, 8.0, 10.5, 11, 3};
  const QString text = FitWarningText(shortfall, QStringLiteral("The symbol with its annotations"),
                                      QStringLiteral("the printer Office"));
  const QString point = QLocale().decimalPoint();
  for (const QString& part :
       {"The symbol with its annotations needs 8" + point + "6\" x 10" + point + "267\"",
        "the paper in the printer Office offers a printable area of 8\" x 10" + point + "5\" only",
        QStringLiteral("Nothing was printed."), QStringLiteral("a grid size of 11 or less"),
        QStringLiteral("of 3 or less on the Geometry tab"), QStringLiteral("larger paper with Select printer")}) {
    EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();
  }
  shortfall.grid_at_most = 0;
  const QString paper_only = FitWarningText(shortfall, QStringLiteral("It"), QStringLiteral("the printer Office"));
  EXPECT_TRUE(paper_only.contains(QStringLiteral("No grid size makes it small enough")));
  EXPECT_FALSE(paper_only.contains(QStringLiteral("or less")));
}

}  // namespace
}  // namespace tessellux::ui
