#include "generate/build_run.h"

#include <algorithm>

#include "generate/input_checks.h"
#include "link/reply.h"
#include "protocol/codes.h"

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

BuildFailure PictureFailure(std::string detail, std::uint8_t command = kPictureRowCommand) {
  BuildFailure failure = Failure(Kind::kPicture, command, detail);
  failure.warning = {"Unusable Symbol Picture",
                     {"The symbol picture sent by the Code Generator cannot be used: " + detail +
                      ". The previous symbol picture was kept."}};
  return failure;
}

// The file the series uploads: the prepared picture, else the ZIP file, else none.
std::string UploadFileOf(const BuildRequest& request) {
  const app::DataChoiceEffects effects = app::EffectsOfDataChoice(request.data);
  if (effects.picture_tab_available) return request.picture_upload;
  if (effects.zip_tab_available) return request.zip_file;
  return {};
}

}  // namespace

std::uint64_t SeriesExchanges(const std::vector<SeriesStep>& series) {
  std::uint64_t count = 0;
  for (const SeriesStep& step : series) {
    count += step.IsUpload() ? link::FileUpload::ExchangesFor(step.upload_path) : 1;
  }
  return count;
}

BuildRun::BuildRun(BuildRequest request, Clock clock)
    : request_(std::move(request)), clock_(clock ? std::move(clock) : Clock(&std::chrono::steady_clock::now)) {}

std::chrono::milliseconds BuildRun::FetchAllowance(int rows) {
  // A row takes well under a millisecond on a local network; 10 ms each
  // leaves room for a slow, busy Code Generator without letting one that
  // trickles rows hold the window for hours.
  constexpr std::chrono::milliseconds kFloor{30'000};
  constexpr std::chrono::milliseconds kPerRow{10};
  return std::max(kFloor, kPerRow * std::max(rows, 0));
}
BuildRun::~BuildRun() = default;

std::optional<Bytes> BuildRun::Start() {
  if (phase_ != Phase::kIdle) return std::nullopt;
  if (const auto checked = CheckBeforeGeneration(request_); !checked) {
    BuildFailure check;
    check.tab = checked.error().tab;
    check.warning = checked.error().warning;
    return End(std::move(check));
  }
  if (app::EffectsOfDataChoice(request_.data).picture_tab_available && request_.prepare_picture) {
    if (auto problem = request_.prepare_picture()) {
      BuildFailure failure = Failure(Kind::kUpload, 0);
      failure.warning = std::move(*problem);
      return End(std::move(failure));
    }
  }
  series_ = CommandSeries(request_, UploadFileOf(request_));
  total_ = SeriesExchanges(series_);
  result_.times.started = clock_();
  phase_ = Phase::kSeries;
  return SendNextStep();
}

std::optional<Bytes> BuildRun::Next(link::ExchangeOutcome outcome) {
  if (Ended() || phase_ == Phase::kIdle) return std::nullopt;
  if (stop_requested_) return End(StoppedFailure());
  if (phase_ == Phase::kRows) return AfterRow(std::move(outcome));
  if (auto failure = Judge(outcome)) return End(std::move(failure));
  if (phase_ != Phase::kHeader) ++done_;
  switch (phase_) {
    case Phase::kUpload: return NextUploadPiece();
    case Phase::kSeries:
      if (next_step_ == series_.size()) return AfterSeries(outcome.reply);
      return SendNextStep();
    case Phase::kHeader: return AfterHeader(outcome.reply);
    default: return End();
  }
}

std::optional<Bytes> BuildRun::SendNextStep() {
  const SeriesStep& step = series_[next_step_++];
  if (!step.IsUpload()) return Send(step.command);
  upload_.emplace(step.upload_path);
  phase_ = Phase::kUpload;
  return NextUploadPiece();
}

std::optional<Bytes> BuildRun::NextUploadPiece() {
  if (auto piece = upload_->NextMessage()) return Send(std::move(*piece));
  if (upload_->Failed()) {
    BuildFailure failure = Failure(Kind::kUpload, link::FileUpload::kFirstPieceCode);
    failure.warning = upload_->Failure();
    return End(std::move(failure));
  }
  upload_.reset();
  phase_ = Phase::kSeries;
  return SendNextStep();  // the security mode command always follows an upload
}

std::optional<Bytes> BuildRun::AfterSeries(const Bytes& last_reply) {
  const auto geometry = ReadReplyGeometry(last_reply);
  if (!geometry) {
    BuildFailure failure = Failure(Kind::kGeometry, last_command_);
    failure.warning = geometry.error();
    return End(std::move(failure));
  }
  result_.times.replied = clock_();
  const SymbolLayout& layout = request_.layout;
  result_.geometry = *geometry;
  result_.usage = UsageCounts(*geometry);
  result_.pixel_size = SymbolPixelSize(*geometry, layout.grid, layout.thickness, layout.style);
  geometry_ = *geometry;
  phase_ = Phase::kHeader;
  return Send({kPictureHeaderCommand});
}

std::optional<Bytes> BuildRun::AfterHeader(const Bytes& reply) {
  picture_.emplace(request_.picture_limit);
  if (const app::Result<> header = picture_->SetHeader(reply); !header) {
    return End(PictureFailure(header.error(), kPictureHeaderCommand));
  }
  const SymbolLayout& layout = request_.layout;
  if (const auto fits = CheckPictureAgainstGeometry(picture_->Shape(), geometry_, layout.grid, layout.thickness);
      !fits) {
    return End(PictureFailure(fits.error(), kPictureHeaderCommand));
  }
  picture_->ReserveWhole();  // bounded by the geometry now: the rows never move
  fetch_deadline_ = clock_() + FetchAllowance(picture_->Shape().height);
  // The header's height says how many rows come; one more request must be
  // answered with the end of the picture.
  stage_ = BuildStage::kFetching;
  done_ = 0;
  total_ = static_cast<std::uint64_t>(picture_->Shape().height) + 1;
  phase_ = Phase::kRows;
  return Send({kPictureRowCommand});
}

std::optional<Bytes> BuildRun::AfterRow(link::ExchangeOutcome outcome) {
  const bool end = outcome.kind == link::ExchangeOutcome::Kind::kReply && protocol::IsEndOfPicture(outcome.reply);
  if (end && !picture_->Complete()) {
    return End(PictureFailure("it ended after " + std::to_string(picture_->RowsReceived()) + " of its " +
                              std::to_string(picture_->Shape().height) + " rows"));
  }
  if (end) {
    result_.times.fetched = clock_();
    done_ = total_;
    result_.picture_shape = picture_->Shape();
    result_.picture = std::move(*picture_).Join(request_.layout.mirror);
    picture_.reset();
    return End();
  }
  if (auto failure = Judge(outcome)) return End(std::move(failure));
  if (clock_() > fetch_deadline_) return End(ExpiredFailure());
  // Pieces may hold any part of the rows; each holds at least one byte, and
  // none may reach past the header's size, so the fetch is bounded by it.
  if (const app::Result<> piece = picture_->AddPiece(outcome.reply); !piece) return End(PictureFailure(piece.error()));
  done_ = static_cast<std::uint64_t>(picture_->RowsReceived());
  return Send({kPictureRowCommand});
}

std::optional<Bytes> BuildRun::Send(Bytes message) {
  last_command_ = message.empty() ? 0 : message.front();
  return message;
}

std::optional<Bytes> BuildRun::End(std::optional<BuildFailure> failure) {
  result_.failure = std::move(failure);
  phase_ = Phase::kEnded;
  upload_.reset();
  picture_.reset();
  return std::nullopt;
}

std::string BuildRun::RowsFetched() const {
  if (!picture_) return {};
  return std::to_string(picture_->RowsReceived()) + " of " + std::to_string(picture_->Shape().height) +
         " rows of the symbol picture";
}

BuildFailure BuildRun::StoppedFailure() const {
  const std::string rows = RowsFetched();
  BuildFailure failure = Failure(Kind::kStopped, last_command_,
                                 rows.empty() ? "while sending to the Code Generator" : "after " + rows);
  failure.warning = {"Build Stopped",
                     {"The build was stopped " + failure.detail + ". The previous symbol picture was kept."}};
  return failure;
}

BuildFailure BuildRun::ExpiredFailure() const {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(FetchAllowance(picture_->Shape().height));
  BuildFailure failure =
      Failure(Kind::kExpired, last_command_,
              RowsFetched() + " arrived in the " + std::to_string(seconds.count()) +
                  " s allowed for a picture of its size");
  failure.warning = {"Symbol Picture Too Slow",
                     {"Only " + failure.detail + ".",
                      "The fetch was stopped and the previous symbol picture was kept."}};
  return failure;
}

std::optional<BuildFailure> BuildRun::Judge(link::ExchangeOutcome& outcome) const {
  const std::uint8_t code = last_command_;
  switch (outcome.kind) {
    case link::ExchangeOutcome::Kind::kTimeout: return Failure(Kind::kTimeout, code, outcome.detail);
    case link::ExchangeOutcome::Kind::kLinkLost: return Failure(Kind::kLinkLost, code, outcome.detail);
    case link::ExchangeOutcome::Kind::kProtocolError: return Failure(Kind::kProtocolError, code, outcome.detail);
    case link::ExchangeOutcome::Kind::kReply: break;
  }
  const link::ReplyVerdict verdict = link::JudgeReply(outcome.reply, code);
  if (verdict.kind == link::ReplyVerdict::kSuccess) return std::nullopt;
  if (verdict.kind == link::ReplyVerdict::kSilentFailure) return Failure(Kind::kNoStatus, code);
  BuildFailure failure = Failure(Kind::kStatus, code);
  failure.status = outcome.reply[1];
  failure.warning = verdict.warning;
  return failure;
}

}  // namespace tessellux::generate
