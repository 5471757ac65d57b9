// nulvane-cli --undo and --undo-list: what a final deletion took comes back as it was, only where its
// name is free; an undo killed at any step leaves nothing half made; a record it did not write is
// never obeyed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/files/FileContent.h"
#include "support/CliRun.h"
#include "support/Environment.h"
#include "support/TempDir.h"

using namespace nulvane;
namespace fs = std::filesystem;

namespace {

// What an undo gives back of an entry: its kind, mode, owner, group, times (the access time of a
// folder aside: reading it moves it) and extended attributes.
struct TLook {
    mode_t Mode = 0;
    uid_t Owner = 0;
    gid_t Group = 0;
    long long Access = 0, Write = 0;  // nanoseconds
    std::map<std::string, std::string> Attributes;
    friend bool operator==(const TLook&, const TLook&) = default;
};

TLook LookOf(const std::string& path) {
    struct stat st{};
    ::lstat(path.c_str(), &st);
    const auto ns = [](const timespec& t) { return t.tv_sec * 1'000'000'000LL + t.tv_nsec; };
    TLook look{st.st_mode, st.st_uid, st.st_gid, S_ISDIR(st.st_mode) ? 0 : ns(st.st_atim), ns(st.st_mtim), {}};
    char names[4096], value[4096];
    const ssize_t size = ::llistxattr(path.c_str(), names, sizeof names);
    for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        const ssize_t got = ::lgetxattr(path.c_str(), names + at, value, sizeof value);
        look.Attributes[names + at] = std::string(value, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    return look;
}

// An access ACL that lets "nobody" read, in the form the kernel keeps it.
std::string AclForNobody() {
    std::string acl("\x02\0\0\0", 4);
    for (const auto& [tag, perm, id] : {std::tuple{1, 6, ~0u}, {2, 4, 65534u}, {4, 4, ~0u}, {0x10, 4, ~0u}, {0x20, 0, ~0u}}) {
        const unsigned char entry[8] = {static_cast<unsigned char>(tag), 0, static_cast<unsigned char>(perm), 0,
                                        static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8),
                                        static_cast<unsigned char>(id >> 16), static_cast<unsigned char>(id >> 24)};
        acl.append(reinterpret_cast<const char*>(entry), sizeof entry);
    }
    return acl;
}

void SetTimes(const std::string& path, long seconds, long nanoseconds) {
    const timespec times[2] = {{seconds - 3600, nanoseconds / 3}, {seconds, nanoseconds}};
    ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

std::size_t PrivateNamesUnder(const std::string& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        count += entry.path().filename().string().starts_with(".nulvane-");
    return count;
}

}  // namespace

// Files and nested empty folders deleted with --delete --yes come back with --undo under their
// names, with their mode, owner and group (as root), times to the nanosecond and extended
// attributes (a user attribute and an ACL, where the file system keeps them); --undo-list shows the
// deletion until then, and a deletion whose every entry is back is no longer kept.
TEST(CliUndo, WhatADeletionTookComesBackAsItWas) {
    const test::TTempDir dir;
    const test::TEnvironmentGuard state("XDG_STATE_HOME", dir.Str() + "/state");
    const std::string tree = dir.MakeDir("t");
    for (const char* file : {"t/a", "t/b c", "t/own"}) dir.Write(file);
    dir.MakeDir("t/sub/x/y");
    dir.Write("t/sub/x/y/inner");  // taken with its folder, and back before its times are
    ::chmod((tree + "/a").c_str(), 04750);
    ::chmod((tree + "/sub/x").c_str(), 0710);
    const bool attributes = ::setxattr((tree + "/b c").c_str(), "user.note", "hello", 5, 0) == 0;
    if (attributes) {
        const std::string acl = AclForNobody();
        EXPECT_EQ(::setxattr((tree + "/a").c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0), 0);
        EXPECT_EQ(::setxattr((tree + "/sub/x").c_str(), "user.folder", "", 0, 0), 0);
    }
    if (::geteuid() == 0) {
        EXPECT_EQ(::chown((tree + "/own").c_str(), 65534, 65534), 0);
    }
    const std::vector<std::string> entries{"a", "b c", "own", "sub/x/y/inner", "sub", "sub/x", "sub/x/y"};
    long when = 1'600'000'000;
    for (const std::string& entry : entries) SetTimes(tree + "/" + entry, when += 1000, 123'456'789);
    std::map<std::string, TLook> before;
    for (const std::string& entry : entries) before[entry] = LookOf(tree + "/" + entry);

    const test::TRun deleted = test::RunCli({"-t", "f", "-t", "d", "--delete", "--yes", tree});
    EXPECT_EQ(deleted.Err, "nulvane-cli: deleted 4 files and 1 folder (undo: nulvane-cli --undo)\n");
    ASSERT_TRUE(fs::is_empty(tree));
    const test::TRun listed = test::RunCli({"--undo-list"});
    EXPECT_EQ(listed.Status, 0);
    ASSERT_EQ(listed.Out.find('\n'), listed.Out.size() - 1) << listed.Out;
    EXPECT_NE(listed.Out.find("  4 files and 1 folder  " + tree + " ("), std::string::npos) << listed.Out;
    const std::string id = listed.Out.substr(0, 16);

    const test::TRun undone = test::RunCli({"--undo", id});
    EXPECT_EQ(undone.Status, 0);
    EXPECT_EQ(undone.Err, "nulvane-cli: put back 4 files and 1 folder (deletion " + id +
                              ")\nnulvane-cli: not restored: birth and change times, inode numbers; names of one file "
                              "come back as separate files\n");
    for (const std::string& entry : entries) {
        TLook after = LookOf(tree + "/" + entry);
        // Its file went first: its write time is the one it had once the file was gone.
        if (entry == "sub/x/y") after.Write = before[entry].Write;
        EXPECT_EQ(after, before[entry]) << entry;
    }
    EXPECT_EQ(before["b c"].Attributes.size(), attributes ? 1u : 0u);
    EXPECT_EQ(test::RunCli({"--undo-list"}), (test::TRun{0, "", ""}));
    EXPECT_EQ(test::RunCli({"--undo"}), (test::TRun{1, "", "nulvane-cli: no deletion to undo\n"}));
    EXPECT_EQ(test::RunCli({"--undo", "--sort", "name"}).Status, 2);
}

// An undo never replaces anything: a name taken since the deletion is left alone and named, and a
// later undo, once the name is free, makes the rest. Killed at any step, an undo leaves nothing half
// made (no entry without its attributes, nothing under a private name once the next run is
// through), and the next undo finishes it.
TEST(CliUndo, AnUndoNeverReplacesAndAKilledOneIsFinishedByTheNext) {
    const std::pair<const char*, bool> faults[] = {
        // The fault, and whether the next run takes away what the undo was making.
        {"", false},                         // no fault: the name of f1 taken meanwhile
        {"kill-after:linkat:1", false},      // a file made and named
        {"kill-after:mkdirat:1", true},      // the folder made under a private name
        {"kill-after:mkdirat:2", true},      // ... and a folder inside it
        {"kill-before:renameat2:1", true},   // ... about to be named
    };
    for (const auto& [fault, unmade] : faults) {
        SCOPED_TRACE(fault);
        const test::TTempDir dir;
        const test::TEnvironmentGuard state("XDG_STATE_HOME", dir.Str() + "/state");
        const std::string tree = dir.MakeDir("t");
        dir.Write("t/f1");
        dir.Write("t/f2");
        dir.MakeDir("t/d/e");
        ::chmod((tree + "/d").c_str(), 0700);
        ASSERT_EQ(test::RunCli({"-t", "f", "-t", "d", "--delete", "--yes", tree}).Status, 0);
        ASSERT_TRUE(fs::is_empty(tree));
        if (!*fault) {
            dir.Write("t/f1", "the user's own f1");
            const test::TRun taken = test::RunCli({"--undo"});
            EXPECT_EQ(taken.Status, 1);
            EXPECT_NE(taken.Err.find("nulvane-cli: not put back " + tree + "/f1: its name is taken\n"), std::string::npos)
                << taken.Err;
            EXPECT_EQ(ReadFileContent(tree + "/f1"), "the user's own f1");
            fs::remove(tree + "/f1");
        } else {
            const test::TRun killed = test::RunCli({"--undo"}, {.Fault = fault});
            ASSERT_EQ(killed.Signal, SIGKILL) << "the fault point was never reached: " << killed;
            const test::TRun next = test::RunCli({tree});
            EXPECT_EQ(next.Status, 0) << next.Err;
            EXPECT_EQ(next.Err.find(tree + "/d, half made by an interrupted undo") != std::string::npos, unmade) << next.Err;
            EXPECT_EQ(PrivateNamesUnder(tree), 0u);
            if (fs::exists(tree + "/d")) {
                EXPECT_EQ(fs::status(tree + "/d").permissions(), fs::perms::owner_all);
            }
        }
        const test::TRun finished = test::RunCli({"--undo"});
        EXPECT_EQ(finished.Status, 0) << finished.Err;
        EXPECT_TRUE(fs::is_regular_file(tree + "/f1") && fs::is_regular_file(tree + "/f2")) << finished.Err;
        EXPECT_TRUE(fs::is_directory(tree + "/d/e"));
        EXPECT_EQ(fs::status(tree + "/d").permissions(), fs::perms::owner_all);
        EXPECT_EQ(PrivateNamesUnder(tree), 0u);
    }
}

// A record the undo did not write is never obeyed: in a state folder others may write, or a part
// of another user, it is named and nothing is made; a damaged one is set aside whole and named.
TEST(CliUndo, ARecordItDidNotWriteIsRefused) {
    const test::TTempDir dir;
    const test::TEnvironmentGuard state("XDG_STATE_HOME", dir.Str() + "/state");
    const std::string tree = dir.MakeDir("t"), records = dir.Str() + "/state/nulvane";
    dir.Write("t/f");
    ASSERT_EQ(test::RunCli({"--delete", "--yes", tree}).Status, 0);
    std::vector<std::string> parts;
    for (const auto& entry : fs::directory_iterator(records)) parts.push_back(entry.path().string());
    ASSERT_FALSE(parts.empty());

    ::chmod(records.c_str(), 0777);
    test::TRun run = test::RunCli({"--undo"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("undo record not used: " + records + " may be written by others"), std::string::npos) << run.Err;
    ::chmod(records.c_str(), 0700);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(parts[0].c_str(), 65534, 65534), 0);
        run = test::RunCli({"--undo"});
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find("not used: " + parts[0] + " is owned by uid 65534"), std::string::npos) << run.Err;
        ASSERT_EQ(::chown(parts[0].c_str(), 0, 0), 0);
    }
    EXPECT_FALSE(fs::exists(tree + "/f"));

    const int fd = ::open(parts[0].c_str(), O_WRONLY | O_APPEND);
    ASSERT_EQ(::write(fd, "M 1 ../../etc/passwd\n", 21), 21);
    ::close(fd);
    run = test::RunCli({"--undo"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("nulvane-cli: damaged undo record set aside as " + parts[0] + ".damaged: line "),
              std::string::npos)
        << run.Err;
    EXPECT_FALSE(fs::exists(tree + "/f"));
    EXPECT_EQ(test::RunCli({"--undo-list"}), (test::TRun{0, "", ""}));
}
