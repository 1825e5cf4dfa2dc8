#include "ui/fit_warning.h"

#include <QLocale>

#include "output/number_text.h"

namespace tessellux::ui {
namespace {

QString Size(double width, double height) {
  const std::string point = QLocale().decimalPoint().toStdString();
  return QString::fromStdString(output::InchesText(width, point) + " x " + output::InchesText(height, point));
}

}  // namespace

QString FitWarningText(const output::FitShortfall& shortfall, const QString& what, const QString& printer) {
  QString text = QStringLiteral("%1 needs %2, but the paper in %3 offers a printable area of %4 only, so it would be "
                                "cut off. Nothing was printed.\n\n")
                     .arg(what, Size(shortfall.needed_width, shortfall.needed_height), printer,
                          Size(shortfall.printable_width, shortfall.printable_height));
  if (shortfall.grid_at_most > 0) {
    text += QStringLiteral("To print it on this paper, choose a grid size of %1 or less and a thickness (or dot size) "
                           "of %2 or less on the Geometry tab, or choose larger paper with Select printer.")
                .arg(shortfall.grid_at_most)
                .arg(shortfall.thickness_at_most);
  } else {
    text += QStringLiteral("No grid size makes it small enough for this paper: choose larger paper with Select "
                           "printer, or fewer block rows and columns on the Geometry tab.");
  }
  return text;
}

}  // namespace tessellux::ui
