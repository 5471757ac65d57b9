// The extension of any path and the field a configured column name stands for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/FileReader.h"
#include "core/FileRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nulvane;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view ext = GetFileExtNoDot(input);
    // The extension is a view into the path's end, after a dot, and holds no separator.
    if (!ext.empty() && (ext.data() + ext.size() != input.data() + input.size() || ext.find('/') != ext.npos ||
                         ext.data()[-1] != '.'))
        std::abort();
    if (FieldIndexOf(input) >= FieldCount) std::abort();
    return 0;
}
