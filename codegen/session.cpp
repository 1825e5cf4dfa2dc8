#include "codegen/session.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "codegen/layout_check.h"
#include "protocol/hex.h"

namespace tessellux::codegen {
namespace {

using symbol::SecurityMode;

using protocol::Code;
using protocol::Command;

constexpr std::uint8_t kLayout = Code(Command::Layout);
constexpr std::uint8_t kText = Code(Command::Text);
constexpr std::uint8_t kFirstPiece = Code(Command::FirstFilePiece);
constexpr std::uint8_t kNextPiece = Code(Command::NextFilePiece);
constexpr std::uint8_t kPhrase = Code(Command::SecretPhrase);
constexpr std::uint8_t kTag = Code(Command::IdentificationTag);
constexpr std::uint8_t kPublic = Code(Command::BuildPublic);
constexpr std::uint8_t kPrivate = Code(Command::BuildPrivate);
constexpr std::uint8_t kAuthorization = Code(Command::BuildAuthorization);
constexpr std::uint8_t kTemporaryAuthorization = Code(Command::BuildTemporaryAuthorization);
constexpr std::uint8_t kPictureStart = Code(Command::PictureHeader);
constexpr std::uint8_t kPictureRow = Code(Command::PictureRow);

constexpr std::size_t kLayoutBytes = 6;

Bytes Reply(std::uint8_t code, Status status) { return {code, Code(status)}; }

std::string Params(const Bytes& command) { return std::string(command.begin() + 1, command.end()); }

// Heap bytes a string holds (short ones live inside the object).
std::size_t HeapBytes(const std::string& text) {
  return text.capacity() < sizeof(std::string) ? 0 : text.capacity() + 1;
}

// Text, file, tag and phrases of a build together.
std::size_t InputBytes(const symbol::SymbolSpec& request) {
  const auto& c = request.content;
  const auto& s = request.security;
  return c.text.size() + (c.file ? c.file->size() : 0) + s.tag.size() + s.phrase.size() + s.second.size();
}

Status FromBuildError(symbol::BuildError error) {
  switch (error) {
    case symbol::BuildError::DataTooLarge: return Status::DataTooLarge;
    case symbol::BuildError::BitmapTooLarge: return Status::BitmapTooLarge;
    case symbol::BuildError::BadParameters: return Status::MalformedParameters;
  }
  return Status::MalformedParameters;
}

}  // namespace

bool LooksLikeSerialNumber(const std::string& text) {
  if (text.size() != 14) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool dash_position = i == 4 || i == 9;
    const auto c = static_cast<unsigned char>(text[i]);
    if (dash_position ? c != '-' : !std::isdigit(c)) return false;
  }
  return true;
}

bool BuildJob::Small() const {
  const auto& layout = request->layout;
  const std::size_t inputs = InputBytes(*request);
  const std::size_t fixed = static_cast<std::size_t>(layout.rows) * static_cast<std::size_t>(layout.cols) * 14;
  return std::max(inputs, fixed) <= kSmallBytes;
}

Session::Session(Builder builder, std::string company, SessionLimits limits)
    : builder_(std::move(builder)), company_(std::move(company)), limits_(limits), account_(limits_.budget) {}

std::size_t Session::HeldBytes() const { return InputBytes(request_); }

std::size_t Session::Footprint() const {
  const auto& c = request_.content;
  const auto& s = request_.security;
  return HeapBytes(c.text) + (c.file ? c.file->capacity() : 0) + HeapBytes(s.tag) + HeapBytes(s.phrase) +
         HeapBytes(s.second) + (picture_ ? picture_->held_bytes() : 0);
}

bool Session::Afford(std::size_t extra) { return account_.Resize(Footprint() + extra); }

Bytes Session::Handle(const Bytes& command) {
  Step step = Begin(command);
  if (const auto* job = std::get_if<BuildJob>(&step)) return Finish(job->Run());
  return std::get<Bytes>(std::move(step));
}

Bytes Session::RefuseBusy(std::uint8_t code) {
  if (phase_ == Phase::Building) return Reply(code, Status::OutOfOrder);
  return Fail(code, Status::Busy, "command refused: the memory budget is spent");
}

Session::Step Session::Begin(const Bytes& command) {
  last_error_.clear();
  if (command.empty()) return Fail(protocol::kNoCommand, Status::UnknownCommand, "empty message");
  const std::uint8_t code = command[0];
  if (phase_ == Phase::Building) {  // the caller awaits Finish first; nothing may change meanwhile
    last_error_ = "command during a build";
    return Reply(code, Status::OutOfOrder);
  }
  switch (code) {
    case kLayout: return OnLayout(command);
    case kText: return StoreField(command, request_.content.text, "text");
    case kFirstPiece:
    case kNextPiece: return OnFilePiece(command);
    case kPhrase: return StoreField(command, request_.security.phrase, "phrase", &have_phrase_);
    case kTag: return StoreField(command, request_.security.tag, "tag", &have_tag_);
    case kPublic:
    case kPrivate:
    case kAuthorization:
    case kTemporaryAuthorization: return OnSecurityMode(command);
    case kPictureStart: return OnPictureStart(command);
    case kPictureRow: return OnPictureRow(command);
    default: return Fail(code, Status::UnknownCommand, "unknown command " + protocol::Hex(code));
  }
}

Bytes Session::OnLayout(const Bytes& command) {
  Abandon();  // a layout command always starts afresh
  if (command.size() != 1 + kLayoutBytes) {
    return Fail(kLayout, Status::MalformedParameters, "layout needs exactly 6 bytes");
  }
  symbol::Layout& layout = request_.layout;
  layout.rows = command[1];
  layout.cols = command[2];
  layout.reserved = command[3];
  layout.grid = command[4];
  layout.style = static_cast<symbol::Style>(command[5]);
  layout.thickness = command[6];
  request_.security.company = company_;
  phase_ = Phase::Collecting;
  return Reply(kLayout, Status::Ok);
}

// Text, tag and phrase: a build must be open, and the new value must fit the
// session's data cap in place of the old one.
Bytes Session::StoreField(const Bytes& command, std::string& field, const char* name, bool* stored) {
  const std::uint8_t code = command[0];
  if (phase_ != Phase::Collecting) return Fail(code, Status::OutOfOrder, std::string(name) + " outside a build");
  if (!FitsCap(field.size(), command.size() - 1)) {
    return Fail(code, Status::SessionDataCap, std::string(name) + " exceeds the session data cap");
  }
  if (!Afford(command.size())) {
    return Fail(code, Status::Busy, std::string(name) + " refused: the memory budget is spent");
  }
  field = Params(command);
  account_.Force(Footprint());
  if (stored) *stored = true;
  return Reply(code, Status::Ok);
}

Bytes Session::OnFilePiece(const Bytes& command) {
  const std::uint8_t code = command[0];
  auto& file = request_.content.file;
  if (phase_ != Phase::Collecting || (code == kNextPiece && !file)) {
    const char* why = code == kNextPiece ? "0x32 without a first piece" : "file outside a build";
    return Fail(code, Status::OutOfOrder, why);
  }
  const std::size_t size = command.size() - 1;
  if (size > kMaxFilePiece || (code == kNextPiece && size == 0)) {
    return Fail(code, Status::MalformedParameters, "file piece of " + std::to_string(size) + " bytes");
  }
  const std::size_t replaced = code == kFirstPiece && file ? file->size() : 0;
  if (!FitsCap(replaced, size)) {
    return Fail(code, Status::SessionDataCap, "file exceeds the session data cap");
  }
  if (code == kFirstPiece) file.emplace();
  // Growth is explicit (doubling up to the cap), so that the budget is asked
  // for what the file will really hold, old and new block together.
  const std::size_t needed = file->size() + size;
  if (needed > file->capacity()) {
    const std::size_t grown = std::max(needed, std::min(2 * file->capacity(), limits_.data_cap));
    if (!Afford(grown)) return Fail(code, Status::Busy, "file refused: the memory budget is spent");
    file->reserve(grown);
  }
  file->insert(file->end(), command.begin() + 1, command.end());
  account_.Force(Footprint());
  return Reply(code, Status::Ok);
}

// 0x51 public, 0x52 private; 0x53 (0x54 temporary) carry an authorization:
// no parameter = universal, a reader serial number = unique, anything else
// is the old phrase of a cascaded authorization.
Session::Step Session::OnSecurityMode(const Bytes& command) {
  const std::uint8_t code = command[0];
  if (phase_ == Phase::Idle) return Fail(code, Status::OutOfOrder, "security mode before a layout");
  if (phase_ == Phase::Built && command == built_command_) {  // nothing changed: the same symbol
    next_row_ = -1;
    picture_ended_ = false;
    return built_reply_;
  }
  const bool authorization = code == kAuthorization || code == kTemporaryAuthorization;
  if (!authorization && command.size() > 1) {
    return Fail(code, Status::MalformedParameters, "public and private take no parameter");
  }
  if (code != kPublic && !have_phrase_) return Fail(code, Status::OutOfOrder, "no secret phrase (0x41) sent");
  if (authorization && !have_tag_) return Fail(code, Status::OutOfOrder, "no identification tag (0x42) sent");
  // A symbol keyed to an empty phrase could never be read back.
  if (code != kPublic && request_.security.phrase.empty()) {
    return Fail(code, Status::EmptySecretPhrase, "empty secret phrase");
  }
  auto& security = request_.security;
  const std::string second = Params(command);
  if (!FitsCap(security.second.size(), second.size())) {
    return Fail(code, Status::SessionDataCap, "second phrase exceeds the session data cap");
  }
  if (!Afford(second.size())) return Fail(code, Status::Busy, "second phrase refused: the memory budget is spent");
  security.second = second;
  security.temporary = code == kTemporaryAuthorization;
  if (code == kPublic) security.mode = SecurityMode::Public;
  else if (code == kPrivate) security.mode = SecurityMode::Private;
  else if (second.empty()) security.mode = SecurityMode::Universal;
  else security.mode = LooksLikeSerialNumber(second) ? SecurityMode::Unique : SecurityMode::Cascaded;
  return Build(command);
}

// The encoder's copy of the inputs is drawn before it runs (its fixed working
// memory is counted once per build thread); the symbol it leaves must then
// fit the budget in the copy's place.
Session::Step Session::Build(const Bytes& command) {
  picture_.reset();  // at most one symbol held at a time
  next_row_ = -1;
  picture_ended_ = false;
  built_command_.clear();
  built_reply_.clear();
  account_.Force(Footprint());
  if (!Afford(HeldBytes())) {
    return Fail(command[0], Status::Busy, "build refused: the memory budget is spent");
  }
  building_ = command;
  phase_ = Phase::Building;
  return BuildJob{&builder_, &request_};
}

Bytes Session::Finish(BuildOutcome outcome) {
  const std::uint8_t code = building_.empty() ? protocol::kNoCommand : building_[0];
  if (phase_ != Phase::Building) return Reply(code, Status::OutOfOrder);
  phase_ = Phase::Collecting;
  if (auto* error = std::get_if<symbol::BuildError>(&outcome)) {
    return Fail(code, FromBuildError(*error), BuildErrorText(*error, request_.layout));
  }
  picture_ = std::move(std::get<std::unique_ptr<BuiltPicture>>(outcome));
  if (!account_.Resize(Footprint())) return Fail(code, Status::Busy, "symbol refused: the memory budget is spent");
  phase_ = Phase::Built;
  const symbol::Geometry g = picture_->geometry();
  built_command_ = std::move(building_);
  building_.clear();
  built_reply_ = {code, Code(Status::Ok), static_cast<std::uint8_t>(g.rows), static_cast<std::uint8_t>(g.cols),
                  static_cast<std::uint8_t>(g.k)};
  return built_reply_;
}

Bytes Session::OnPictureStart(const Bytes& command) {
  if (phase_ != Phase::Built) return Fail(kPictureStart, Status::OutOfOrder, "picture before a build");
  if (command.size() > 1) return Fail(kPictureStart, Status::MalformedParameters, "0x61 takes no parameter");
  next_row_ = 0;
  picture_ended_ = false;
  Bytes reply = Reply(kPictureStart, Status::Ok);
  const Bytes header = picture_->BmpHeader();
  reply.insert(reply.end(), header.begin(), header.end());
  return reply;
}

// Rows go out in file order (bottom image row first), one per reply, so a
// client that joins them in reverse gets a true mirror image.
Bytes Session::OnPictureRow(const Bytes& command) {
  if (phase_ != Phase::Built || next_row_ < 0) {
    return Fail(kPictureRow, Status::OutOfOrder, "picture row before 0x61");
  }
  if (command.size() > 1) return Fail(kPictureRow, Status::MalformedParameters, "0x62 takes no parameter");
  const int height = picture_->height();
  if (next_row_ >= height) {
    picture_ended_ = true;
    return protocol::EndOfPictureReply();
  }
  Bytes reply(2 + picture_->row_bytes(), 0);
  reply[0] = kPictureRow;
  picture_->RenderRow(height - 1 - next_row_, reply.data() + 2);
  ++next_row_;
  return reply;
}

bool Session::FitsCap(std::size_t old_size, std::size_t new_size) const {
  const std::size_t others = HeldBytes() - old_size;
  return new_size <= limits_.data_cap && others <= limits_.data_cap - new_size;
}

Bytes Session::Fail(std::uint8_t code, Status status, std::string why) {
  Abandon();
  last_error_ = std::move(why);
  return Reply(code, status);
}

void Session::Abandon() {
  phase_ = Phase::Idle;
  symbol::SymbolSpec dropped;  // swapped out, so that the held blocks are freed, not reused
  std::swap(request_, dropped);
  have_tag_ = false;
  have_phrase_ = false;
  picture_.reset();
  next_row_ = -1;
  picture_ended_ = false;
  building_.clear();
  built_command_.clear();
  built_reply_.clear();
  account_.Force(Footprint());
}

}  // namespace tessellux::codegen
