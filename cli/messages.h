// What quillon-send tells its user: the help text here; the failure messages and the port list
// line are shared with the window (ports/messages.h).
#pragma once

#include <string>

#include "ports/messages.h"

namespace quillon::cli {

using ports::describe_source;
using ports::describe_target;
using ports::is_network_target;
using ports::open_failure_message;
using ports::port_list_line;
using ports::setting_failure_message;
using ports::target;
using ports::write_failure_message;

std::string help_text();

}  // namespace quillon::cli
