// Density against QR Code and Data Matrix at equal read rate: the same
// 1,200 bytes of text as a Tessellux symbol (Lines, grid 3 to 8), as QR
// Code at error correction L and M and as Data Matrix, all made one pixel
// per module (cell), printed at 600 dpi with 2 to 8 printer dots per module
// and put through the same print-and-scan simulator and conditions
// (paper_conditions.h), scanned at 600 dpi. QR Code and Data Matrix come
// from Debian's zint and are read by zxing-cpp's ZXingReader; ours by our
// reader. A size is reliable when every seed reads (at least 99 %). The
// area counted is the symbol itself, without quiet zones (QR Code needs 4
// modules round it, Data Matrix 1, ours none beyond the margin the page
// gives anyway).
//
//   paper_vs_qr_datamatrix [--seeds N] [--keep DIR]
// Skips (exit 0) when zint or ZXingReader is missing.

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <variant>
#include <vector>

#include "bench/paper_conditions.h"
#include "scan/print_scan.h"
#include "symbol/paper.h"
#include "symbol/symbol.h"

namespace {

using namespace tessellux;
namespace fs = std::filesystem;

bool HaveTool(const std::string& name) { return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0; }

tessellux::Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return tessellux::Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const tessellux::Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// A picture one pixel per module as the printer's bitmap: ink below half grey.
symbol::Bitmap ToBitmap(const symbol::GreyImage& grey) {
  symbol::Bitmap bitmap(grey.width, grey.height);
  for (int y = 0; y < grey.height; ++y)
    for (int x = 0; x < grey.width; ++x) bitmap.set(x, y, grey.pixels[static_cast<std::size_t>(y) * grey.width + x] < 128);
  return bitmap;
}

struct Code {
  std::string name;
  std::string zint_options;  // symbology and error correction
  std::string zxing_format;
  int modules = 0;           // symbol width in modules, without quiet zones
  symbol::Bitmap printed;    // with quiet zones, one pixel per module
};

bool MakeCode(Code& code, const fs::path& work) {
  const std::string base = "zint " + code.zint_options + " --scale=0.5 --filetype=PNG -i " + (work / "text.txt").string();
  const fs::path bare = work / (code.name + "-bare.png"), quiet = work / (code.name + ".png");
  if (std::system((base + " --noquietzones -o " + bare.string()).c_str()) != 0 ||
      std::system((base + " --quietzones -o " + quiet.string()).c_str()) != 0)
    return false;
  const auto bare_grey = symbol::DecodePicture(ReadFile(bare));
  const auto quiet_grey = symbol::DecodePicture(ReadFile(quiet));
  if (!std::holds_alternative<symbol::GreyImage>(bare_grey) || !std::holds_alternative<symbol::GreyImage>(quiet_grey))
    return false;
  code.modules = std::get<symbol::GreyImage>(bare_grey).width;
  code.printed = ToBitmap(std::get<symbol::GreyImage>(quiet_grey));
  return true;
}

// How many of `files` ZXingReader reads as exactly `text`.
int ZxingReads(const std::vector<fs::path>& files, const Code& code, const std::string& text) {
  std::string command = "ZXingReader -1 -format ";
  command.append(code.zxing_format);
  for (const auto& f : files) command.append(" ").append(f.string());
  FILE* out = popen(command.c_str(), "r");
  if (!out) return 0;
  std::string all;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;) all.append(buffer, n);
  pclose(out);
  int read = 0;
  // One line per file: its name, the format and the text in quotes.
  std::string expected = " ";
  expected.append(code.zxing_format).append(" \"").append(text).append("\"\n");
  for (const auto& f : files) {
    std::string line = f.string();
    line.append(expected);
    read += all.find(line) != std::string::npos;
  }
  return read;
}

int CodeReads(const Code& code, int dots, bench::Condition c, int seeds, const std::string& text,
              const fs::path& work) {
  std::vector<fs::path> files;
  for (int seed = 1; seed <= seeds; ++seed) {
    const auto page = scan::PrintAndScan(code.printed, bench::PrintFor(c, dots), bench::ScanFor(c, 600, seed));
    files.push_back(work / (code.name + "-scan-" + std::to_string(seed) + ".png"));
    WriteFile(files.back(), scan::EncodePng(page.image));
  }
  const int read = ZxingReads(files, code, text);
  for (const auto& f : files) fs::remove(f);
  return read;
}

int OurReads(const symbol::Bitmap& bitmap, bench::Condition c, int seeds, const std::string& text) {
  int read = 0;
  for (int seed = 1; seed <= seeds; ++seed) {
    const auto page = scan::PrintAndScan(bitmap, bench::PrintFor(c, 1), bench::ScanFor(c, 600, seed));
    const auto reads = symbol::ReadGreyPicture(page.image, {});
    const auto* result = std::get_if<symbol::ReadResult>(&reads.front().result);
    if (result && result->content.text != text) {
      std::fprintf(stderr, "WRONG DATA\n");
      std::abort();
    }
    read += result != nullptr;
  }
  return read;
}

double Density(std::size_t bytes, double side_dots_x, double side_dots_y) {
  return bytes / (side_dots_x / bench::kPrinterDpi * (side_dots_y / bench::kPrinterDpi));
}

struct Best {
  std::map<bench::Condition, std::string> at;  // the smallest size reliable in each condition
  std::string in_all;                          // the smallest reliable in every condition at once
};

}  // namespace

int main(int argc, char** argv) {
  int seeds = 20;
  std::string keep;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--seeds" && i + 1 < argc) seeds = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--keep" && i + 1 < argc) keep = argv[++i];
  }
  if (!HaveTool("zint") || !HaveTool("ZXingReader")) {
    std::puts("zint or ZXingReader (zxing-cpp-tools) missing: comparison skipped");
    return 0;
  }
  char pattern[] = "/tmp/tessellux-vs-qr-XXXXXX";
  const fs::path work = keep.empty() ? fs::path(mkdtemp(pattern)) : fs::path(keep);
  const std::string text = bench::SampleText(bench::kPayloadBytes);
  std::ofstream(work / "text.txt", std::ios::binary) << text;

  std::vector<Code> codes = {{"QR-L", "-b 58 --secure=1", "QRCode", 0, {}},
                             {"QR-M", "-b 58 --secure=2", "QRCode", 0, {}},
                             {"DataMatrix", "-b 71", "DataMatrix", 0, {}}};
  std::printf("%zu bytes of text, printed at 600 dpi, scanned at 600 dpi, %d seeds\n", text.size(), seeds);
  std::printf("%-12s %4s %8s %10s", "symbol", "dots", "inches", "bytes/in2");
  for (auto c : bench::kConditions) std::printf(" %20s", bench::ConditionName(c));
  std::printf("\n");
  std::map<std::string, Best> best;
  const auto row = [&](const std::string& name, int dots, double w, double h, const auto& reads_for) {
    const double density = Density(text.size(), w, h);
    std::printf("%-12s %4d %3.2fx%3.2f %10.0f", name.c_str(), dots, w / bench::kPrinterDpi, h / bench::kPrinterDpi,
                density);
    const std::string size = std::to_string(dots) + " dots: " + std::to_string(static_cast<int>(density + 0.5)) + " B/in2";
    bool reliable_in_all = true;
    for (auto c : bench::kConditions) {
      const int read = reads_for(c);
      std::printf(" %17d/%-2d", read, seeds);
      std::fflush(stdout);
      auto& at = best[name].at;
      const bool reliable = read * 100 >= 99 * seeds;
      reliable_in_all = reliable_in_all && reliable;
      if (reliable && !at.count(c)) at[c] = size;
    }
    if (reliable_in_all && best[name].in_all.empty()) best[name].in_all = size;
    std::printf("\n");
  };
  for (Code& code : codes) {
    if (!MakeCode(code, work)) {
      std::printf("%s: zint failed\n", code.name.c_str());
      continue;
    }
    for (int dots = 2; dots <= 8; ++dots)
      row(code.name, dots, code.modules * dots, code.modules * dots,
          [&](bench::Condition c) { return CodeReads(code, dots, c, seeds, text, work); });
  }
  for (int grid = 3; grid <= 8; ++grid) {
    symbol::SymbolSpec spec;
    spec.layout = symbol::Layout{0, 0, 0, grid, symbol::Style::Lines, std::max(1, (grid + 2) / 4)};
    spec.content.text = text;
    const auto bitmap =
        std::get<symbol::Bitmap>(symbol::ParseBmp(std::get<symbol::Symbol>(symbol::BuildSymbol(spec)).ToBmp()));
    row("Tessellux", grid, bitmap.width, bitmap.height,
        [&](bench::Condition c) { return OurReads(bitmap, c, seeds, text); });
  }
  std::printf("\nsmallest size reading >= 99 %%:\n");
  for (const auto& [name, b] : best) {
    std::printf("%-12s", name.c_str());
    for (auto c : bench::kConditions)
      std::printf(" | %s: %s", bench::ConditionName(c), b.at.count(c) ? b.at.at(c).c_str() : "none");
    std::printf(" | all three: %s\n", b.in_all.empty() ? "none" : b.in_all.c_str());
  }
  if (keep.empty()) fs::remove_all(work);
  return 0;
}
