// An export formats module of another build, for the tests of how nulvane-cli refuses one: its
// table names another identity, and every call in it is missing.
extern "C" const void* NulvaneFormatsModule() {
    static const void* const table[4] = {"nulvane-formats 0.0 table 0", nullptr, nullptr, nullptr};
    return table;
}
