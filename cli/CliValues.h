#pragma once
// Reading the values nulvane-cli's options take: a sort field as a user types it ("file name",
// "modified:desc"), a depth, a count, an owner ("www-data:!adm"), and a point in time given as a duration back from now ("2weeks") or
// as a date ("2026-11-01 10:00:00"), the way fd reads them.
#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/files/DirWalk.h"

namespace nulvane {

struct TSortField {
    int Field = 0;  // index into FieldNames
    bool Descending = false;
    friend bool operator==(const TSortField&, const TSortField&) = default;
};

// A field name compared without regard to case and blanks ("file name", "WriteTime"), or a short
// name (name, path, size, ext, type, created, accessed, modified), optionally followed by ":asc"
// or ":desc". Nothing when no field matches.
std::optional<TSortField> MatchSortField(std::string_view text);

// The short names --sort accepts, in the order of the fields they stand for, and the field each
// stands for.
struct TShortFieldName {
    std::string_view Name;
    int Field;
};
extern const std::span<const TShortFieldName> ShortFieldNames;

// A whole number from 0 to a million, digits only.
std::optional<unsigned> ParseDepth(std::string_view text);
// A count of results: a whole number from 1, digits only.
std::optional<std::uint64_t> ParseCount(std::string_view text);

// An owner as fd's --owner reads it: USER, USER:GROUP, :GROUP (or USER:), each a name or a
// number, either preceded by "!" for "not". Nothing, with `error` saying why in a few words, for
// both sides empty, or a name the system does not know.
std::optional<TOwnerFilter> ParseOwner(std::string_view text, std::string& error);

// Seconds and nanoseconds since 1970 (UTC).
struct TInstant {
    std::int64_t Seconds = 0;
    std::uint32_t Nanoseconds = 0;
};

// WHEN as fd reads it: a duration ("10min", "2h", "3d", "2weeks", "1h 30min") counted back from
// `now`, a local date ("2026-11-01", midnight), a local date and time ("2026-11-01 10:00:00",
// also with "T"), or "@" and seconds since 1970. Nothing when it is none of them.
std::optional<TInstant> ParseWhen(std::string_view text, TInstant now);

}  // namespace nulvane
