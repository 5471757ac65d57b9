#pragma once
// Sets an environment variable for the lifetime of the guard and puts the previous value back. A
// change of TZ takes effect at once.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace nulvane::test {

class TEnvironmentGuard {
public:
    TEnvironmentGuard(const char* name, const std::string& value) : Name_(name) {
        if (const char* old = std::getenv(name)) Old_ = old;
        ::setenv(name, value.c_str(), 1);
        ::tzset();
    }
    ~TEnvironmentGuard() {
        Old_ ? ::setenv(Name_, Old_->c_str(), 1) : ::unsetenv(Name_);
        ::tzset();
    }

private:
    const char* Name_;
    std::optional<std::string> Old_;
};

}  // namespace nulvane::test
