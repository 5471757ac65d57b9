// Every test program keeps its state (the deletion journals) in a folder of its own, given to it
// and to every program it starts as XDG_STATE_HOME and removed when it ends: no test reads or
// writes the state of whoever runs the tests.
#include <cstdlib>

#include "support/TempDir.h"

namespace {

struct TStateHome {
    nulvane::test::TTempDir Folder;
    TStateHome() { ::setenv("XDG_STATE_HOME", Folder.Str().c_str(), 1); }
} StateHome;

}  // namespace
