#include "cli/symbol_job.h"

#include <array>
#include <charconv>

#include "cli/command_line_text.h"
#include "cli/json.h"
#include "cli/pdf_page.h"
#include "cli/picture_output.h"
#include "cli/picture_upload.h"
#include "output/print_geometry.h"
#include "output/number_text.h"
#include "protocol/terminal_text.h"

namespace tessellux::cli {
namespace {

using Kind = generate::BuildFailure::Kind;

// "0.457\"" -> "0.457" for JSON.
std::string Inches(std::int32_t pixels, double dpi) {
  std::string text = output::SymbolSizeText(pixels, dpi, ".");
  if (!text.empty()) text.pop_back();
  return text.empty() ? "null" : text;
}

// The shortest text that reads back as `value` ("600", "600.5").
std::string Number(double value) {
  std::array<char, 64> buffer{};
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string(buffer.data(), result.ptr);
}

std::string Count(int n, const std::string& noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

// "A4", or "8.85\" x 11.69\" (larger than A4, to hold the symbol whole)".
std::string PageText(const output::PdfPage& page, const NumberFormat& format) {
  if (!page.size.name.empty()) return page.size.name;
  const auto inches = [&](double value) { return output::InchesText(value, format.decimal_point); };
  return inches(page.size.width_inches) + " x " + inches(page.size.height_inches) +
         (page.enlarged ? " (larger than the paper, to hold the symbol whole)" : "");
}

}  // namespace

JobReport RunJob(link::CommandExchange& exchange, generate::BuildRequest request, const std::string& output,
                 std::optional<OutputKind> format, double dpi, const generate::BuildProgress& progress,
                 const std::optional<output::PaperChoice>& paper, const generate::StopRequested& stop) {
  JobReport report = BuildJob(exchange, std::move(request), output, dpi, progress, stop);
  WriteJobOutput(report, format, paper);
  return report;
}

JobReport BuildJob(link::CommandExchange& exchange, generate::BuildRequest request, const std::string& output,
                   double dpi, const generate::BuildProgress& progress, const generate::StopRequested& stop) {
  JobReport report;
  report.output = output;
  report.dpi = dpi;
  report.layout = request.layout;
  generate::BuildDriver driver(exchange, progress, stop);
  report.result = driver.Build(std::move(request));
  if (const auto& failure = report.result.failure) {
    report.link_broken = failure->BreaksLink();
    report.exit_code = failure->kind == Kind::kStopped                                     ? kExitInterrupted
                       : failure->kind == Kind::kTimeout || failure->kind == Kind::kLinkLost ? kExitNoCodeGenerator
                                                                                            : kExitBuildFailed;
    report.error = ForCommandLine(failure->Describe());
  }
  return report;
}

void WriteJobOutput(JobReport& report, std::optional<OutputKind> format,
                    const std::optional<output::PaperChoice>& paper) {
  if (report.exit_code != kExitOk) return;
  const std::string& output = report.output;
  const double dpi = report.dpi;
  std::string error;
  const OutputKind kind = OutputKindOf(output, format);
  bool written = false;
  if (kind == OutputKind::kPdf) {
    // Annotated as the window's "Print" annotates its page.
    const auto& px = report.result.pixel_size;
    const auto& layout = report.layout;
    const auto annotations =
        output::SymbolAnnotations(output::SymbolSizeText(px.width, dpi), output::SymbolSizeText(px.height, dpi),
                                  layout.grid, layout.thickness, layout.style);
    // The page is drawn into a file; for "-" a private one, then sent on.
    std::shared_ptr<PrivateWorkFile> work;
    output::PdfPage page;
    if (output == "-" && !(work = PrivateWorkFile::Make(&error))) {
      written = false;
    } else {
      const std::string path = work ? work->path() : output;
      written = WritePdfPage({&*report.result.picture, &annotations, static_cast<int>(dpi), path,
                              paper.value_or(output::PaperChoice{false, output::SystemPaper()}), &page},
                             &error) &&
                (!work || CopyToStandardOutput(path, &error));
    }
    if (written) report.page = page;
  } else {
    written = WritePicture(*report.result.picture, output, kind, dpi, &error);
  }
  if (!written) {
    report.exit_code = kExitBuildFailed;
    report.error = "cannot write " + (output == "-" ? std::string("to standard output") : output) + ": " + error;
  }
  report.result.picture.reset();  // written; not kept while a batch goes on
}

JobReport FailedJob(int exit_code, std::string error, std::optional<int> line) {
  JobReport report;
  report.exit_code = exit_code;
  report.error = std::move(error);
  report.line = line;
  return report;
}

std::string TextReport(const JobReport& r, const NumberFormat& format) {
  const std::string prefix = r.line ? "line " + std::to_string(*r.line) + ": " : "";
  // Paths and errors may hold anything; a report line never breaks or
  // sends terminal controls.
  if (r.exit_code != kExitOk) return prefix + protocol::EscapeText(r.error) + "\n";
  const auto& g = *r.result.geometry;
  const auto& shape = r.result.picture_shape;
  std::string text = prefix + protocol::EscapeText(r.output) + ": " + std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                     " pixels\n";
  text += "  Geometry: " + Count(g.r, "block row") + ", " + Count(g.c, "block column") + ", " +
          Count(g.k, "correctable byte") + " per 48-byte group\n";
  const auto& usage = r.result.usage;
  const auto count = [&](std::int64_t n) { return output::FormatByteCount(n, format.group_separator); };
  text += "  Usage statistics (in bytes): total " + count(usage.total) + ", error correction " + count(usage.error) +
          ", user data " + count(usage.user) + "\n";
  const auto& px = r.result.pixel_size;
  if (r.dpi > 0) {
    text += "  Size at " + Number(r.dpi) + " dpi: " + output::SymbolSizeText(px.width, r.dpi, format.decimal_point) +
            " x " + output::SymbolSizeText(px.height, r.dpi, format.decimal_point) + "\n";
  }
  if (r.page) text += "  Page: " + PageText(*r.page, format) + "\n";
  return text;
}

std::string JsonReport(const JobReport& r) {
  std::string json = "{";
  if (r.line) json += "\"line\":" + std::to_string(*r.line) + ",";
  json += "\"ok\":" + std::string(r.exit_code == kExitOk ? "true" : "false");
  if (!r.output.empty()) json += ",\"output\":" + JsonString(r.output);
  if (r.exit_code != kExitOk) {
    json += ",\"exit_code\":" + std::to_string(r.exit_code) + ",\"error\":" + JsonString(r.error);
  }
  if (r.result.geometry) {
    const auto& g = *r.result.geometry;
    const auto& usage = r.result.usage;
    json += ",\"block_rows\":" + std::to_string(g.r) + ",\"block_columns\":" + std::to_string(g.c) +
            ",\"correctable_bytes\":" + std::to_string(g.k) + ",\"total_bytes\":" + std::to_string(usage.total) +
            ",\"error_correction_bytes\":" + std::to_string(usage.error) +
            ",\"user_bytes\":" + std::to_string(usage.user);
    const auto& px = r.result.pixel_size;
    json += ",\"width_pixels\":" + std::to_string(px.width) + ",\"height_pixels\":" + std::to_string(px.height);
    if (r.dpi > 0) {
      json += ",\"dpi\":" + Number(r.dpi) +
              ",\"width_inches\":" + Inches(px.width, r.dpi) + ",\"height_inches\":" + Inches(px.height, r.dpi);
    }
  }
  return json + "}\n";
}

}  // namespace tessellux::cli
