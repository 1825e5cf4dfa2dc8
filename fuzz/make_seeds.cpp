// Writes the fuzz targets' seed corpora from real symbols, real streams and
// real replies of the Code Generator's session:
//   fuzz_make_seeds FUZZ_DIR
// Each seed lands in FUZZ_DIR/<target>/corpus/seed-<what>. Run it again
// (and commit the result) when the symbol format or the protocol changes.

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "codegen/session.h"
#include "link/reply.h"
#include "protocol/framing.h"
#include "symbol/codec/stream.h"
#include "symbol/symbol.h"

namespace fs = std::filesystem;
using tessellux::Bytes;
using namespace tessellux;

namespace {

fs::path g_root;

void Write(const std::string& target, const std::string& what, const Bytes& bytes) {
  const fs::path dir = g_root / target / "corpus";
  fs::create_directories(dir);
  std::ofstream(dir / ("seed-" + what), std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A length-prefixed field as the targets' fuzz::Input reads it.
void Field(Bytes& out, const std::string& text) {
  out.push_back(static_cast<std::uint8_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

// Put together as a string first: GCC 12 at -O3 sees a one-byte vector
// grown by insert() as written out of bounds (-Warray-bounds and
// -Wstringop-overflow, false alarms).
Bytes Cmd(std::uint8_t code, const std::string& params = {}) {
  const std::string command = static_cast<char>(code) + params;
  return Bytes(command.begin(), command.end());
}

Bytes Layout(int rows, int cols, int reserved, int grid, int style, int thickness) {
  return Bytes{0x11, static_cast<std::uint8_t>(rows), static_cast<std::uint8_t>(cols),
               static_cast<std::uint8_t>(reserved), static_cast<std::uint8_t>(grid),
               static_cast<std::uint8_t>(style), static_cast<std::uint8_t>(thickness)};
}

struct Build {
  std::string name;
  std::vector<Bytes> commands;  // up to and including the build command
};

const std::string kSerial = "1234-5678-9012";

std::vector<Build> Builds() {
  const Bytes small = Layout(0, 0, 4, 3, 1, 1);
  return {
      {"public-text", {small, Cmd(0x21, "hello"), Cmd(0x51)}},
      {"public-auto-dots", {Layout(0, 0, 0, 4, 2, 2), Cmd(0x21, "https://example.com/a?b=c"), Cmd(0x51)}},
      {"public-file", {small, Cmd(0x21, "pic"), Cmd(0x31, "\xFF\xD8\xFF\xE0 jpeg"), Cmd(0x32, "\xAA\xAB more"), Cmd(0x51)}},
      {"private", {small, Cmd(0x21, "secret text"), Cmd(0x41, "phrase"), Cmd(0x52)}},
      {"universal", {small, Cmd(0x42, "tag"), Cmd(0x41, "phrase"), Cmd(0x53)}},
      {"unique", {small, Cmd(0x42, "tag"), Cmd(0x41, "phrase"), Cmd(0x53, kSerial)}},
      {"cascaded-temporary", {small, Cmd(0x42, "tag"), Cmd(0x41, "new"), Cmd(0x54, "old phrase")}},
  };
}

// One session's exchange: the commands as framed on the wire, and the
// framed replies, picture fetch included.
void SessionSeeds() {
  for (const Build& build : Builds()) {
    codegen::Session session(codegen::MakeSymbolBuilder({}), "Fuzz Company");
    Bytes commands, replies;
    std::vector<Bytes> sequence = build.commands;
    sequence.push_back(Cmd(0x61));
    for (const Bytes& command : sequence) {
      protocol::AppendFrame(command, commands);
      const Bytes reply = session.Handle(command);
      if (command[0] >= 0x61) protocol::AppendFrame(reply, replies);
    }
    for (Bytes reply{0x62, 0x00}; reply[1] == 0x00;) {  // rows until "bb" (or a failure)
      protocol::AppendFrame(Cmd(0x62), commands);
      reply = session.Handle(Cmd(0x62));
      protocol::AppendFrame(reply, replies);
    }
    Write("codegen_session", build.name, commands);
    // Read sizes 1, 13 and 256; copied, in place with mirror image, in place.
    for (auto [read, mode] : {std::pair{1, 0}, {13, 3}, {256, 2}}) {
      Bytes seed(2 + replies.size());
      seed[0] = static_cast<std::uint8_t>(read - 1);
      seed[1] = static_cast<std::uint8_t>(mode);
      std::copy(replies.begin(), replies.end(), seed.begin() + 2);
      Write("link_reply", build.name + "-read" + std::to_string(read), seed);
    }
  }
  Bytes errors;
  for (const Bytes& command : {Cmd(0x62), Layout(3, 1, 4, 3, 1, 1), Bytes{}, Cmd(0x99), Cmd(0x32, "x")})
    protocol::AppendFrame(command, errors);
  Write("codegen_session", "errors", errors);
  Write("link_reply", "error-then-escapes", {0, 0, 0x11, 0x05, 0xAA, 0x61, 0x00, 0xAB, 0x54, 0xAB, 0x55, 0xAB, 0xAA});
}

symbol::SymbolSpec Request(const symbol::Layout& layout, symbol::SecurityMode mode, const std::string& text) {
  symbol::SymbolSpec request;
  request.layout = layout;
  request.content.text = text;
  request.security = {mode, mode == symbol::SecurityMode::Cascaded, "Fuzz Company", "tag", "phrase",
                      mode == symbol::SecurityMode::Unique ? kSerial : "old phrase"};
  return request;
}

symbol::ReaderKeys Keys() { return {"Fuzz Company", "phrase", kSerial, "old phrase"}; }

void Keys(Bytes& out) {
  const symbol::ReaderKeys keys = Keys();
  for (const std::string* key : {&keys.company, &keys.phrase, &keys.serial, &keys.old_phrase}) Field(out, *key);
}

// The stream decoder's seeds: each mode as a stream (CRC left for the target
// to append) and as the codewords of a small symbol.
void StreamSeeds() {
  for (int mode = 0; mode <= 4; ++mode) {
    const auto m = static_cast<symbol::SecurityMode>(mode);
    const symbol::SymbolSpec request = Request({}, m, "text of mode " + std::to_string(mode));
    Bytes stream = symbol::codec::WriteStream(request.content, request.security, 4);
    stream.resize(stream.size() - 4);
    Bytes seed{0, 0};
    Keys(seed);
    seed.insert(seed.end(), stream.begin(), stream.end());
    Write("symbol_stream", "stream-mode" + std::to_string(mode), seed);

    auto encoded = symbol::EncodePayload(request.content, request.security, 4, 4, 4);
    const Bytes& codewords = std::get<symbol::Encoded>(encoded).codewords;
    seed = {1, 2 | 2 << 2};  // 4 x 4 blocks
    Keys(seed);
    seed.insert(seed.end(), codewords.begin(), codewords.end());
    Write("symbol_stream", "codewords-mode" + std::to_string(mode), seed);
  }
}

// Pictures of small symbols for the BMP parser and sampler, and the same
// symbols as round-trip inputs.
void SymbolSeeds() {
  struct Case {
    std::string name;
    symbol::Layout layout;
    int mode;
    bool mirror;
  };
  using symbol::Style;
  const std::vector<Case> cases = {
      {"lines-g3-t1", {2, 2, 4, 3, Style::Lines, 1}, 0, false},
      {"lines-g5-t2-mirror", {2, 4, 6, 5, Style::Lines, 2}, 0, true},
      {"dots-g8-t3-universal", {0, 0, 4, 8, Style::Dots, 3}, 2, false},
      {"dots-g6-t1-private", {0, 0, 4, 6, Style::Dots, 1}, 1, false},
      {"lines-g7-t5-unique", {4, 4, 8, 7, Style::Lines, 5}, 3, true},
      {"auto-g3-cascaded", {0, 0, 0, 3, Style::Lines, 2}, 4, false},
  };
  for (const Case& c : cases) {
    const auto m = static_cast<symbol::SecurityMode>(c.mode);
    const symbol::SymbolSpec request = Request(c.layout, m, "round trip");
    auto built = symbol::BuildSymbol(request);
    if (!std::holds_alternative<symbol::Symbol>(built)) {
      std::fprintf(stderr, "%s: %s\n", c.name.c_str(), symbol::Describe(std::get<symbol::BuildError>(built)).c_str());
      std::exit(1);
    }
    Bytes bmp = std::get<symbol::Symbol>(built).ToBmp();
    Write("symbol_raster", c.name, bmp);

    auto index = [](int count) { return static_cast<std::uint8_t>(count == 4 ? 3 : count); };
    const symbol::Layout& l = c.layout;
    Bytes seed{index(l.rows), index(l.cols), static_cast<std::uint8_t>(l.reserved),
               static_cast<std::uint8_t>(l.grid), static_cast<std::uint8_t>(l.style),
               static_cast<std::uint8_t>(l.thickness),
               static_cast<std::uint8_t>(c.mode | (c.mode == 4 ? 0x08 : 0) | (c.mirror ? 0x10 : 0) | 0x20)};
    Field(seed, request.content.text);
    Field(seed, c.mode % 2 ? "" : "PK\x03\x04 zip");
    Field(seed, request.security.tag);
    Field(seed, request.security.phrase);
    Field(seed, request.security.second);
    Write("symbol_roundtrip", c.name, seed);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_make_seeds FUZZ_DIR\n");
    return 1;
  }
  g_root = argv[1];
  SessionSeeds();
  StreamSeeds();
  SymbolSeeds();
  return 0;
}
