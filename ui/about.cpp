#include "ui/about.h"

#include <QtGlobal>

#include "app/product.h"

namespace tessellux::ui {

QString AboutText() {
  return QStringLiteral(
             "Create Tessellux %1.%2\n"
             "Prepares Tessellux symbols, has the Code Generator build them, shows and prints them.\n\n"
             "Libraries:\n"
             "Qt %3, under the GNU Lesser General Public License version 3 (LGPL-3.0).\n"
             "libjpeg-turbo, under the IJG licence and the BSD 3-clause licence.\n"
             "zlib, under the zlib licence.\n\n"
             "Create Tessellux's own terms: /usr/share/doc/create-tessellux/copyright.")
      .arg(app::kVersionMajor)
      .arg(app::kVersionMinor)
      .arg(QString::fromLatin1(qVersion()));
}

}  // namespace tessellux::ui
