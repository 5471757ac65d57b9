#include "platform/files/EntryMetadata.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace nulvane {
namespace {

void FromStat(const struct stat& st, TEntryMetadata& metadata) noexcept {
    metadata.Inode = static_cast<std::uint64_t>(st.st_ino);
    metadata.Mode = static_cast<std::uint32_t>(st.st_mode & 07777);
    metadata.Owner = st.st_uid;
    metadata.Group = st.st_gid;
    metadata.AccessSeconds = st.st_atim.tv_sec;
    metadata.AccessNanoseconds = static_cast<std::uint32_t>(st.st_atim.tv_nsec);
    metadata.WriteSeconds = st.st_mtim.tv_sec;
    metadata.WriteNanoseconds = static_cast<std::uint32_t>(st.st_mtim.tv_nsec);
    metadata.Folder = S_ISDIR(st.st_mode);
    metadata.Attributes.clear();
}

bool NoAttributesHere(int error) noexcept { return error == ENOTSUP || error == EOPNOTSUPP; }

// Reads every attribute through `list(buffer, size)` and `get(name, buffer, size)` (listxattr and
// getxattr of one file): 0, E2BIG past the bound, or the error.
template <typename TList, typename TGet>
int ReadAttributes(TList list, TGet get, TEntryMetadata& metadata) noexcept {
    // Most files have no attribute at all: one call with room on the stack says so.
    char small[512];
    ssize_t size = list(small, sizeof small);
    if (size == 0) return 0;
    try {
        std::vector<char> names;
        const char* at = small;
        if (size < 0) {
            if (NoAttributesHere(errno)) return 0;
            if (errno != ERANGE) return errno;
            // Names that grow between the two calls are asked for again.
            for (int attempt = 0; size < 0; ++attempt) {
                if (attempt == 4) return errno == ERANGE ? E2BIG : errno;
                const ssize_t needed = list(nullptr, 0);
                if (needed < 0) return errno;
                if (static_cast<std::size_t>(needed) > MaxEntryAttributeBytes) return E2BIG;
                names.resize(static_cast<std::size_t>(needed) + 1);
                size = list(names.data(), names.size());
                if (size < 0 && errno != ERANGE) return errno;
            }
            at = names.data();
        }
        std::vector<char> value(4096);
        for (const char* end = at + size; at < end; at += std::strlen(at) + 1) {
            ssize_t got = get(at, value.data(), value.size());
            while (got < 0 && errno == ERANGE) {
                const ssize_t needed = get(at, nullptr, 0);
                if (needed < 0) break;
                if (static_cast<std::size_t>(needed) > MaxEntryAttributeBytes) return E2BIG;
                value.resize(static_cast<std::size_t>(needed) + 1);
                got = get(at, value.data(), value.size());
            }
            if (got < 0) {
                if (errno == ENODATA) continue;  // removed meanwhile
                return errno;
            }
            if (!metadata.AddAttribute(at, std::string_view(value.data(), static_cast<std::size_t>(got)))) return E2BIG;
        }
        return 0;
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

}  // namespace

bool TEntryMetadata::AddAttribute(std::string_view name, std::string_view value) {
    if (Attributes.size() + name.size() + 5 + value.size() > MaxEntryAttributeBytes) return false;
    Attributes.append(name);
    const auto size = static_cast<std::uint32_t>(value.size());
    const char length[] = {'\0', static_cast<char>(size & 0xff), static_cast<char>(size >> 8 & 0xff),
                           static_cast<char>(size >> 16 & 0xff), static_cast<char>(size >> 24)};
    Attributes.append(length, sizeof length);
    Attributes.append(value);
    return true;
}

int ReadEntryMetadata(int fd, const struct stat& st, TEntryMetadata& metadata) noexcept {
    FromStat(st, metadata);
    return ReadAttributes([fd](char* list, std::size_t size) { return ::flistxattr(fd, list, size); },
                          [fd](const char* name, void* value, std::size_t size) { return ::fgetxattr(fd, name, value, size); },
                          metadata);
}

int ReadEntryMetadataAt(int folderFd, const char* name, const struct stat& st, TEntryMetadata& metadata) noexcept {
    FromStat(st, metadata);
    // No call reads the attributes of a name relative to an open folder before Linux 6.13; the
    // folder's entry in /proc stands for it.
    char path[4096 + 64];
    if (std::snprintf(path, sizeof path, "/proc/self/fd/%d/%s", folderFd, name) >= static_cast<int>(sizeof path))
        return ENAMETOOLONG;
    return ReadAttributes([&path](char* list, std::size_t size) { return ::llistxattr(path, list, size); },
                          [&path](const char* attribute, void* value, std::size_t size) {
                              return ::lgetxattr(path, attribute, value, size);
                          },
                          metadata);
}

unsigned ApplyEntryMetadata(int fd, const TEntryMetadata& metadata) noexcept {
    unsigned lost = LostNothing;
    if (::fchown(fd, metadata.Owner, metadata.Group) != 0) {
        struct stat st;
        const bool groupSet = ::fchown(fd, static_cast<uid_t>(-1), metadata.Group) == 0;
        if (!groupSet || ::fstat(fd, &st) != 0 || st.st_uid != metadata.Owner) lost |= LostOwner;
    }
    metadata.ForEachAttribute([&](std::string_view name, std::string_view value) {
        const std::string text(name);
        if (::fsetxattr(fd, text.c_str(), value.data(), value.size(), 0) != 0) lost |= LostAttributes;
    });
    if (::fchmod(fd, metadata.Mode) != 0) lost |= LostMode;
    const struct timespec times[2] = {{static_cast<time_t>(metadata.AccessSeconds), static_cast<long>(metadata.AccessNanoseconds)},
                                      {static_cast<time_t>(metadata.WriteSeconds), static_cast<long>(metadata.WriteNanoseconds)}};
    if (::futimens(fd, times) != 0) lost |= LostTimes;
    return lost;
}

bool LooksAsRecorded(const struct stat& st, const TEntryMetadata& metadata) noexcept {
    const bool kind = metadata.Folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode) && st.st_size == 0;
    return kind && static_cast<std::uint32_t>(st.st_mode & 07777) == metadata.Mode &&
           st.st_mtim.tv_sec == metadata.WriteSeconds &&
           static_cast<std::uint32_t>(st.st_mtim.tv_nsec) == metadata.WriteNanoseconds;
}

}  // namespace nulvane
