#pragma once
// The list as JSON Lines, for scripts: one JSON object per entry, one line each.
//
// An object holds every non-empty field of the entry's record, keyed by the field's name without
// blanks (as in the XML export: "FileName", "FullPath", "FileSize", ...) and valued by the text
// its cell in the list shows ("File Size" as "0.00 B"), then the size in bytes as a number
// ("SizeBytes") and, when the scan kept them, the three times as ISO 8601 UTC with nanoseconds
// ("CreateTimeUtc", "AccessTimeUtc", "WriteTimeUtc", e.g. "2026-12-09T06:01:01.123456789Z"), for
// an entry a keep rule holds back from a deletion that rule ("Kept": "rule .git/"), and last what
// the entry stands for, "Kind": "file" or "folder".
//
// JSON text is UTF-8, file names need not be: a text that is not valid UTF-8 is written with
// U+FFFD for each byte that is not, and its exact bytes follow in base64 under the same key with
// "Bytes" added ("FullPathBytes"), so that nothing is lost. Control characters are escaped; the
// output never holds a raw newline inside an object.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/EntryTexts.h"
#include "core/FileRecord.h"
#include "core/ListEntry.h"

namespace nulvane {

// Appends the object for one entry, without a line end, its fields read through `texts` as every
// writer reads them (the list's reader, or a streamed scan's for the folder the entry lies in).
// `heldBy`: the keep rule that holds the entry, empty when none does.
void AppendEntryJson(std::string& out, TEntryTexts& texts, const TListEntry& entry, std::string_view heldBy = {});

// The text as a JSON string, quotes included, with U+FFFD for bytes that are not UTF-8; true when
// every byte was (nothing was replaced).
bool AppendJsonString(std::string& out, std::string_view text);

// RFC 4648 base64, with padding.
void AppendBase64(std::string& out, std::string_view bytes);

// "YYYY-MM-DDTHH:MM:SS.nnnnnnnnnZ" for seconds since the Unix epoch (UTC) and nanoseconds; a year
// before 0 or after 9999 is written with its sign ("+10000-01-01T...", "-0001-12-31T..."), as ISO
// 8601 writes expanded years.
void AppendUtcTime(std::string& out, const TFileTime& time);

}  // namespace nulvane
