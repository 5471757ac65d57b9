#include "core/EntryComparison.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/Comparisons.h"
#include "core/PathRanks.h"
#include "platform/text/LocaleTexts.h"

namespace nulvane {

namespace {

enum class TKeyKind { Number, Type, Date, Text };

TKeyKind KindOf(std::uint8_t sortKey) noexcept {
    switch (sortKey) {
    case fiFileSize:
    case fiFileNameLength:
    case fiPathNameLength:
    case fiSizePercentage:
    case fiFileCount:
        return TKeyKind::Number;
    case fiFileType:
        return TKeyKind::Type;
    case fiCreateTime:
    case fiAccessTime:
    case fiWriteTime:
        return TKeyKind::Date;
    default:
        return TKeyKind::Text;
    }
}

int DirectionFactor(TSortDirection direction) noexcept { return direction == TSortDirection::Descending ? 1 : -1; }

constexpr std::string_view FolderType = "folder";

// Gives each distinct trimmed "File Type" text a number, "folder" the number 0, so that two types
// are equal exactly when their numbers are.
class TTypeNumbers {
public:
    static constexpr std::uint32_t Folder = 0;
    TTypeNumbers() { Numbers_.emplace(FolderType, Folder); }

    std::uint32_t NumberOf(std::string_view type) {
        if (HaveLast_ && type == Last_) return LastNumber_;  // nearly every entry is a "file"
        const auto [it, added] = Numbers_.try_emplace(type, static_cast<std::uint32_t>(Numbers_.size()));
        Last_ = type;
        LastNumber_ = it->second;
        HaveLast_ = true;
        return it->second;
    }

private:
    std::unordered_map<std::string_view, std::uint32_t> Numbers_;
    std::string_view Last_;
    std::uint32_t LastNumber_ = 0;
    bool HaveLast_ = false;
};

struct TTextKey {
    const char* Data;
    std::uint32_t Size;
    std::uint32_t Type;
};

enum class TDateState : std::uint8_t { Empty, NotADate, Valid };

struct TValueKey {
    double Value;
    std::uint32_t Type;
    TDateState State;      // dates only
    std::uint8_t Reading;  // dates only
};

}  // namespace

namespace {

int Sign(int value) noexcept { return (value > 0) - (value < 0); }

// `a` and `b` are the entries' texts of the sort key, `firstType` and `secondType` their "File
// Type" texts.
int CompareTexts(std::string_view firstType, std::string_view a, std::uint8_t firstReading,
                 std::string_view secondType, std::string_view b, std::uint8_t secondReading, std::uint8_t sortKey,
                 TSortDirection headerDirection) noexcept {
    firstType = TrimText(firstType);
    secondType = TrimText(secondType);
    if (firstType != secondType) {
        const int d = DirectionFactor(headerDirection);
        return firstType == FolderType ? d : -d;
    }
    if (sortKey == fiFullPath) return Sign(CompareText(a, b));  // as the prepared ranks answer
    switch (KindOf(sortKey)) {
    case TKeyKind::Number:
        return CompareNumericText(a, b);
    case TKeyKind::Type:
        return 1;
    case TKeyKind::Date:
        return CompareDateText(a, firstReading, b, secondReading);
    case TKeyKind::Text:
        break;
    }
    return CompareText(a, b);
}

}  // namespace

int CompareListEntries(const TResultList& list, const TListEntry& first, const TListEntry& second,
                       std::uint8_t sortKey, TSortDirection headerDirection) noexcept {
    // Kept from comparison to comparison, so that comparing composed paths allocates once.
    thread_local std::string firstPath, secondPath;
    std::string firstTypeText, secondTypeText;
    std::string_view a, b, firstType, secondType;
    try {
        a = list.FieldText(first, sortKey, firstPath);
        b = list.FieldText(second, sortKey, secondPath);
        firstType = list.FieldText(first, fiFileType, firstTypeText);
        secondType = list.FieldText(second, fiFileType, secondTypeText);
    } catch (...) {
        return 0;  // no memory to compose a path in: the two keep their order
    }
    return CompareTexts(firstType, a, TimeReadingOf(first, sortKey), secondType, b, TimeReadingOf(second, sortKey),
                        sortKey, headerDirection);
}

TResultList::TIndexCompare PrepareEntryComparison(TResultList& list, std::uint8_t sortKey) {
    const TListHeader& header = list.Header();
    const std::size_t n = list.Count();
    // The texts of every field but "Full Path" (which is ranked instead) view into the entries,
    // which stay as they are for the whole sort: keys may keep them.
    TEntryTexts texts(list);
    TTypeNumbers types;
    auto typeOf = [&](std::size_t i) { return types.NumberOf(TrimText(texts.Get(list[i], fiFileType))); };
    auto typesDiffer = [&header](std::uint32_t a, std::uint32_t b, int& result) {
        if (a == b) return false;
        const int d = DirectionFactor(header.SortDirection());
        result = a == TTypeNumbers::Folder ? d : -d;
        return true;
    };

    const TKeyKind kind = KindOf(sortKey);
    if (sortKey == fiFullPath) {
        // The whole order comes straight from the folder table where it can; the ranks a
        // comparison needs are worked out only when one is asked for.
        struct TRankKey {
            std::uint32_t Rank, Type;
        };
        TResultList::TPreparedOrder prepared;
        prepared.Compare = [keys = std::vector<TRankKey>(), &list, typesDiffer](std::size_t first,
                                                                                std::size_t second) mutable {
            if (keys.empty()) {
                const std::vector<std::uint32_t> ranks = RankFullPaths(list);
                TEntryTexts entryTexts(list);
                TTypeNumbers typeNumbers;
                keys.resize(ranks.size());
                for (std::size_t i = 0; i < ranks.size(); ++i)
                    keys[i] = {ranks[i], typeNumbers.NumberOf(TrimText(entryTexts.Get(list[i], fiFileType)))};
            }
            const TRankKey& a = keys[first];
            const TRankKey& b = keys[second];
            int result;
            if (typesDiffer(a.Type, b.Type, result)) return result;
            return (a.Rank > b.Rank) - (a.Rank < b.Rank);
        };
        prepared.Fill = [&list, &header](TSortDirection direction, std::uint32_t* order) {
            return OrderByFullPath(list, direction, header.SortDirection(), order);
        };
        return prepared;
    }
    if (kind == TKeyKind::Text) {
        std::vector<TTextKey> keys(n);
        for (std::size_t i = 0; i < n; ++i) {
            const std::string_view text = texts.Get(list[i], sortKey);
            keys[i] = {text.data(), static_cast<std::uint32_t>(text.size()), typeOf(i)};
        }
        return [keys = std::move(keys), typesDiffer](std::size_t first, std::size_t second) {
            const TTextKey& a = keys[first];
            const TTextKey& b = keys[second];
            int result;
            if (typesDiffer(a.Type, b.Type, result)) return result;
            return CompareText({a.Data, a.Size}, {b.Data, b.Size});
        };
    }

    const TLocaleTexts& locale = TLocaleTexts::Current();
    std::vector<TValueKey> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view text = texts.Get(list[i], sortKey);
        TValueKey& key = keys[i];
        key = {0.0, typeOf(i), TDateState::Empty, TimeReadingOf(list[i], sortKey)};
        if (kind == TKeyKind::Number) {
            if (!locale.ParseNumber(text, key.Value)) key.Value = 0;  // not a number counts as 0
        } else if (kind == TKeyKind::Date && !text.empty()) {
            key.State = locale.ParseDateTime(text, key.Value) ? TDateState::Valid : TDateState::NotADate;
        }
    }
    switch (kind) {
    case TKeyKind::Number:
        return [keys = std::move(keys), typesDiffer](std::size_t first, std::size_t second) {
            int result;
            if (typesDiffer(keys[first].Type, keys[second].Type, result)) return result;
            return CompareNumber(keys[first].Value, keys[second].Value);
        };
    case TKeyKind::Type:
        return [keys = std::move(keys), typesDiffer](std::size_t first, std::size_t second) {
            int result;
            if (typesDiffer(keys[first].Type, keys[second].Type, result)) return result;
            return 1;
        };
    default:
        // The same steps as CompareDateText, on texts converted once.
        return [keys = std::move(keys), typesDiffer](std::size_t first, std::size_t second) {
            const TValueKey& a = keys[first];
            const TValueKey& b = keys[second];
            int result;
            if (typesDiffer(a.Type, b.Type, result)) return result;
            if (a.State == TDateState::Empty) return -1;
            if (b.State == TDateState::Empty) return 1;
            if (a.State == TDateState::NotADate || b.State == TDateState::NotADate) return 1;
            return CompareDateTimes(a.Value, a.Reading, b.Value, b.Reading);
        };
    }
}

}  // namespace nulvane
