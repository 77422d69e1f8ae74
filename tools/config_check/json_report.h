// The check's findings as one JSON document, for pipelines.
#pragma once

#include "check_result.h"

#include <string>

namespace vg::config_check {

/// The report as JSON text:
///   {"tree", "ok", "list_error": failure or null, "notes": [text],
///    "games": [{"game", "listed", "ok", "errors": [failure], "notes": [text],
///               "modes": [{"mode", "ok", "errors": [failure],
///                          "warnings": [{"key", "text"}]}]}]}
/// where a failure is {"event", "code" ("0xA0030002"), "message" (a number), "description"}.
std::string JsonReport(const TreeResult& result);

} // namespace vg::config_check
