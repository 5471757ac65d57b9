#include "app/ErrorHandler.h"

#include <cstdio>
#include <new>
#include <utility>

namespace nulvane {

namespace {

TApplicationErrorHandler& Handler() {
    static TApplicationErrorHandler handler;
    return handler;
}

void WriteErrorLine(std::exception_ptr error) {
    try {
        std::rethrow_exception(std::move(error));
    } catch (const std::bad_alloc&) {
        std::fputs("nulvane: command ended by an error: out of memory\n", stderr);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "nulvane: command ended by an error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "nulvane: command ended by an unknown error\n");
    }
}

}  // namespace

void SetApplicationErrorHandler(TApplicationErrorHandler handler) { Handler() = std::move(handler); }

void HandleApplicationError(std::exception_ptr error) noexcept {
    try {
        if (Handler())
            Handler()(std::move(error));
        else
            WriteErrorLine(std::move(error));
    } catch (...) {
    }
}

}  // namespace nulvane
