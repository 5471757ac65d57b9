#include "cli/StopSignals.h"

#include <csignal>
#include <cstdlib>

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include "platform/system/LongWork.h"

namespace nulvane {
namespace {

constexpr int StopSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t Caught = 0;
TLongWork* Work = nullptr;  // set before any handler is installed, never changed after

extern "C" void OnStopSignal(int number) {
    if (Caught == 0) Caught = number;
    Work->RequestStop();
}

}  // namespace

void InstallStopSignals(TLongWork& work) {
    Work = &work;
    for (const int number : StopSignals) {
        struct sigaction old{};
        if (::sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction action{};
        action.sa_handler = OnStopSignal;
        ::sigemptyset(&action.sa_mask);
        for (const int other : StopSignals) ::sigaddset(&action.sa_mask, other);
        // No SA_RESTART: a question waiting for its answer on the terminal gives up at once.
        action.sa_flags = 0;
        ::sigaction(number, &action, nullptr);
    }
}

void EndIfSignalled() {
    const int number = Caught;
    if (number == 0) return;
    struct sigaction action{};
    action.sa_handler = SIG_DFL;
    ::sigemptyset(&action.sa_mask);
    ::sigaction(number, &action, nullptr);
    sigset_t set;
    ::sigemptyset(&set);
    ::sigaddset(&set, number);
    ::pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(number);
    ::_exit(128 + number);  // only when the default action did not end the program
}

}  // namespace nulvane
