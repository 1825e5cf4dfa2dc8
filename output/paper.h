#pragma once

// Which paper a PDF print goes on: the system's default sheet, else a page
// as large as the symbol page needs. Sizes in inches; no Qt.

#include <optional>
#include <string>
#include <string_view>

namespace tessellux::output {

struct PaperSize {
  std::string name;  // "A4", "Letter", ...; empty for a page made to measure
  double width_inches = 0;
  double height_inches = 0;
};

// A sheet by its libpaper name (a3, a4, a5, b5, letter, legal, executive;
// any case). Nothing for another name.
std::optional<PaperSize> NamedPaper(std::string_view name);

// The default sheet: the first name in the text of /etc/papersize (lines
// from '#' on are comments) when it is a known sheet, else the locale's:
// Letter where the locale's country prints on it (en_US, fr_CA, es_MX...),
// A4 everywhere else.
PaperSize DefaultPaper(const std::optional<std::string>& papersize_text, std::string_view locale);

// This system's default sheet: $PAPERSIZE, else /etc/papersize, else the
// locale of paper sizes ($LC_ALL, $LC_PAPER, $LANG, in libc's order).
PaperSize SystemPaper();

// What --paper asks for: a named sheet (enlarged where the symbol page
// does not fit on it) or a page made to measure.
struct PaperChoice {
  bool fit = false;
  PaperSize sheet;  // when !fit
};

// "a4", "letter" (any name NamedPaper knows) or "fit". Nothing for others.
std::optional<PaperChoice> PaperChoiceFromName(std::string_view name);

// The margins of a PDF page, all round: what a printer that prints the PDF
// again can usually reach.
inline constexpr double kPdfMarginInches = 0.25;

// A PDF page for content of extent_width x extent_height dots at `dpi`
// inside margins of kPdfMarginInches: the sheet when its printable area
// holds the content, otherwise widened and/or lengthened just enough
// (`enlarged`, in whole points). For a fit choice, the content and its
// margins only.
struct PdfPage {
  PaperSize size;  // the page; its name is the sheet's only when not enlarged
  bool enlarged = false;
};
PdfPage PdfPageFor(const PaperChoice& choice, int extent_width, int extent_height, int dpi);

}  // namespace tessellux::output
