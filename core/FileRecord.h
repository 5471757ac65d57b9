#pragma once
// The record of one list entry: 19 text fields addressed by index 0 to 18, and the catalogue
// that names them.
//
// A scan can hold millions of records, so a record is one compact heap block: a bit mask of the
// non-empty fields, one span (offset, length) per non-empty field, then the text bytes. Spans are
// one byte each while the texts fit in 255 bytes (nearly always), else two or four. A field whose
// text is the tail of another's ("File Name" of "Full Path", "File Ext" of both, three equal time
// texts) shares its bytes. Texts are the file system's exact bytes; nothing here assumes UTF-8.
//
// A scanned entry does not repeat its folder's path: its record holds a path tail (the file's
// name) instead of a "Full Path" text, and the result list puts the folder's path before it. So an
// entry's fields are read through its list (TResultList::FieldText, TEntryTexts), never from the
// record: how the record stores its path is the list's own business. A record may also keep the
// file's exact times, for whoever asked for them; an ordinary record carries neither and pays
// nothing for them.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files/DirWalk.h"

namespace nulvane {

inline constexpr int FieldCount = 19;

enum TField : std::uint8_t {
    fiFileName = 0,
    fiFullPath = 1,
    fiFileSize = 2,
    fiFileExt = 3,
    fiFileType = 4,
    fiDescription = 5,
    fiFileNameLength = 6,
    fiPathNameLength = 7,
    fiSizePercentage = 8,
    fiCatalogName = 9,
    fiCreateTime = 10,
    fiAccessTime = 11,
    fiWriteTime = 12,
    fiDOSName = 13,
    fiFileCount = 14,
    fiCreateAgeRange = 15,
    fiAccessAgeRange = 16,
    fiWriteAgeRange = 17,
    fiSizeRange = 18,
};

inline constexpr std::array<std::string_view, FieldCount> FieldNames = {
    "File Name",   "Full Path",   "File Size",        "File Ext",         "File Type",
    "Description", "File Name Length", "Path Name Length", "Size Percentage", "Catalog Name",
    "Create Time", "Access Time", "Write Time",       "DOS Name",         "File Count",
    "CreateAgeRange", "AccessAgeRange", "WriteAgeRange", "SizeRange",
};

// Leading and trailing blanks and control characters (bytes up to 0x20) removed.
std::string_view TrimText(std::string_view text) noexcept;

// The field a configured column name stands for: both sides trimmed, compared exactly (case
// matters); 0 ("File Name") when no name matches.
std::uint8_t FieldIndexOf(std::string_view name) noexcept;

// The field's name with every blank removed ("File Name Length" -> "FileNameLength").
std::string FieldXmlName(int index);

// A file's three times to the nanosecond, as the scan read them.
struct TExactTimes {
    TFileTime Create;
    TFileTime Access;
    TFileTime Write;
    friend bool operator==(const TExactTimes&, const TExactTimes&) = default;
};

class TFileRecord {
public:
    TFileRecord() noexcept = default;
    TFileRecord(const TFileRecord& other);
    TFileRecord(TFileRecord&& other) noexcept : Block_(other.Block_) { other.Block_ = nullptr; }
    TFileRecord& operator=(const TFileRecord& other);
    TFileRecord& operator=(TFileRecord&& other) noexcept;
    ~TFileRecord();

    // The field's text as the record holds it; empty for a field never set. An index outside
    // 0..18 reads as empty. A record that holds a path tail has no "Full Path" text of its own:
    // asking it for one ends the program with a message, in every build, for an empty text there
    // would pass for a real one (a blank column, a keep rule that matches nothing). The list
    // composes it (TResultList::FieldText).
    std::string_view Get(int index) const noexcept;
    std::string_view operator[](int index) const noexcept { return Get(index); }

    // What follows the entry's folder path in its "Full Path"; empty when the record holds its
    // "Full Path" whole (or none). For the list, which composes the path (TResultList::PathParts).
    std::string_view PathTail() const noexcept;
    bool HasPathTail() const noexcept;

    // The exact times kept with the record, when it keeps them.
    bool GetExactTimes(TExactTimes& times) const noexcept;

    // Replaces one field's text; the empty text clears it. Setting "Full Path" replaces the path
    // tail too: the text given is the whole path. Throws EListError for an index outside 0..18.
    void Set(int index, std::string_view text);

    // Replaces every field at once (one block built instead of one per field), with a path tail
    // in place of the "Full Path" text and exact times when given.
    using TTexts = std::array<std::string_view, FieldCount>;
    struct TExtras {
        std::string_view PathTail;          // non-empty: "Full Path" is the folder's path and this
        const TExactTimes* Times = nullptr;  // kept when given
    };
    void Assign(const TTexts& texts, const TExtras& extras);
    void Assign(const TTexts& texts) { Assign(texts, TExtras{}); }

    void Clear() noexcept;
    bool IsEmpty() const noexcept { return Block_ == nullptr; }
    // Bytes of heap this record owns (for memory accounting).
    std::size_t HeapBytes() const noexcept;

private:
    unsigned char* Block_ = nullptr;
};

}  // namespace nulvane
