#include "link/file_upload.h"

#include <filesystem>
#include <system_error>

namespace tessellux::link {

FileUpload::FileUpload(std::string path) : path_(std::move(path)) {
  // A folder opens as a stream on Linux, so insist on a regular file.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path_, ec)) {
    failed_ = true;
    return;
  }
  file_.open(path_, std::ios::binary);
  file_.seekg(0, std::ios::end);
  const std::streamoff length = file_.tellg();
  file_.seekg(0, std::ios::beg);
  if (!file_ || length < 0) {
    failed_ = true;
    return;
  }
  bytes_left_ = static_cast<std::uint64_t>(length);
}

std::uint64_t FileUpload::ExchangesFor(const std::string& path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  return ec || size == 0 ? 1 : (size + kPieceSize - 1) / kPieceSize;
}

std::optional<Bytes> FileUpload::NextMessage() {
  if (failed_ || (!first_ && bytes_left_ == 0)) return std::nullopt;
  const std::size_t size = bytes_left_ < kPieceSize ? static_cast<std::size_t>(bytes_left_) : kPieceSize;
  Bytes message(1 + size);
  message[0] = first_ ? kFirstPieceCode : kLaterPieceCode;
  if (size > 0 && !file_.read(reinterpret_cast<char*>(message.data() + 1),
                              static_cast<std::streamsize>(size))) {
    return Fail();  // the file shrank or the disk failed
  }
  first_ = false;
  bytes_left_ -= size;
  if (bytes_left_ == 0) file_.close();
  return message;
}

std::optional<Bytes> FileUpload::Fail() {
  failed_ = true;
  file_.close();
  return std::nullopt;
}

app::Warning FileUpload::Failure() const {
  return {"File Not Sent", {"The file " + path_ + " could not be read, so it was not sent to the Code Generator."}};
}

}  // namespace tessellux::link
