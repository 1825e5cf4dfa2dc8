#include "generate/build_driver.h"

#include "link/file_upload.h"
#include "link/reply.h"
#include "output/symbol_size.h"
#include "protocol/codes.h"
#include "protocol/hex.h"

namespace tessellux::generate {
namespace {

using Kind = BuildFailure::Kind;

constexpr std::uint8_t kPictureHeaderCommand = protocol::Code(protocol::Command::PictureHeader);
constexpr std::uint8_t kPictureRowCommand = protocol::Code(protocol::Command::PictureRow);

BuildFailure Failure(Kind kind, std::uint8_t command, std::string detail = {}) {
  BuildFailure failure;
  failure.kind = kind;
  failure.command = command;
  failure.detail = std::move(detail);
  return failure;
}

BuildFailure PictureFailure(std::string detail) {
  BuildFailure failure = Failure(Kind::kPicture, kPictureRowCommand, detail);
  failure.warning = {"Unusable Symbol Picture",
                     "The symbol picture sent by the Code Generator cannot be used: " + detail +
                         ". The previous symbol picture was kept."};
  return failure;
}

// The paragraphs of a warning joined by a blank on one line.
std::string OneLine(std::string_view text) {
  const std::string_view paragraph_break = app::kParagraphBreak;
  std::string line;
  for (std::size_t at; (at = text.find(paragraph_break)) != std::string_view::npos;) {
    line.append(text.substr(0, at)).push_back(' ');
    text.remove_prefix(at + paragraph_break.size());
  }
  return line.append(text);
}

}  // namespace

std::string BuildFailure::Describe() const {
  const std::string name = "command " + protocol::CommandName(command);
  switch (kind) {
    case Kind::kCheck:
    case Kind::kUpload:
    case Kind::kGeometry:
      return warning.title + ": " + OneLine(warning.text);
    case Kind::kTimeout:
      return "no reply to " + name + " within " + std::to_string(link::kReplyTimeoutMs) +
             " ms; the Code Generator is busy, stopped or unreachable";
    case Kind::kLinkLost:
      return "the connection to the Code Generator was lost at " + name + (detail.empty() ? "" : ": " + detail);
    case Kind::kProtocolError:
      return "the Code Generator's reply to " + name + " broke the protocol: " + detail;
    case Kind::kStatus:
      return name + " failed with status " + protocol::Hex(status) + ": " + protocol::StatusMeaning(status);
    case Kind::kNoStatus:
      return name + " got a reply without a status byte";
    case Kind::kPicture:
      return "the symbol picture cannot be used: " + detail;
  }
  return "build failed";
}

std::uint64_t SeriesExchanges(const std::vector<SeriesStep>& series) {
  std::uint64_t count = 0;
  for (const SeriesStep& step : series) {
    count += step.IsUpload() ? link::FileUpload::ExchangesFor(step.upload_path) : 1;
  }
  return count;
}

BuildResult BuildDriver::Build(const BuildRequest& request) {
  BuildResult result;
  if (auto failure = CheckBeforeGeneration(request.checks)) {
    BuildFailure check;
    check.tab = failure->tab;
    check.warning = {failure->title, failure->text};
    result.failure = std::move(check);
    return result;
  }
  if (request.prepare_upload) {
    if (auto problem = request.prepare_upload()) {
      BuildFailure failure = Failure(Kind::kUpload, 0);
      failure.warning = std::move(*problem);
      result.failure = std::move(failure);
      return result;
    }
  }
  Bytes reply;
  if ((result.failure = SendSeries(request.choices, &reply))) return result;

  app::Warning problem;
  const auto geometry = ReadReplyGeometry(reply, &problem);
  if (!geometry) {
    BuildFailure failure = Failure(Kind::kGeometry, last_command_);
    failure.warning = problem;
    result.failure = std::move(failure);
    return result;
  }
  const GenerationChoices& c = request.choices;
  result.geometry = geometry;
  result.scroll = ScrollValuesOf(*geometry);
  result.usage = UsageStatistics(*geometry, request.group_separator);
  result.pixel_size = SymbolPixelSize(*geometry, c.grid_size, c.thickness, c.style);
  result.width_text = output::SymbolSizeText(result.pixel_size.width, request.dots_per_inch, request.decimal_point);
  result.height_text = output::SymbolSizeText(result.pixel_size.height, request.dots_per_inch, request.decimal_point);

  result.failure = Fetch(request, result);
  return result;
}

std::optional<BuildFailure> BuildDriver::SendSeries(const GenerationChoices& choices, Bytes* last_reply) {
  const std::vector<SeriesStep> series = CommandSeries(choices);
  done_ = 0;
  total_ = SeriesExchanges(series);
  for (const SeriesStep& step : series) {
    if (step.IsUpload()) {
      if (auto failure = Upload(step.upload_path)) return failure;
      continue;
    }
    if (auto failure = Exchange(step.command, last_reply)) return failure;
    Step(BuildStage::kSending);
  }
  return std::nullopt;
}

std::optional<BuildFailure> BuildDriver::Upload(const std::string& path) {
  link::FileUpload upload(path);
  Bytes reply;
  while (auto message = upload.NextMessage()) {
    if (auto failure = Exchange(*message, &reply)) return failure;
    Step(BuildStage::kSending);
  }
  if (!upload.Failed()) return std::nullopt;
  BuildFailure failure = Failure(Kind::kUpload, link::FileUpload::kFirstPieceCode);
  failure.warning = upload.Failure();
  return failure;
}

std::optional<BuildFailure> BuildDriver::Fetch(const BuildRequest& request, BuildResult& result) {
  Bytes reply;
  if (auto failure = Exchange({kPictureHeaderCommand}, &reply)) return failure;
  output::PictureAssembly picture(request.picture_limit);
  std::string problem;
  if (!picture.SetHeader(reply, &problem)) {
    BuildFailure failure = PictureFailure(problem);
    failure.command = kPictureHeaderCommand;
    return failure;
  }
  // The header says how many pixel bytes come, in pieces of at least one
  // byte; once they are all there, one more request must be answered with
  // the end of the picture. Progress counts whole rows.
  const auto height = static_cast<std::uint64_t>(picture.Shape().height);
  const std::uint64_t pixel_bytes = height * picture.Shape().row_bytes;
  done_ = 0;
  total_ = height + 1;
  for (std::uint64_t piece = 0; piece <= pixel_bytes; ++piece) {
    link::ExchangeOutcome outcome = exchange_.Exchange({kPictureRowCommand});
    const bool end = outcome.kind == link::ExchangeOutcome::Kind::kReply && link::IsEndOfSequence(outcome.reply);
    if (end && !picture.Complete()) {
      return PictureFailure("it ended after " + std::to_string(picture.RowsReceived()) + " of its " +
                            std::to_string(height) + " rows");
    }
    if (end) break;
    if (auto failure = Judge(kPictureRowCommand, std::move(outcome), &reply)) return failure;
    if (!picture.AddPiece(reply, &problem)) return PictureFailure(problem);
    while (done_ < static_cast<std::uint64_t>(picture.RowsReceived())) Step(BuildStage::kFetching);
  }
  Step(BuildStage::kFetching);
  result.picture_shape = picture.Shape();
  result.picture = std::move(picture).Join(request.mirror);
  return std::nullopt;
}

std::optional<BuildFailure> BuildDriver::Exchange(const Bytes& message, Bytes* reply) {
  last_command_ = message.empty() ? 0 : message.front();
  return Judge(last_command_, exchange_.Exchange(message), reply);
}

std::optional<BuildFailure> BuildDriver::Judge(std::uint8_t code, link::ExchangeOutcome outcome, Bytes* reply) {
  switch (outcome.kind) {
    case link::ExchangeOutcome::Kind::kTimeout:
      return Failure(Kind::kTimeout, code, outcome.detail);
    case link::ExchangeOutcome::Kind::kLinkLost:
      return Failure(Kind::kLinkLost, code, outcome.detail);
    case link::ExchangeOutcome::Kind::kProtocolError:
      return Failure(Kind::kProtocolError, code, outcome.detail);
    case link::ExchangeOutcome::Kind::kReply:
      break;
  }
  const link::ReplyVerdict verdict = link::JudgeReply(outcome.reply, code);
  if (verdict.kind == link::ReplyVerdict::kSuccess) {
    *reply = std::move(outcome.reply);
    return std::nullopt;
  }
  if (verdict.kind == link::ReplyVerdict::kSilentFailure) return Failure(Kind::kNoStatus, code);
  BuildFailure failure = Failure(Kind::kStatus, code);
  failure.status = outcome.reply[1];
  failure.warning = {verdict.title, verdict.text};
  return failure;
}

void BuildDriver::Step(BuildStage stage) {
  ++done_;
  if (progress_) progress_(stage, done_, total_);
}

}  // namespace tessellux::generate
