// Writes the default column configuration, byte for byte what a first start writes, to the file
// named as its argument: the system-wide copy that the package installs.
#include <cstdio>
#include <fstream>

#include "config/Config.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE\n", argv[0]);
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(nulvane::DefaultConfigText.data(), static_cast<std::streamsize>(nulvane::DefaultConfigText.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
