// The memory floor of a C++ program on this system: the C and C++ run-times, a vector of strings
// and a line on standard output, nothing of this project linked. scan_compare.py sets the peak of
// `nulvane-cli --version` beside it.
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> words(argv, argv + argc);
    std::printf("bare_floor %zu\n", words.size());
    return 0;
}
