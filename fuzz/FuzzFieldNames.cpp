// The extension of any path and the field a configured column name stands for.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/Scan.h"
#include "core/FileRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace nulvane;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view ext = GetFileExtNoDot(input);
    // The extension is a view into the path's end, after a dot, and holds no separator.
    if (!ext.empty() && (ext.data() + ext.size() != input.data() + input.size() || ext.find('/') != ext.npos ||
                         ext.data()[-1] != '.'))
        std::abort();
    // The field named by the input without its surrounding blanks, exactly; 0 ("File Name") only
    // when no field has that name.
    const std::uint8_t index = FieldIndexOf(input);
    const std::string_view trimmed = TrimText(input);
    if (index >= FieldCount) std::abort();
    if (FieldNames[index] != trimmed) {
        if (index != 0) std::abort();
        for (const std::string_view name : FieldNames)
            if (name == trimmed) std::abort();
    }
    return 0;
}
