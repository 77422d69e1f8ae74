// An environment variable set for one scope, its old value put back afterwards.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace vg::test {

/// Sets an environment variable for one scope and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        Set(value);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() { Set(old_ ? old_->c_str() : nullptr); }

private:
    void Set(const char* value) {
#ifdef _WIN32
        // The C runtime passes the change on to the Windows environment; "" removes the variable.
        ::_putenv_s(name_.c_str(), value ? value : "");
#else
        if (value) {
            ::setenv(name_.c_str(), value, 1);
        } else {
            ::unsetenv(name_.c_str());
        }
#endif
    }

    std::string name_;
    std::optional<std::string> old_;
};

} // namespace vg::test
