#pragma once

// The Security tab's choices as a reader's keys: the secret phrase opens a
// private symbol; the second field is the reader's serial number for a
// unique authorization or the old phrase for a cascaded one (sent in the
// single-byte code page, so read that way).

#include "generate/build_request.h"
#include "symbol/types.h"

namespace tessellux::verify {

symbol::ReaderKeys KeysFor(const generate::SecurityChoice& security);

}  // namespace tessellux::verify
