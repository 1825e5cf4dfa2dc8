// The reader's way through a picture: the symbol's own bitmap the exact
// way first; anything else as a page, every quadrilateral on it tried,
// largest first, until one reads (or, for every symbol, all of them).

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "symbol/paper.h"
#include "symbol/paper/block_reader.h"
#include "symbol/paper/grid_count.h"
#include "symbol/paper/lattice_fit.h"
#include "symbol/paper/quad_finder.h"
#include "symbol/raster.h"
#include "symbol/raster/frame_match.h"

namespace tessellux::symbol {

namespace {

using paper::FoundQuad;
using paper::LatticeFit;

constexpr std::size_t kMaxQuads = 24;  // outlines tried per page
constexpr int kFitsPerQuad = 3;        // geometries tried per outline
constexpr double kProminenceGap = 20;  // outlines this much less periodic than the clearest wait

// A grey picture the size of a symbol: black below half grey, then the exact way.
std::optional<Sampled> SampleExactGrey(const GreyImage& image) {
  if (raster::CandidateLayouts(image.width, image.height).empty()) return std::nullopt;
  Bitmap bitmap(image.width, image.height);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * image.width;
    for (int x = 0; x < image.width; ++x)
      if (row[x] < 128) bitmap.set(x, y, true);
  }
  auto sampled = SampleBitmap(bitmap);
  if (auto* found = std::get_if<Sampled>(&sampled)) return std::move(*found);
  return std::nullopt;
}

double Distance(PointF a, PointF b) { return std::hypot(a.x - b.x, a.y - b.y); }

ScanReport Report(const LatticeFit& fit, double contrast) {
  ScanReport report;
  for (int k = 0; k < 4; ++k) report.corners[k] = fit.map.Map(fit.shape.Corner(k));
  const auto& c = report.corners;
  report.cell_pixels = 0.5 * ((Distance(c[0], c[1]) + Distance(c[3], c[2])) / (2 * fit.shape.Corner(1).x) +
                              (Distance(c[0], c[3]) + Distance(c[1], c[2])) / (2 * fit.shape.Corner(3).y));
  report.rotation = std::atan2(-(c[1].y - c[0].y), c[1].x - c[0].x) * 180 / std::numbers::pi;
  report.mirrored = fit.mirrored;
  report.contrast = contrast;
  return report;
}

// Inside the convex quadrilateral (either winding).
bool Inside(const std::array<PointF, 4>& q, PointF p) {
  int positive = 0, negative = 0;
  for (int k = 0; k < 4; ++k) {
    const PointF a = q[k], b = q[(k + 1) % 4];
    const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
    positive += cross > 0, negative += cross < 0;
  }
  return positive == 0 || negative == 0;
}

PointF Centre(const paper::Quad& q) {
  return {(q[0].x + q[1].x + q[2].x + q[3].x) / 4, (q[0].y + q[1].y + q[2].y + q[3].y) / 4};
}

std::optional<PictureRead> ReadFits(const GreyImage& image, const std::vector<LatticeFit>& fits,
                                    const ReaderKeys& keys, std::optional<PictureRead>& refusal);

// Cells of at most this many pixels get the blurred second try: a dot of
// a quarter cell is then two pixels or less, too small for the fit to
// feel from any distance. Larger dots give the sharp fit a slope.
constexpr double kBlurredTryMaxCell = 10;

bool SmallCells(const GreyImage& image, const FoundQuad& quad) {
  const paper::PeriodCounts counts = paper::CountPeriods(image, quad.corners);
  if (counts.along_first.empty()) return true;
  const double side = std::max(Distance(quad.corners[0], quad.corners[1]), Distance(quad.corners[3], quad.corners[2]));
  return side / counts.along_first.front() <= kBlurredTryMaxCell;
}

// The best outcome for one outline: the first fit that decodes, else the
// refusal of the best fit whose reference marks matched. A clean symbol
// reads from its first confident fit; all the geometries are refined only
// when that fails, and the blurred copy tried last, for small cells.
std::optional<PictureRead> ReadQuad(const GreyImage& image, const FoundQuad& quad, const ReaderKeys& keys) {
  std::optional<PictureRead> refusal;
  const auto hasty = paper::FitLattice(image, quad, kFitsPerQuad, false, true);
  if (auto read = ReadFits(image, hasty, keys, refusal)) return read;
  if (!hasty.empty() && hasty.front().agreement >= paper::kConfidentAgreement) {
    if (auto read = ReadFits(image, paper::FitLattice(image, quad, kFitsPerQuad, false), keys, refusal)) return read;
  }
  if (!SmallCells(image, quad)) return refusal;
  auto blurred = ReadFits(image, paper::FitLattice(image, quad, kFitsPerQuad, true), keys, refusal);
  return blurred ? blurred : refusal;
}

std::optional<PictureRead> ReadFits(const GreyImage& image, const std::vector<LatticeFit>& fits,
                                    const ReaderKeys& keys, std::optional<PictureRead>& refusal) {
  for (const LatticeFit& fit : fits) {
    paper::BlockReading reading = paper::ReadBlocks(image, fit);
    const Sampled& s = reading.sampled;
    int wrong = 0;
    for (std::uint8_t w : s.wrong_references) wrong += w;
    if (wrong * 4 > s.rows * s.cols * 16) continue;  // as the exact way: not this symbol
    PictureRead read{DecodeSampled(s, keys), Report(fit, reading.contrast)};
    if (std::holds_alternative<ReadResult>(read.result)) return read;
    if (!refusal) refusal = std::move(read);
  }
  return std::nullopt;
}

// What one search of the page gave: symbols read (with their outline's
// area) and the first refusal.
struct PageReads {
  std::vector<std::pair<double, PictureRead>> reads;
  std::optional<PictureRead> refusal;
};

void ReadQuads(const GreyImage& image, const std::vector<FoundQuad>& quads, const ReaderKeys& keys,
               const PictureOptions& options, PageReads& page) {
  // How clearly each outline repeats once per cell (the weaker way across).
  // A page's box, text and rules fit some lattice too, only worse, and each
  // costs a full fit: outlines whose grid stands out far less than the
  // clearest one's are left for a second pass, if the first reads nothing.
  std::vector<double> prominence;
  double clearest = 0;
  for (const FoundQuad& quad : quads) {
    const paper::PeriodCounts counts = paper::CountPeriods(image, quad.corners);
    prominence.push_back(std::min(counts.prominence_first, counts.prominence_second));
    clearest = std::max(clearest, prominence.back());
  }
  auto& reads = page.reads;
  std::vector<bool> tried(quads.size(), false);
  for (bool first_pass : {true, false}) {
    for (std::size_t k = 0; k < quads.size(); ++k) {
      if (tried[k] || (first_pass && prominence[k] * kProminenceGap < clearest)) continue;
      tried[k] = true;
      const FoundQuad& quad = quads[k];
      const PointF centre = Centre(quad.corners);
      if (std::any_of(reads.begin(), reads.end(), [&](const auto& r) { return Inside(r.second.scan->corners, centre); }))
        continue;  // a part of a symbol read already
      auto read = ReadQuad(image, quad, keys);
      if (!read) continue;
      if (std::holds_alternative<ReadResult>(read->result)) {
        reads.emplace_back(quad.area, std::move(*read));
        if (!options.all) break;
      } else if (!page.refusal) {
        page.refusal = std::move(read);
      }
    }
    if (!reads.empty() && !options.all) break;
  }
}

}  // namespace

std::vector<PictureRead> ReadGreyPicture(const GreyImage& image, const ReaderKeys& keys,
                                         const PictureOptions& options) {
  if (auto exact = SampleExactGrey(image)) return {PictureRead{DecodeSampled(*exact, keys), std::nullopt}};
  PageReads page;
  ReadQuads(image, paper::FindQuads(image, kMaxQuads), keys, options, page);
  // Ink too faint to pass for ink (dots under heavy blur) gets a second look.
  if (page.reads.empty()) ReadQuads(image, paper::FindQuads(image, kMaxQuads, paper::InkLevel::Faint), keys, options, page);
  auto& reads = page.reads;
  auto& refusal = page.refusal;
  if (reads.empty()) {
    if (refusal) return {std::move(*refusal)};
    return {PictureRead{ReadError{"no symbol found on the picture", DecodeFailure::Damaged, {}}, std::nullopt}};
  }
  std::stable_sort(reads.begin(), reads.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  std::vector<PictureRead> out;
  for (auto& r : reads) out.push_back(std::move(r.second));
  return out;
}

PreparedPicture PrepareDecoded(const Bytes& file) {
  auto image = DecodePicture(file);
  if (auto* error = std::get_if<std::string>(&image))
    return {ReadError{"not a readable picture: " + *error, DecodeFailure::Damaged, {}}};
  return {std::move(std::get<GreyImage>(image))};
}

PreparedPicture PreparePicture(const Bytes& file) {
  // A BMP of the symbol's own grid: exactly as before, nothing decoded twice.
  if (auto exact = SampleSymbolBmp(file)) return {std::move(*exact)};
  return PrepareDecoded(file);
}

PreparedPicture PreparePicture(Bytes&& file) {
  Bytes taken = std::move(file);
  if (auto prepared = PrepareWithoutDecoder(taken)) return std::move(*prepared);
  return PrepareDecoded(taken);
}

std::vector<PictureRead> ReadPrepared(const PreparedPicture& picture, const ReaderKeys& keys,
                                      const PictureOptions& options) {
  return ReadPreparedWith(picture, keys, options, ReadGreyPicture);
}

std::vector<PictureRead> ReadPicture(const Bytes& file, const ReaderKeys& keys, const PictureOptions& options) {
  return ReadPrepared(PreparePicture(file), keys, options);
}

}  // namespace tessellux::symbol
