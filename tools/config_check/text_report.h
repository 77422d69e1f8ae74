// The check's findings as text for a person: one block per game, one line per mode.
#pragma once

#include "check_result.h"

#include <ostream>

namespace vg::config_check {

/// Writes the report in UTF-8: the tree, the list's failure or each game with its failures,
/// notes and modes, and a closing summary line.
void WriteTextReport(const TreeResult& result, std::ostream& out);

} // namespace vg::config_check
