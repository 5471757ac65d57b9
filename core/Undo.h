#pragma once
// Taking back what a command did to listed files: the window's "Undo". What one command took away
// is a batch (TUndoBatch): its files in list order, each with the entry it had in the list. Each
// kind of undo is a batch class of its own that knows how to put one of its files back (files
// moved to the trash come back out of it, TTrashUndo; files deleted for good are made again from
// the deletion's undo record, TDeletionUndo); RunUndo works any batch through as long work, in the
// same way for every kind.
//
// A file put back returns to the list with its entry as it was (checked or not). A file that
// cannot come back returns to the list too, unchecked, with a note that says why as its hint, and
// is named in the summary with its path: nothing the user had in the list disappears without a
// word. A stop request is looked at between two files: the files not reached stay in the batch,
// for the next Undo to go on with.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/Deletion.h"
#include "core/ResultList.h"
#include "core/Translatable.h"
#include "platform/files/journal/UndoRecords.h"
#include "platform/system/LongWork.h"

namespace nulvane {

enum class TPutBackOutcome : std::uint8_t {
    PutBack,    // back under its path
    NameTaken,  // another file holds its path now
    Gone,       // no longer where the command left it (put back or removed by other means)
    Failed,     // anything else; Error says why
};

struct TPutBackResult {
    TPutBackOutcome Outcome = TPutBackOutcome::Failed;
    int Error = 0;  // the system's error number behind Failed
    // Made again, but its owner or an attribute could not be set (not allowed to this user).
    bool Partly = false;
};

// A file that did not come back, with its path and why.
struct TNotPutBack {
    std::string Path;
    TPutBackResult Result;
    bool Folder = false;
};

// What one run of a batch did. Its first three fields count what came back.
struct TUndoSummary {
    std::size_t PutBack = 0;
    std::size_t PutBackFolders = 0;  // of PutBack, empty folders
    bool WithFolders = false;        // folders were among the files the run took
    std::vector<TNotPutBack> NotPutBack = {};  // in the batch's order
    bool Stopped = false;                      // a stop request ended the run before the batch was through
    std::size_t Left = 0;                      // files the stop left in the batch
    bool FromTrash = true;                     // the files came out of the trash, else were made again
    std::size_t WithoutOwner = 0;              // made again without their owner or an attribute
};

class TUndoBatch {
public:
    virtual ~TUndoBatch() = default;

    // Files left to put back.
    virtual std::size_t Count() const noexcept = 0;
    // What the progress window says while the batch is worked through ("Putting files back..").
    virtual std::string_view WaitMessage() const = 0;
    // Puts file `item` back; `work` is the run's job, for a file that takes long to put back.
    virtual TPutBackResult PutBack(std::size_t item, TLongWork& work) = 0;
    // The file's path, and whether it is an empty folder.
    virtual const std::string& Path(std::size_t item) const = 0;
    virtual bool Folder(std::size_t item) const = 0;
    // The entry the file had in the list, taken out of the batch.
    virtual TListEntry TakeEntry(std::size_t item) = 0;
    // Forgets the first `count` files: they were dealt with.
    virtual void DropFirst(std::size_t count) = 0;
    // Whether the files come out of the trash (else they are made again).
    virtual bool FromTrash() const noexcept { return true; }
};

// The files a deletion moved to the trash: each comes back out of the trash (see
// platform/files/trash/TrashRestore.h). The deletion fills Files() (TDeleteOptions::Trashed).
class TTrashUndo final : public TUndoBatch {
public:
    std::vector<TTrashedEntry>& Files() noexcept { return Files_; }

    std::size_t Count() const noexcept override { return Files_.size(); }
    std::string_view WaitMessage() const override { return N_("Putting files back.."); }
    TPutBackResult PutBack(std::size_t item, TLongWork& work) override;
    const std::string& Path(std::size_t item) const override { return Files_.at(item).File.Path; }
    bool Folder(std::size_t item) const override { return Files_.at(item).File.Folder; }
    TListEntry TakeEntry(std::size_t item) override { return std::move(Files_.at(item).Entry); }
    void DropFirst(std::size_t count) override;
    bool FromTrash() const noexcept override { return true; }

private:
    std::vector<TTrashedEntry> Files_;
};

// The files a final deletion deleted: each is made again from the deletion's undo record (see
// platform/files/journal/UndoRecords.h), read when the first file is put back. The deletion fills Files()
// (TDeleteOptions::Deleted). Once every file is back, the record goes.
class TDeletionUndo final : public TUndoBatch {
public:
    TDeletionUndo();
    ~TDeletionUndo() override;
    TDeletedFiles& Files() noexcept { return Files_; }

    // None without a record: the deletion kept none.
    std::size_t Count() const noexcept override { return Files_.Record.empty() ? 0 : Files_.Entries.size(); }
    std::string_view WaitMessage() const override { return N_("Putting files back.."); }
    TPutBackResult PutBack(std::size_t item, TLongWork& work) override;
    const std::string& Path(std::size_t item) const override { return Files_.Entries.at(item).Path; }
    bool Folder(std::size_t item) const override { return Files_.Entries.at(item).Entry.Kind == TEntryKind::Folder; }
    TListEntry TakeEntry(std::size_t item) override { return std::move(Files_.Entries.at(item).Entry); }
    void DropFirst(std::size_t count) override;
    bool FromTrash() const noexcept override { return false; }

private:
    TDeletedFiles Files_;
    std::unique_ptr<TUndoRecord> Record_;
    int RecordError_ = 0;  // why the record could not be opened, once tried
};

// What the progress window's counts line says after "N of M" while a batch runs.
inline constexpr const char* PutBackCountsText = N_("put back");

// Works `batch` through in its order under the list's update bracket, as long work for `work`
// (Total the batch's files, Done those dealt with), appending each file's entry to `list`; stops
// between two files when asked. The files dealt with leave the batch, also when an error ends
// the run.
TUndoSummary RunUndo(TResultList& list, TUndoBatch& batch, TLongWork& work);

// The note of an entry whose file could not be put back (out of the trash, or made again).
TEntryNote NotPutBackNote(const TPutBackResult& result, bool fromTrash = true) noexcept;

}  // namespace nulvane
