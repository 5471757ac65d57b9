#include "core/FileRecord.h"

#include <algorithm>
#include <cstdio>
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

// Block layout: uint32 header, one span per non-empty slot in slot order, the text bytes the spans
// point into, then the exact times when the record keeps them (three times int64 seconds and
// uint32 nanoseconds). Header bits 0..19: which slots are non-empty (the 19 fields, then the path
// tail); bit 20: exact times follow; bits 30..31: the width of a span's offset and of its length
// (0: one byte each, 1: two, 2: four).
namespace {

constexpr int SlotCount = FieldCount + 1;
constexpr int TailSlot = FieldCount;
constexpr std::uint32_t SlotMask = (1u << SlotCount) - 1;
constexpr std::uint32_t TimesBit = 1u << 20;
constexpr int WidthShift = 30;
constexpr std::size_t TimesSize = 3 * (8 + 4);

using TSlots = std::array<std::string_view, SlotCount>;

// Bits set in a slot mask; written out because std::popcount becomes a library call on the
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

// Bytes of one offset (and of one length).
std::size_t WidthOf(std::uint32_t header) noexcept { return std::size_t{1} << (header >> WidthShift); }

std::uint32_t ReadNumber(const unsigned char* p, std::size_t width) noexcept {
    if (width == 1) return *p;
    if (width == 2) {
        std::uint16_t v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void WriteNumber(unsigned char* p, std::size_t width, std::uint32_t value) noexcept {
    if (width == 1) {
        *p = static_cast<unsigned char>(value);
    } else if (width == 2) {
        const auto v = static_cast<std::uint16_t>(value);
        std::memcpy(p, &v, sizeof v);
    } else {
        std::memcpy(p, &value, sizeof value);
    }
}

TSpan SpanAt(const unsigned char* block, std::uint32_t header, int k) noexcept {
    const std::size_t width = WidthOf(header);
    const unsigned char* p = block + 4 + static_cast<std::size_t>(k) * 2 * width;
    return {ReadNumber(p, width), ReadNumber(p + width, width)};
}

std::size_t TextStart(std::uint32_t header) noexcept {
    return 4 + static_cast<std::size_t>(CountBits(header & SlotMask)) * 2 * WidthOf(header);
}

std::size_t TextSize(const unsigned char* block, std::uint32_t header) noexcept {
    const int n = CountBits(header & SlotMask);
    std::size_t end = 0;
    for (int k = 0; k < n; ++k) {
        const TSpan s = SpanAt(block, header, k);
        end = std::max<std::size_t>(end, std::size_t{s.Offset} + s.Length);
    }
    return end;
}

std::size_t BlockSize(const unsigned char* block) noexcept {
    const std::uint32_t header = HeaderOf(block);
    return TextStart(header) + TextSize(block, header) + ((header & TimesBit) ? TimesSize : 0);
}

unsigned char* CopyBlock(const unsigned char* block) {
    if (!block) return nullptr;
    const std::size_t size = BlockSize(block);
    auto* copy = static_cast<unsigned char*>(std::malloc(size));
    if (!copy) throw std::bad_alloc();
    std::memcpy(copy, block, size);
    return copy;
}

std::string_view SlotText(const unsigned char* block, int slot) noexcept {
    if (!block) return {};
    const std::uint32_t header = HeaderOf(block);
    const std::uint32_t bit = 1u << slot;
    if (!(header & bit)) return {};
    const TSpan s = SpanAt(block, header, CountBits(header & (bit - 1)));
    return {reinterpret_cast<const char*>(block + TextStart(header) + s.Offset), s.Length};
}

// Builds a block from the slots' texts (and the times): the longest texts are placed first so
// that a shorter one can share the tail of a longer one. Null when every slot is empty and no
// times are kept.
unsigned char* BuildBlock(const TSlots& slots, const TExactTimes* times) {
    std::array<int, SlotCount> order{};
    int n = 0;
    std::uint32_t header = times ? TimesBit : 0;
    for (int i = 0; i < SlotCount; ++i)
        if (!slots[i].empty()) {
            order[n++] = i;
            header |= 1u << i;
        }
    if (header == 0) return nullptr;
    std::stable_sort(order.begin(), order.begin() + n,
                     [&](int a, int b) { return slots[a].size() > slots[b].size(); });

    std::array<TSpan, SlotCount> spans{};
    std::size_t textSize = 0;
    for (int k = 0; k < n; ++k) {
        const std::string_view t = slots[order[k]];
        bool shared = false;
        for (int j = 0; j < k && !shared; ++j) {
            const std::string_view placed = slots[order[j]];
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
    const std::uint32_t widthCode = textSize <= 0xFF ? 0 : textSize <= 0xFFFF ? 1 : 2;
    header |= widthCode << WidthShift;

    const std::size_t width = WidthOf(header);
    const std::size_t start = TextStart(header);
    auto* block = static_cast<unsigned char*>(std::malloc(start + textSize + (times ? TimesSize : 0)));
    if (!block) throw std::bad_alloc();
    std::memcpy(block, &header, sizeof header);
    unsigned char* spanOut = block + 4;
    for (int i = 0; i < SlotCount; ++i) {
        if (!(header & (1u << i))) continue;
        WriteNumber(spanOut, width, spans[i].Offset);
        WriteNumber(spanOut + width, width, spans[i].Length);
        spanOut += 2 * width;
    }
    // Copy each placed text (sharing ones are covered by the text they share with).
    for (int k = 0; k < n; ++k) {
        const int i = order[k];
        const std::string_view t = slots[i];
        std::memcpy(block + start + spans[i].Offset, t.data(), t.size());
    }
    if (times) {
        unsigned char* out = block + start + textSize;
        for (const TFileTime* time : {&times->Create, &times->Access, &times->Write}) {
            std::memcpy(out, &time->Seconds, 8);
            std::memcpy(out + 8, &time->Nanoseconds, 4);
            out += 12;
        }
    }
    return block;
}

TSlots SlotsOf(const unsigned char* block) noexcept {
    TSlots slots{};
    for (int i = 0; i < SlotCount; ++i) slots[i] = SlotText(block, i);
    return slots;
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

namespace {

[[noreturn]] void FullPathAskedOfPathTail() noexcept {
    std::fputs("nulvane: internal error: the \"Full Path\" of a scanned entry was read from its record, "
               "which holds only the part after its folder; the list composes it\n",
               stderr);
    std::abort();
}

}  // namespace

std::string_view TFileRecord::Get(int index) const noexcept {
    if (index < 0 || index >= FieldCount) return {};
    const std::string_view text = SlotText(Block_, index);
    // A record that holds a path tail never holds a "Full Path" text too.
    if (index == fiFullPath && text.empty() && HasPathTail()) FullPathAskedOfPathTail();
    return text;
}

std::string_view TFileRecord::PathTail() const noexcept { return SlotText(Block_, TailSlot); }

bool TFileRecord::HasPathTail() const noexcept { return Block_ && (HeaderOf(Block_) & (1u << TailSlot)); }

bool TFileRecord::GetExactTimes(TExactTimes& times) const noexcept {
    if (!Block_) return false;
    const std::uint32_t header = HeaderOf(Block_);
    if (!(header & TimesBit)) return false;
    const unsigned char* in = Block_ + TextStart(header) + TextSize(Block_, header);
    for (TFileTime* time : {&times.Create, &times.Access, &times.Write}) {
        std::memcpy(&time->Seconds, in, 8);
        std::memcpy(&time->Nanoseconds, in + 8, 4);
        in += 12;
    }
    return true;
}

void TFileRecord::Set(int index, std::string_view text) {
    if (index < 0 || index >= FieldCount) throw EListError("field index out of range: " + std::to_string(index));
    // The texts still point into the old block, which is freed only after they are copied.
    TSlots slots = SlotsOf(Block_);
    slots[static_cast<std::size_t>(index)] = text;
    if (index == fiFullPath) slots[TailSlot] = {};
    TExactTimes times;
    unsigned char* block = BuildBlock(slots, GetExactTimes(times) ? &times : nullptr);
    std::free(Block_);
    Block_ = block;
}

void TFileRecord::Assign(const TTexts& texts, const TExtras& extras) {
    TSlots slots{};
    std::copy(texts.begin(), texts.end(), slots.begin());
    if (!extras.PathTail.empty()) {
        slots[fiFullPath] = {};
        slots[TailSlot] = extras.PathTail;
    }
    unsigned char* block = BuildBlock(slots, extras.Times);
    std::free(Block_);
    Block_ = block;
}

}  // namespace nulvane
