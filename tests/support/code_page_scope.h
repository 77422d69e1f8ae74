// Runs a test under one ANSI code page and restores the thread's default afterwards.
#pragma once

#include "platform/code_page.h"

#include <stdexcept>

namespace vg::test {

class ScopedThreadAnsiCodePage {
public:
    explicit ScopedThreadAnsiCodePage(unsigned codePage) {
        if (!platform::SetThreadAnsiCodePage(codePage)) {
            throw std::runtime_error("code page not available");
        }
    }
    ScopedThreadAnsiCodePage(const ScopedThreadAnsiCodePage&) = delete;
    ScopedThreadAnsiCodePage& operator=(const ScopedThreadAnsiCodePage&) = delete;
    ~ScopedThreadAnsiCodePage() { platform::SetThreadAnsiCodePage(0); }
};

} // namespace vg::test
