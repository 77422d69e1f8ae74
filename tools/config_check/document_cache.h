// Each document of a tree fetched once per check, so that every game and mode is judged on the
// same text and a host is asked once per document.
#pragma once

#include "config/config_loader.h"

namespace vg::config_check {

/// A fetcher that asks `fetch` for each path once and repeats its answer (result and text)
/// after that.
config::DocumentFetcher CachedFetcher(config::DocumentFetcher fetch);

} // namespace vg::config_check
