#pragma once
// Runs nulvane-cli (or a copy of it) in a child process and captures its exit status, standard
// output and standard error. Standard input is /dev/null: no terminal to answer questions on.
// A run may preload the fault injector (tests/shim/FaultShim.cpp) to stop or kill the program at
// a chosen call. A program that has not ended after a minute is taken for hung: the run kills it
// and fails the test, saying so.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <ostream>
#include <thread>
#include <string>
#include <utility>
#include <vector>

#include "platform/files/FileContent.h"
#include "support/TempDir.h"

namespace nulvane::test {

using TArgs = std::vector<std::string>;

// Copies nulvane-cli to `program` with the export formats module it loads from beside itself
// (when the build makes one), so that the copy exports as the built program does.
inline void CopyCli(const std::string& program) {
    std::filesystem::copy_file(NULVANE_CLI_PATH, program);
    const std::filesystem::path module = std::filesystem::path(NULVANE_CLI_PATH).parent_path() / "nulvane-formats.so";
    if (std::filesystem::exists(module))
        std::filesystem::copy_file(module, std::filesystem::path(program).parent_path() / module.filename());
}

struct TRun {
    int Status = -1;  // -1 when a signal ended the program
    std::string Out, Err;
    int Signal = 0;  // the signal that ended it
    friend bool operator==(const TRun&, const TRun&) = default;
    friend std::ostream& operator<<(std::ostream& out, const TRun& run) {
        return out << "exit " << run.Status << ", out \"" << run.Out << "\", err \"" << run.Err << '"';
    }
};

struct TCliRun {
    std::string WorkDir = "/";
    std::string Program = NULVANE_CLI_PATH;
    // Run as the unprivileged user "nobody".
    bool AsNobody = false;
    // Room for only this many more open files than the child inherits; negative for no limit.
    int Room = -1;
    // Bytes any one file may grow to (writes beyond fail with EFBIG); negative for no limit.
    long long FileSizeLimit = -1;
    // Bytes of address space the program may use (as `ulimit -v`); negative for no limit.
    long long AddressSpaceLimit = -1;
    // The user's configuration folder (XDG_CONFIG_HOME), where the keep rules are read; empty for
    // one that holds nothing, never the configuration of whoever runs the tests.
    std::string ConfigHome = {};
    // LANGUAGE, the language of the program's messages: English unless a test asks for another,
    // whatever the language of whoever runs the tests.
    std::string Language = "en";
    // NULVANE_FAULT for the preloaded fault injector ("stop-after:open:1:.part"); empty for none.
    std::string Fault = {};
    // Called with the program's process id each time it stops at a "stop-after" fault; the program
    // is continued once it returns.
    std::function<void(pid_t)> WhenStopped = {};
    // Run in the child just before the program starts (to enter namespaces of its own, say): 0 to
    // go on, else the exit status the child ends with instead.
    std::function<int()> BeforeExec = {};
};

// Waits for the child to end, running `whenStopped` each time it stops. Fails the test, and kills
// the child, when it has neither ended nor stopped within a minute of the last event.
inline int WaitForProgram(pid_t pid, const std::function<void(pid_t)>& whenStopped) {
    using namespace std::chrono;
    auto deadline = steady_clock::now() + minutes(1);
    for (int status = 0;;) {
        const pid_t got = ::waitpid(pid, &status, WNOHANG | (whenStopped ? WUNTRACED : 0));
        if (got == pid && WIFSTOPPED(status)) {
            whenStopped(pid);
            ::kill(pid, SIGCONT);
            deadline = steady_clock::now() + minutes(1);
        } else if (got == pid || got < 0) {
            return status;
        } else if (steady_clock::now() > deadline) {
            ADD_FAILURE() << "nulvane-cli neither ended nor reached its fault point within a minute; killed";
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            return status;
        } else {
            std::this_thread::sleep_for(milliseconds(2));
        }
    }
}
inline TRun RunCli(const TArgs& args, const TCliRun& how = {}) {
    const TTempDir capture;
    const std::string outPath = capture.Str() + "/out", errPath = capture.Str() + "/err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (const auto& [path, target] : {std::pair{&outPath, 1}, {&errPath, 2}}) {
            const int fd = ::open(path->c_str(), O_WRONLY | O_CREAT, 0600);
            ::dup2(fd, target);
            ::close(fd);
        }
        const int input = ::open("/dev/null", O_RDONLY);
        ::dup2(input, 0);
        ::close(input);
        const int firstFree = ::dup(0);  // descriptors inherited from the test runner stay below it
        ::close(firstFree);
        rlimit limit;
        if (how.Room >= 0 && ::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
            // Both limits, as the shell's `ulimit -n` sets them: the program may raise a soft one.
            limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(firstFree + how.Room);
            if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(124);
        }
        if (how.FileSizeLimit >= 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(how.FileSizeLimit);
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(124);
        }
        if (how.AddressSpaceLimit >= 0) {
            limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(how.AddressSpaceLimit);
            if (::setrlimit(RLIMIT_AS, &limit) != 0) ::_exit(124);
        }
        if (::chdir(how.WorkDir.c_str()) != 0) ::_exit(125);
        ::setenv("XDG_CONFIG_HOME", (how.ConfigHome.empty() ? capture.Str() + "/config" : how.ConfigHome).c_str(), 1);
        ::setenv("LANGUAGE", how.Language.c_str(), 1);
        if (!how.Fault.empty()) {
            ::setenv("LD_PRELOAD", NULVANE_FAULT_SHIM, 1);
            ::setenv("NULVANE_FAULT", how.Fault.c_str(), 1);
            // A sanitizer build's run-time would refuse to come after the preloaded library.
            const char* asan = std::getenv("ASAN_OPTIONS");
            ::setenv("ASAN_OPTIONS", ((asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0").c_str(), 1);
        }
        if (how.BeforeExec)
            if (const int status = how.BeforeExec(); status != 0) ::_exit(status);
        if (how.AsNobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(126);
        std::vector<char*> argv{const_cast<char*>(how.Program.c_str())};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        ::execv(how.Program.c_str(), argv.data());
        ::_exit(127);
    }
    const int status = WaitForProgram(pid, how.WhenStopped);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileContent(outPath), ReadFileContent(errPath),
            WIFSIGNALED(status) ? WTERMSIG(status) : 0};
}

}  // namespace nulvane::test
