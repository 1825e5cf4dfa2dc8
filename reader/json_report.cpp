#include "reader/json_report.h"

#include <cstdio>
#include <variant>

#include "cmdline/cmdline.h"
#include "symbol/grade.h"

namespace tessellux::reader {

namespace {

std::string Number(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", v);
  return text;
}

std::string ScanFields(const symbol::ScanReport& scan) {
  std::string out = ",\"corners\":[";
  for (int k = 0; k < 4; ++k)
    out += std::string(k ? "," : "") + "[" + Number(scan.corners[k].x) + "," + Number(scan.corners[k].y) + "]";
  return out + "],\"cell_pixels\":" + Number(scan.cell_pixels) + ",\"rotation\":" + Number(scan.rotation) +
         ",\"mirrored\":" + (scan.mirrored ? "true" : "false");
}

}  // namespace

std::string JsonReport(const symbol::PictureRead& read) {
  const symbol::Grade grade = symbol::GradeRead(read);
  const auto* result = std::get_if<symbol::ReadResult>(&read.result);
  std::string out = std::string("{\"read\":") + (result ? "true" : "false");
  const bool found = read.scan || result || std::get<symbol::ReadError>(read.result).damage.rows > 0;
  out += std::string(",\"source\":") + (read.scan ? "\"paper\"" : found ? "\"exact\"" : "\"none\"");
  if (result) {
    out += ",\"rows\":" + std::to_string(result->geometry.rows) + ",\"cols\":" + std::to_string(result->geometry.cols) +
           ",\"k\":" + std::to_string(result->geometry.k) + ",\"style\":" +
           (result->layout.style == symbol::Style::Lines ? "\"lines\"" : "\"dots\"") +
           ",\"text\":" + cmdline::JsonString(result->content.text);
  } else {
    out += ",\"error\":" + cmdline::JsonString(std::get<symbol::ReadError>(read.result).message);
  }
  if (read.scan) out += ScanFields(*read.scan);
  out += ",\"contrast\":" + Number(grade.contrast) + ",\"damaged_share\":" + Number(grade.damaged_share) +
         ",\"margin\":" + Number(grade.margin) + ",\"grade\":\"" + grade.letter + "\"}";
  return out;
}

}  // namespace tessellux::reader
