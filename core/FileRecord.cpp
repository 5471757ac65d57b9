#include "core/FileRecord.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/system/Errors.h"

namespace nulvane {

std::string_view TrimText(std::string_view text) noexcept {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= 0x20) --e;
    return text.substr(b, e - b);
}

std::uint8_t FieldIndexOf(std::string_view name) noexcept {
    const std::string_view wanted = TrimText(name);
    std::uint8_t result = 0;
    for (int i = 0; i < FieldCount; ++i)
        if (TrimText(FieldNames[i]) == wanted) result = static_cast<std::uint8_t>(i);
    return result;
}

std::string FieldXmlName(int index) {
    if (index < 0 || index >= FieldCount) throw EListError("field index out of range: " + std::to_string(index));
    std::string name;
    for (char c : FieldNames[index])
        if (c != ' ') name += c;
    return name;
}

// Block layout: uint32 header (bits 0..18: which fields are non-empty; bit 31: wide spans), then
// one span per non-empty field in index order (uint16 or, when wide, uint32 offset and length),
// then the text bytes the spans point into.
namespace {

constexpr std::uint32_t FieldMask = (1u << FieldCount) - 1;
constexpr std::uint32_t WideBit = 1u << 31;

// Bits set in a field mask; written out because std::popcount becomes a library call on the
// baseline x86-64 target, and records are read on every sort comparison.
inline int CountBits(std::uint32_t v) noexcept {
    v = v - ((v >> 1) & 0x55555555u);
    v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
    return static_cast<int>((((v + (v >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24);
}

std::uint32_t HeaderOf(const unsigned char* block) noexcept {
    std::uint32_t h;
    std::memcpy(&h, block, sizeof h);
    return h;
}

struct TSpan {
    std::uint32_t Offset, Length;
};

std::size_t SpanSize(std::uint32_t header) noexcept { return (header & WideBit) ? 8 : 4; }

TSpan SpanAt(const unsigned char* block, std::uint32_t header, int k) noexcept {
    const unsigned char* p = block + 4 + static_cast<std::size_t>(k) * SpanSize(header);
    if (header & WideBit) {
        std::uint32_t v[2];
        std::memcpy(v, p, sizeof v);
        return {v[0], v[1]};
    }
    std::uint16_t v[2];
    std::memcpy(v, p, sizeof v);
    return {v[0], v[1]};
}

std::size_t TextStart(std::uint32_t header) noexcept {
    return 4 + static_cast<std::size_t>(CountBits(header & FieldMask)) * SpanSize(header);
}

std::size_t BlockSize(const unsigned char* block) noexcept {
    const std::uint32_t header = HeaderOf(block);
    const int n = CountBits(header & FieldMask);
    std::size_t end = 0;
    for (int k = 0; k < n; ++k) {
        const TSpan s = SpanAt(block, header, k);
        end = std::max<std::size_t>(end, std::size_t{s.Offset} + s.Length);
    }
    return TextStart(header) + end;
}

unsigned char* CopyBlock(const unsigned char* block) {
    if (!block) return nullptr;
    const std::size_t size = BlockSize(block);
    auto* copy = static_cast<unsigned char*>(std::malloc(size));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, block, size);
    return copy;
}

}  // namespace

TFileRecord::TFileRecord(const TFileRecord& other) : Block_(CopyBlock(other.Block_)) {}

TFileRecord& TFileRecord::operator=(const TFileRecord& other) {
    if (this != &other) {
        unsigned char* copy = CopyBlock(other.Block_);
        std::free(Block_);
        Block_ = copy;
    }
    return *this;
}

TFileRecord& TFileRecord::operator=(TFileRecord&& other) noexcept {
    if (this != &other) {
        std::free(Block_);
        Block_ = other.Block_;
        other.Block_ = nullptr;
    }
    return *this;
}

TFileRecord::~TFileRecord() { std::free(Block_); }

void TFileRecord::Clear() noexcept {
    std::free(Block_);
    Block_ = nullptr;
}

std::size_t TFileRecord::HeapBytes() const noexcept { return Block_ ? BlockSize(Block_) : 0; }

std::string_view TFileRecord::Get(int index) const noexcept {
    if (!Block_ || index < 0 || index >= FieldCount) return {};
    const std::uint32_t header = HeaderOf(Block_);
    const std::uint32_t bit = 1u << index;
    if (!(header & bit)) return {};
    const TSpan s = SpanAt(Block_, header, CountBits(header & (bit - 1)));
    return {reinterpret_cast<const char*>(Block_ + TextStart(header) + s.Offset), s.Length};
}

void TFileRecord::Set(int index, std::string_view text) {
    if (index < 0 || index >= FieldCount) throw EListError("field index out of range: " + std::to_string(index));
    // The texts still point into the old block, which Assign frees only after copying them.
    TTexts texts{};
    for (int i = 0; i < FieldCount; ++i) texts[i] = Get(i);
    texts[index] = text;
    Assign(texts);
}

void TFileRecord::Assign(const TTexts& texts) {
    // Place the longest texts first so that a shorter one can share the tail of a longer one.
    std::array<int, FieldCount> order{};
    int n = 0;
    std::uint32_t header = 0;
    for (int i = 0; i < FieldCount; ++i)
        if (!texts[i].empty()) {
            order[n++] = i;
            header |= 1u << i;
        }
    if (n == 0) {
        Clear();
        return;
    }
    std::stable_sort(order.begin(), order.begin() + n,
                     [&](int a, int b) { return texts[a].size() > texts[b].size(); });

    std::array<TSpan, FieldCount> spans{};
    std::size_t textSize = 0;
    for (int k = 0; k < n; ++k) {
        const std::string_view t = texts[order[k]];
        bool shared = false;
        for (int j = 0; j < k && !shared; ++j) {
            const std::string_view placed = texts[order[j]];
            if (placed.size() >= t.size() && placed.substr(placed.size() - t.size()) == t) {
                spans[order[k]] = {static_cast<std::uint32_t>(spans[order[j]].Offset + placed.size() - t.size()),
                                   static_cast<std::uint32_t>(t.size())};
                shared = true;
            }
        }
        if (!shared) {
            if (textSize + t.size() > 0xFFFFFFFFu) throw EListError("field text too long");
            spans[order[k]] = {static_cast<std::uint32_t>(textSize), static_cast<std::uint32_t>(t.size())};
            textSize += t.size();
        }
    }
    if (textSize > 0xFFFF) header |= WideBit;

    const std::size_t start = TextStart(header);
    auto* block = static_cast<unsigned char*>(std::malloc(start + textSize));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, &header, sizeof header);
    unsigned char* spanOut = block + 4;
    for (int i = 0; i < FieldCount; ++i) {
        if (!(header & (1u << i))) continue;
        if (header & WideBit) {
            const std::uint32_t v[2] = {spans[i].Offset, spans[i].Length};
            std::memcpy(spanOut, v, sizeof v);
            spanOut += sizeof v;
        } else {
            const std::uint16_t v[2] = {static_cast<std::uint16_t>(spans[i].Offset),
                                        static_cast<std::uint16_t>(spans[i].Length)};
            std::memcpy(spanOut, v, sizeof v);
            spanOut += sizeof v;
        }
    }
    // Copy each placed text (sharing ones are covered by the text they share with).
    for (int k = 0; k < n; ++k) {
        const int i = order[k];
        const std::string_view t = texts[i];
        std::memcpy(block + start + spans[i].Offset, t.data(), t.size());
    }
    std::free(Block_);
    Block_ = block;
}

}  // namespace nulvane
