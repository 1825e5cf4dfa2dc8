// Reading a picture back: find the geometry from the frame, then take every
// mark by majority over the pixels that tell it apart from its neighbours.

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "symbol/raster.h"
#include "symbol/raster/frame_match.h"

namespace tessellux::symbol {

namespace {

using raster::Layout;
using raster::Mark;
using raster::PictureView;

struct Found {
  Layout layout;
  bool flipped = false;
  double mismatch = 0;
};

// Every candidate whose frame fits, best fit first.
std::vector<Found> FittingFrames(const Bitmap& bitmap) {
  std::vector<Found> fitting;
  for (const Layout& layout : raster::CandidateLayouts(bitmap.width, bitmap.height)) {
    for (bool flipped : {false, true}) {
      const auto mismatch = raster::FrameMismatch(layout, PictureView{&bitmap, flipped});
      if (mismatch) fitting.push_back(Found{layout, flipped, *mismatch});
    }
  }
  std::stable_sort(fitting.begin(), fitting.end(),
                   [](const Found& a, const Found& b) { return a.mismatch < b.mismatch; });
  return fitting;
}

bool SampleMark(const Layout& layout, const PictureView& view, int i, int j, Mark mark) {
  const raster::Box s = layout.Sample(mark);
  const int x0 = i * layout.grid + s.x0, y0 = j * layout.grid + s.y0;
  int black = 0;
  for (int y = y0; y < y0 + (s.y1 - s.y0); ++y) {
    for (int x = x0; x < x0 + (s.x1 - s.x0); ++x) black += view.black(x, y);
  }
  return 2 * black > (s.x1 - s.x0) * (s.y1 - s.y0);
}

// Reference marks wrong, out of those checked.
int WrongReferences(const Layout& layout, const PictureView& view, int b) {
  int wrong = 0;
  for (int k = 0; k < 8; ++k) {
    const int i = raster::BlockCellCol(layout, b, k), j = raster::BlockCellRow(layout, b, k);
    for (Mark mark : {Mark::A, Mark::B})
      wrong += SampleMark(layout, view, i, j, mark) != raster::ReferenceBit(k, k, mark);
  }
  return wrong;
}

void SampleBlock(const Layout& layout, const PictureView& view, int b, std::uint8_t* bytes) {
  for (int d = 0; d < raster::kBytesPerBlock * 8; ++d) {
    const raster::BlockPosition& p = raster::DataPosition(d);
    const int i = raster::BlockCellCol(layout, b, p.cx), j = raster::BlockCellRow(layout, b, p.cy);
    if (SampleMark(layout, view, i, j, p.mark)) bytes[d / 8] |= static_cast<std::uint8_t>(0x80U >> (d % 8));
  }
}

std::string DescribeLayout(const Layout& layout) {
  return "grid " + std::to_string(layout.grid) + ", thickness " + std::to_string(layout.thickness);
}

// Samples the picture as `found` says; an error text when it does not hold
// a readable symbol after all.
std::variant<Sampled, std::string> SampleFrame(const Bitmap& bitmap, const Found& found) {
  const raster::Layout& layout = found.layout;
  if (!layout.MarksApart()) {
    return "the marks run together (" + DescribeLayout(layout) + "): the symbol cannot be read";
  }
  const PictureView view{&bitmap, found.flipped};
  const int blocks = layout.rows * layout.cols;
  Sampled out{layout.rows, layout.cols, layout.grid, layout.thickness, layout.style, found.flipped, {}, {}};
  out.codewords.assign(static_cast<std::size_t>(blocks) * raster::kBytesPerBlock, 0);
  out.wrong_references.assign(static_cast<std::size_t>(blocks), 0);
  int wrong_references = 0;
  for (int b = 0; b < blocks; ++b) {
    const int wrong = WrongReferences(layout, view, b);
    out.wrong_references[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(wrong);
    wrong_references += wrong;
    SampleBlock(layout, view, b, out.codewords.data() + static_cast<std::size_t>(b) * raster::kBytesPerBlock);
  }
  if (wrong_references * 4 > blocks * 16) {
    return "not a symbol: the reference marks do not match (" + DescribeLayout(layout) + ")";
  }
  return out;
}

}  // namespace

std::variant<Sampled, std::string> SampleBitmap(const Bitmap& bitmap) {
  if (!bitmap.consistent()) {
    return std::string("not a symbol: empty or inconsistent picture");
  }
  const std::vector<Found> fitting = FittingFrames(bitmap);
  if (fitting.empty()) return std::string("not a symbol: no symbol frame fits the picture");
  std::optional<std::string> first_error;
  for (const Found& found : fitting) {
    auto sampled = SampleFrame(bitmap, found);
    if (std::holds_alternative<Sampled>(sampled)) return sampled;
    if (!first_error) first_error = std::move(std::get<std::string>(sampled));
  }
  return *first_error;
}

}  // namespace tessellux::symbol
