#include "output/picture_assembly.h"

namespace tessellux::output {
namespace {

// The payload of a reply: everything after its first byte and status byte.
Bytes Payload(const Bytes& reply) {
  return reply.size() > 2 ? Bytes(reply.begin() + 2, reply.end()) : Bytes{};
}

}  // namespace

bool PictureAssembly::SetHeader(const Bytes& reply) {
  Bytes header = Payload(reply);
  size_ -= header_.size();
  if (!Fits(header.size())) {
    size_ += header_.size();
    return false;
  }
  size_ += header.size();
  header_ = std::move(header);
  return true;
}

bool PictureAssembly::AddPiece(const Bytes& reply, bool mirror) {
  Bytes piece = Payload(reply);
  if (!Fits(piece.size())) return false;
  size_ += piece.size();
  if (mirror) {
    body_.push_front(std::move(piece));
  } else {
    body_.push_back(std::move(piece));
  }
  return true;
}

Bytes PictureAssembly::Join() const {
  Bytes picture;
  picture.reserve(size_);
  picture.insert(picture.end(), header_.begin(), header_.end());
  for (const Bytes& piece : body_) picture.insert(picture.end(), piece.begin(), piece.end());
  return picture;
}

}  // namespace tessellux::output
