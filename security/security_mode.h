#pragma once

#include "protocol/security_mode.h"

namespace tessellux::security {

using protocol::IsAuthorization;
using protocol::SecurityMode;

}  // namespace tessellux::security
