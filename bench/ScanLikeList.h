#pragma once
// A list of `count` entries that look like a scan's (paths of 60 to 80 bytes under /home/user,
// three date-times), the same for the same seed: what the export benchmarks write.
#include <cstdio>
#include <random>
#include <string>

#include "core/ResultList.h"

namespace nulvane::bench {

inline void FillScanLikeList(TResultList& list, std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    const auto word = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + random() % 26);
        return text;
    };
    const auto time = [&] {
        char text[40];
        std::snprintf(text, sizeof text, "%u/%u/20%02u %u:%02u:%02u PM", 1 + static_cast<unsigned>(random() % 12),
                      1 + static_cast<unsigned>(random() % 28), static_cast<unsigned>(10 + random() % 15),
                      1 + static_cast<unsigned>(random() % 12), static_cast<unsigned>(random() % 60),
                      static_cast<unsigned>(random() % 60));
        return std::string(text);
    };
    list.Reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = word(10 + random() % 20) + ".txt";
        TFileRecord::TTexts texts{};
        texts[fiFileName] = name;
        texts[fiFullPath] = "/home/user/" + word(8) + "/" + word(10) + "/" + name;
        texts[fiFileSize] = "0";
        texts[fiFileExt] = "txt";
        texts[fiFileType] = "file";
        texts[fiCreateTime] = time();
        texts[fiAccessTime] = time();
        texts[fiWriteTime] = time();
        list.Append().Record.Assign(texts);
    }
}

}  // namespace nulvane::bench
