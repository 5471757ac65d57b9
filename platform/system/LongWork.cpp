#include "platform/system/LongWork.h"

namespace nulvane {
namespace {

TLongWork IdleWork;
std::atomic<TLongWork*> Installed{nullptr};

}  // namespace

TLongWork& CurrentWork() noexcept {
    TLongWork* work = Installed.load(std::memory_order_acquire);
    return work ? *work : IdleWork;
}

TLongWork* InstalledWork() noexcept { return Installed.load(std::memory_order_acquire); }

TLongWorkScope::TLongWorkScope(TLongWork& work) noexcept
    : Previous_(Installed.exchange(&work, std::memory_order_acq_rel)) {}

TLongWorkScope::~TLongWorkScope() { Installed.store(Previous_, std::memory_order_release); }

}  // namespace nulvane
