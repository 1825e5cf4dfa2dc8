#include "verify/print_check.h"

#include <algorithm>
#include <fstream>
#include <variant>

namespace tessellux::verify {

namespace {

bool SameSecurity(const symbol::Security& a, const symbol::Security& b) {
  return a.mode == b.mode && a.temporary == b.temporary && a.company == b.company && a.tag == b.tag &&
         a.phrase == b.phrase && a.second == b.second;
}

std::vector<Field> Differences(const symbol::ReadResult& built, const symbol::ReadResult& scanned) {
  std::vector<Field> fields;
  if (built.geometry.rows != scanned.geometry.rows || built.geometry.cols != scanned.geometry.cols)
    fields.push_back(Field::kBlocks);
  if (built.geometry.k != scanned.geometry.k) fields.push_back(Field::kCorrection);
  if (built.layout.style != scanned.layout.style) fields.push_back(Field::kStyle);
  if (!SameSecurity(built.security, scanned.security)) fields.push_back(Field::kSecurity);
  if (built.content.text != scanned.content.text) fields.push_back(Field::kText);
  if (built.content.file != scanned.content.file) fields.push_back(Field::kFile);
  return fields;
}

PrintCheck NotRead(Verdict verdict, std::string reason) {
  PrintCheck check;
  check.verdict = verdict;
  check.reason = std::move(reason);
  return check;
}

}  // namespace

PrintCheck CheckPrint(const Bytes& scan, const Bytes& built_bmp, const symbol::ReaderKeys& keys) {
  auto built = symbol::ReadSymbol(built_bmp, keys);
  if (auto* error = std::get_if<symbol::ReadError>(&built)) return NotRead(Verdict::kBuiltUnreadable, error->message);
  const std::vector<symbol::PictureRead> reads = symbol::ReadPicture(scan, keys);
  const symbol::PictureRead& read = reads.front();  // the largest symbol with a clear grid
  PrintCheck check;
  check.built = std::get<symbol::ReadResult>(std::move(built));
  check.grade = symbol::GradeRead(read);
  check.from_paper = read.scan.has_value();
  if (const auto* error = std::get_if<symbol::ReadError>(&read.result)) {
    const bool key = error->kind != symbol::DecodeFailure::Damaged;
    check.verdict = key ? Verdict::kKeyNeeded : Verdict::kNotRead;
    check.reason = error->message;
    return check;
  }
  check.scanned = std::get<symbol::ReadResult>(read.result);
  check.differences = Differences(*check.built, *check.scanned);
  check.verdict = check.differences.empty() ? Verdict::kSame : Verdict::kDiffers;
  return check;
}

PrintCheck CheckPrintFile(const std::string& scan_path, const Bytes& built_bmp, const symbol::ReaderKeys& keys) {
  std::ifstream in(scan_path, std::ios::binary | std::ios::ate);
  if (!in) return NotRead(Verdict::kFileUnreadable, "the file cannot be opened");
  const std::streamoff size = in.tellg();
  if (size < 0) return NotRead(Verdict::kFileUnreadable, "the file cannot be read");
  if (static_cast<std::uint64_t>(size) > kMaxScanFileBytes)
    return NotRead(Verdict::kFileUnreadable, "the file is larger than any picture the reader accepts");
  Bytes scan(static_cast<std::size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(scan.data()), size)) return NotRead(Verdict::kFileUnreadable, "the file cannot be read");
  return CheckPrint(scan, built_bmp, keys);
}

std::size_t FirstDifference(const std::string& a, const std::string& b) {
  return static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first -
                                  a.begin());
}

}  // namespace tessellux::verify
