// tessellux-read: prints what a Tessellux symbol holds and saves a carried file.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/terminal_text.h"
#include "reader/damage_map.h"
#include "reader/json_report.h"
#include "reader/options.h"
#include "symbol/grade.h"
#include "symbol/paper.h"
#include "symbol/symbol.h"
#include "reader/paper_module.h"

namespace {

namespace fs = std::filesystem;
using tessellux::symbol::Bytes;
using tessellux::symbol::DecodeFailure;
using tessellux::symbol::ReaderKeys;
using tessellux::symbol::ReadError;
using tessellux::symbol::PictureOptions;
using tessellux::symbol::PictureRead;
using tessellux::symbol::PreparedPicture;
using tessellux::symbol::ReadResult;
using tessellux::symbol::SecurityMode;
using tessellux::protocol::EscapeText;
using tessellux::reader::Options;

enum Exit { kOk = 0, kUnreadable = 1, kUsage = tessellux::cmdline::kExitUsage, kKeyProblem = 3, kCannotWrite = 4 };

// The option that gives the key a failed read asked for.
std::string KeyHint(const std::string& message) {
  if (message.find("serial number") != std::string::npos || message.find("old secret phrase") != std::string::npos) {
    return " (give --second-phrase-file FILE, TESSELLUX_SECOND_PHRASE or --second-phrase)";
  }
  if (message.find("secret phrase") != std::string::npos) {
    return " (give --company NAME and --secret-phrase-file FILE, TESSELLUX_SECRET_PHRASE or --secret-phrase)";
  }
  return "";
}

// A failure that has no symbol's report: a JSON object with --json, else a line on stderr.
int Fail(const Options& options, int code, const std::string& message) {
  if (options.json) {
    std::cout << tessellux::cmdline::JsonFailure(code, message) << std::flush;
  } else {
    std::cerr << "tessellux-read: " << message << "\n";
  }
  return code;
}

constexpr std::uintmax_t kMaxFileBytes = std::uintmax_t{512} << 20;

// Standard input, for "-": read to the end, no larger than a file may be.
std::optional<Bytes> ReadStdin(std::string& error) {
  Bytes bytes;
  char buffer[65536];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0;) {
    bytes.insert(bytes.end(), buffer, buffer + n);
    if (bytes.size() > kMaxFileBytes) {
      error = "standard input is too large to be a symbol picture";
      return std::nullopt;
    }
  }
  if (std::ferror(stdin)) {
    error = "cannot read standard input";
    return std::nullopt;
  }
  return bytes;
}

std::optional<Bytes> ReadFile(const std::string& path, std::string& error) {
  if (path == "-") return ReadStdin(error);
  std::error_code code;
  const auto size = fs::file_size(path, code);
  if (code) {
    error = "cannot read " + path + ": " + code.message();
    return std::nullopt;
  }
  if (size > kMaxFileBytes) {
    error = path + " is too large to be a symbol picture";
    return std::nullopt;
  }
  // Read in one piece into a buffer of the file's size: a page's picture is
  // tens of megabytes, and a growing buffer would hold it up to twice over.
  std::ifstream in(path, std::ios::binary);
  Bytes bytes(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in || in.peek() != std::ifstream::traits_type::eof()) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  return bytes;
}

// The program sends the old phrase in a single-byte code page; a reader typing
// it in UTF-8 gets a second try with its Latin-1 form.
std::optional<std::string> Latin1(std::string_view utf8) {
  std::string out;
  bool changed = false;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
      const auto next = static_cast<unsigned char>(utf8[++i]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      out.push_back(static_cast<char>(((c & 0x03) << 6) | (next & 0x3F)));
      changed = true;
    } else {
      return std::nullopt;
    }
  }
  if (!changed) return std::nullopt;
  return out;
}

bool AskedForKeyAgain(const std::vector<PictureRead>& reads) {
  return std::any_of(reads.begin(), reads.end(), [](const PictureRead& r) {
    const auto* error = std::get_if<ReadError>(&r.result);
    return error && error->kind == DecodeFailure::WrongKey;
  });
}

std::vector<PictureRead> Read(const PreparedPicture& picture, const ReaderKeys& keys, const PictureOptions& options) {
  auto reads = tessellux::reader::ReadPreparedPicture(picture, keys, options);
  if (!AskedForKeyAgain(reads)) return reads;
  const auto old_phrase = Latin1(keys.old_phrase);
  if (!old_phrase) return reads;
  ReaderKeys retry = keys;
  retry.old_phrase = *old_phrase;
  auto second = tessellux::reader::ReadPreparedPicture(picture, retry, options);
  return AskedForKeyAgain(second) ? reads : second;
}

const char* ModeName(SecurityMode mode) {
  switch (mode) {
    case SecurityMode::Public: return "public";
    case SecurityMode::Private: return "company-private";
    case SecurityMode::Universal: return "universal authorization";
    case SecurityMode::Unique: return "unique authorization";
    case SecurityMode::Cascaded: return "cascaded authorization";
  }
  return "unknown";
}

const char* KindName(const ReadResult& result) {
  const bool text = !result.content.text.empty();
  const bool file = result.content.file.has_value();
  if (text && file) return "text and file";
  if (text) return "text";
  if (file) return "file";
  return "none (authorization)";
}

const char* FileExtension(const Bytes& file) {
  if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF) return ".jpg";
  if (file.size() >= 2 && file[0] == 0x50 && file[1] == 0x4B) return ".zip";
  return ".bin";
}

void PrintResult(const ReadResult& result) {
  const auto& g = result.geometry;
  const auto& layout = result.layout;
  const char* style = layout.style == tessellux::symbol::Style::Lines ? "lines" : "dots";
  std::cout << "Symbol: " << g.rows << " x " << g.cols << " blocks, " << g.k << " correctable bytes per group, ";
  // Paper keeps the style but not the pixel sizes the symbol was drawn with.
  if (layout.grid > 0) {
    std::cout << "grid " << layout.grid << ", " << style << ", thickness " << layout.thickness;
  } else {
    std::cout << style << ", from paper";
  }
  std::cout << (result.mirrored ? ", mirrored" : "") << "\n";
  std::cout << "Damage: " << result.damage.damaged() << " of " << g.rows * g.cols << " blocks damaged, "
            << result.corrected << " bytes corrected\n";
  std::cout << "Kind: " << KindName(result) << "\n";
  std::cout << "Security: " << ModeName(result.security.mode) << (result.security.temporary ? ", temporary" : "")
            << "\n";
  const auto& s = result.security;
  if (!s.company.empty()) std::cout << "Company: " << EscapeText(s.company) << "\n";
  if (!s.tag.empty()) std::cout << "Identification tag: " << EscapeText(s.tag) << "\n";
  if (!s.phrase.empty()) std::cout << "Secret phrase: " << EscapeText(s.phrase) << "\n";
  if (!result.content.text.empty()) std::cout << "Text: " << EscapeText(result.content.text) << "\n";
}

// Reports the carried file and writes it when a directory was given.
Exit SaveFile(const Bytes& file, const std::optional<fs::path>& out, bool say = true) {
  const std::string name = std::string("tessellux-file") + FileExtension(file);
  if (say) std::cout << "File: " << name << ", " << file.size() << " bytes";
  if (!out) {
    if (say) std::cout << " (not saved: give --output DIR)\n";
    return kOk;
  }
  const fs::path target = *out / name;
  std::ofstream stream(target, std::ios::binary | std::ios::trunc);
  stream.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  stream.close();
  if (!stream) {
    if (say) std::cout << "\n";
    std::cerr << "tessellux-read: cannot write " << target.string() << "\n";
    return kCannotWrite;
  }
  if (say) std::cout << ", written to " << target.string() << "\n";
  return kOk;
}

// The folder must be there already: a mistyped name is an error, not a new folder.
std::optional<std::string> OutFolderProblem(const fs::path& out) {
  std::error_code code;
  const auto status = fs::status(out, code);
  if (!fs::exists(status)) return "--output: no such folder: " + out.string() + " (make it first)";
  if (!fs::is_directory(status)) return "--output: not a folder: " + out.string();
  return std::nullopt;
}

// Where the symbol lay on the picture and how well it read.
void PrintScan(const PictureRead& read) {
  if (read.scan) {
    const auto& s = *read.scan;
    std::printf("Corners: (%.1f, %.1f) (%.1f, %.1f) (%.1f, %.1f) (%.1f, %.1f)\n", s.corners[0].x, s.corners[0].y,
                s.corners[1].x, s.corners[1].y, s.corners[2].x, s.corners[2].y, s.corners[3].x, s.corners[3].y);
    std::printf("Grid: %.2f pixels per cell, rotation %.1f degrees%s\n", s.cell_pixels, s.rotation,
                s.mirrored ? ", mirrored" : "");
  }
  const auto grade = tessellux::symbol::GradeRead(read);
  std::printf("Grade: %c (contrast %.2f, %.1f %% of blocks damaged, correction margin %.2f)\n", grade.letter,
              grade.contrast, 100 * grade.damaged_share, grade.margin);
  std::fflush(stdout);
}

// Exit code of one read, with nothing printed.
Exit Code(const PictureRead& read) {
  const auto* failure = std::get_if<ReadError>(&read.result);
  if (!failure) return kOk;
  return failure->kind == DecodeFailure::Damaged ? kUnreadable : kKeyProblem;
}

// One symbol's lines; the exit code it alone would give.
Exit Report(const PictureRead& read, const Options& options) {
  if (options.json) {
    std::cout << tessellux::reader::JsonReport(read) << "\n";
    const auto* result = std::get_if<ReadResult>(&read.result);
    if (result && result->content.file) return SaveFile(*result->content.file, options.out, false);
    return Code(read);
  }
  if (const auto* failure = std::get_if<ReadError>(&read.result)) {
    if (options.verbose) PrintScan(read);
    if (options.verbose && failure->damage.rows > 0) {
      std::cout << "Damage: " << failure->damage.damaged() << " of " << failure->damage.blocks.size()
                << " blocks damaged\n"
                << tessellux::reader::DrawDamageMap(failure->damage);
    }
    const bool damaged = failure->kind == DecodeFailure::Damaged;
    std::cerr << "tessellux-read: " << options.path << ": " << failure->message
              << (damaged ? "" : KeyHint(failure->message)) << "\n";
    return damaged ? kUnreadable : kKeyProblem;
  }
  const auto& result = std::get<ReadResult>(read.result);
  PrintResult(result);
  if (options.verbose) {
    std::cout << std::flush;
    PrintScan(read);
    std::cout << tessellux::reader::DrawDamageMap(result.damage);
  }
  if (result.content.file) return SaveFile(*result.content.file, options.out);
  return kOk;
}

int Run(const Options& options) {
  if (options.out) {
    if (const auto problem = OutFolderProblem(*options.out)) return Fail(options, kCannotWrite, *problem);
  }
  std::string error;
  auto file = ReadFile(options.path, error);
  if (!file) return Fail(options, kUnreadable, error);
  PictureOptions picture_options;
  picture_options.all = options.all;
  const PreparedPicture picture = tessellux::reader::PreparePictureFile(std::move(*file));
  const auto reads = Read(picture, options.keys, picture_options);
  int worst = kOk;
  for (std::size_t k = 0; k < reads.size(); ++k) {
    if (k > 0 && !options.json) std::cout << "\n";
    worst = std::max(worst, static_cast<int>(Report(reads[k], options)));
  }
  return worst;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const auto parsed = tessellux::reader::ParseOptions(args);
  if (const auto* error = std::get_if<tessellux::reader::UsageError>(&parsed)) {
    Options failed;
    failed.json = std::find(args.begin(), args.end(), "--json") != args.end();
    const std::string hint = failed.json ? "" : "\n" + tessellux::cmdline::HelpHint(tessellux::reader::ReaderProgram());
    return Fail(failed, kUsage, error->message + hint);
  }
  const Options& options = std::get<Options>(parsed);
  if (options.help) {
    std::cout << tessellux::cmdline::HelpText(tessellux::reader::ReaderProgram());
    return kOk;
  }
  // Quiet: the report goes nowhere; errors still reach stderr.
  if (options.quiet) std::cout.setstate(std::ios::badbit);
  if (options.version) {
    std::cout << "tessellux-read " TESSELLUX_VERSION " (symbol format " << tessellux::symbol::kFormatVersion
              << ")\n";
    return kOk;
  }
  return Run(options);
}
