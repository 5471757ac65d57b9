#pragma once
// Sets TZ for the lifetime of the guard and puts the previous value back.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace nulvane::test {

class TTimeZoneGuard {
public:
    explicit TTimeZoneGuard(const char* zone) {
        if (const char* old = std::getenv("TZ")) Old_ = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TTimeZoneGuard() {
        Old_ ? ::setenv("TZ", Old_->c_str(), 1) : ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> Old_;
};

}  // namespace nulvane::test
