// Finds and loads the export formats module (see FormatsModule.h).
#include "cli/FormatsModule.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#if NULVANE_FORMATS_MODULE
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/Translation.h"
#endif

namespace nulvane {

#if NULVANE_FORMATS_MODULE

namespace {

constexpr char ModuleFileName[] = "nulvane-formats.so";

// Opens the module at `path` for loading: a descriptor, or -1 when there is no file there. A file
// that someone else than root or the program's own owner could have put or changed there is
// refused: the place is found relative to the program, and a copy of the program in a folder
// below a shared one (/tmp/x/nulvane-cli looks in /tmp/lib/nulvane/) must not run another user's
// code.
int OpenModule(const std::string& path, uid_t programOwner) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return -1;
        throw EFormatsModuleError(Format(_("cannot export: the export formats module cannot be read (%s: %s)"),
                                         path.c_str(), std::strerror(errno)));
    }
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || (st.st_uid != 0 && st.st_uid != programOwner) ||
        (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        ::close(fd);
        throw EFormatsModuleError(Format(_("cannot export: %s is not trusted (not a file of root or of the program's "
                                           "owner, or writable by others)"),
                                         path.c_str()));
    }
    return fd;
}

const TFormatsModule& Load() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    struct stat program;
    if (error || ::stat(self.c_str(), &program) != 0)
        throw EFormatsModuleError(_("cannot export: the program cannot find its own file (/proc/self/exe)"));
    // Absolute paths only: the module is never looked for along a search path, so the current
    // folder or LD_LIBRARY_PATH cannot put another file in its place.
    const std::string installed = (self.parent_path() / NULVANE_FORMATS_RELDIR / ModuleFileName).lexically_normal();
    const std::string beside = self.parent_path() / ModuleFileName;
    std::string path = installed;
    int fd = OpenModule(path, program.st_uid);
    if (fd < 0) fd = OpenModule(path = beside, program.st_uid);
    if (fd < 0)
        throw EFormatsModuleError(Format(_("cannot export: the export formats are not installed (neither %s nor %s "
                                           "exists)"),
                                         installed.c_str(), beside.c_str()));
    // Loaded through the descriptor just checked, so that the file cannot be swapped in between.
    // Neither is ever closed: the exports may leave the module's code on a thread's stack until
    // the program ends, and the descriptor names the module's file in any report of its frames.
    const std::string byDescriptor = "/proc/self/fd/" + std::to_string(fd);
    void* handle = ::dlopen(byDescriptor.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = ::dlerror();
        ::close(fd);
        throw EFormatsModuleError(Format(_("cannot export: the export formats module cannot be loaded (%s: %s)"),
                                         path.c_str(), reason ? reason : _("unknown error")));
    }
    using TEntry = const TFormatsModule* (*)();
    const auto entry = reinterpret_cast<TEntry>(::dlsym(handle, "NulvaneFormatsModule"));
    if (!entry)
        throw EFormatsModuleError(Format(_("cannot export: %s is not the export formats module"), path.c_str()));
    const TFormatsModule* table = entry();
    if (!table || !table->Identity || std::strcmp(table->Identity, FormatsModuleIdentity) != 0)
        throw EFormatsModuleError(Format(_("cannot export: %s belongs to another build (\"%s\", this program is \"%s\")"),
                                         path.c_str(), table && table->Identity ? table->Identity : "",
                                         FormatsModuleIdentity));
    return *table;
}

}  // namespace

const TFormatsModule& LoadFormatsModule() {
    static const TFormatsModule& table = Load();
    return table;
}

#else

const TFormatsModule& LoadFormatsModule() { return *NulvaneFormatsModule(); }

#endif

}  // namespace nulvane
