#pragma once

// The build's messages as the command line tells them: the checks speak of
// the window's tabs and fields; here they name the option or the next step.

#include <string>

namespace tessellux::cli {

// `message` with the window's directions replaced by the options to give,
// and a hint added where one helps (a refused connection, a bitmap limit).
std::string ForCommandLine(std::string message);

// A failed connection to `host`:`port` with the question that comes next.
std::string ConnectionHint(const std::string& error, const std::string& host, int port);

}  // namespace tessellux::cli
