#include "app/StatusTexts.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/system/LongWork.h"
#include "platform/text/LocaleTexts.h"

using namespace nulvane;

namespace {

class StatusTextsTest : public ::testing::Test {
protected:
    void SetUp() override { TLocaleTexts::SetCurrent(TLocaleTexts::EnglishUS()); }
};

TEST_F(StatusTextsTest, ScanOutcomesSayWhyAListIsIncomplete) {
    const struct {
        TScanOutcome Outcome;
        const char* Text;
    } cases[] = {
        {{}, "Scan finished: 0 files listed"},
        {{1, 0, false, false, {}}, "Scan finished: 1 file listed"},
        {{12345, 0, false, true, {}}, "Scan stopped: 12,345 files listed, the list is incomplete"},
        {{4, 2, false, false, {}}, "Scan finished: 4 files listed; 2 folders could not be read"},
        {{4, 1, true, false, {}},
         "Scan finished: 4 files listed; 1 folder could not be read; The scan ran short of memory: the list is "
         "incomplete"},
        {{0, 0, false, false, {"/tmp/dmeo"}}, "Not a folder: /tmp/dmeo"},
        {{0, 0, false, false, {"/a\nb\x1b[2J", "/c", "/d"}}, "Not a folder: /a\\nb\\x1b[2J (and 2 more)"},
        {{3, 0, false, false, {"/x"}}, "Scan finished: 3 files listed; Not a folder: /x"},
        {{0, 0, false, false, {""}}, "Not a folder: \"\""},
        {{5, 1, false, false, {}, 3, "Keep rules: line 2 ignored: unclosed ["},
         "Scan finished: 5 files listed; 3 held back by keep rules; 1 folder could not be read; Keep rules: line 2 "
         "ignored: unclosed ["},
        // Empty folders among what was listed are counted apart.
        {{8, 0, false, false, {}, 0, {}, {}, {}, 2}, "Scan finished: 6 files and 2 folders listed"},
        {{1, 0, false, true, {}, 0, {}, {}, {}, 1}, "Scan stopped: 1 folder listed, the list is incomplete"},
    };
    for (const auto& c : cases) EXPECT_EQ(ScanOutcomeText(c.Outcome), c.Text);
}

TEST_F(StatusTextsTest, DeletionOutcomesCountWhatWentAndWhatStayed) {
    const struct {
        TDeleteOutcome Outcome;
        const char* Text;
    } cases[] = {
        {{6, 0, 2, false, {}}, "Deleted 6 files, 2 kept"},
        {{1, 0, 0, false, {}}, "Deleted 1 file"},
        {{1200, 3, 0, false, {}}, "Deleted 1,200 files, 3 already gone"},
        {{0, 0, 1, false, "changed since the scan"}, "Deleted 0 files, 1 kept: changed since the scan"},
        {{5, 0, 0, true, {}}, "Deletion stopped: deleted 5 files"},
        {{2, 0, 1, false, {}, true}, "Moved 2 files to the trash, 1 kept"},
        {{1, 0, 0, true, {}, true}, "Deletion stopped: moved 1 file to the trash"},
        // With folders among what was to go, the counts tell them apart.
        {{8, 0, 0, false, {}, false, {}, 2, 0, 0, true, true}, "Deleted 6 files and 2 folders"},
        {{8, 0, 1, false, "no longer empty", true, {}, 2, 0, 1, true, true},
         "Moved 6 files and 2 folders to the trash, 1 folder kept: no longer empty"},
        {{1, 0, 0, false, {}, false, {}, 1, 0, 0, false, true}, "Deleted 1 folder"},
        {{0, 1, 2, false, {}, false, {}, 0, 1, 1, true, true},
         "Deleted 0 files and 0 folders, 1 folder already gone, 1 file and 1 folder kept"},
    };
    for (const auto& c : cases) EXPECT_EQ(DeleteOutcomeText(c.Outcome), c.Text);
    EXPECT_EQ(UndoOutcomeText({3, 1, true}), "Put back 2 files and 1 folder from the trash");
    EXPECT_EQ(UndoOutcomeText({1, 1, true}), "Put back 1 folder from the trash");
    const TUndoSummary stopped{2, 0, false, {{"/x/a\n", {TPutBackOutcome::Gone}}, {"/x/b", {TPutBackOutcome::Failed, EACCES}},
                                             {"/x/c", {TPutBackOutcome::Failed, ENOENT}}}, true, 5};
    EXPECT_EQ(UndoOutcomeText(stopped), "Undo stopped: put back 2 files from the trash, 5 left; 1 no longer in the "
                                        "trash: /x/a\\n; 2 could not be put back: /x/b: Permission denied (and 1 more)");
    EXPECT_EQ(UndoDetailsText(stopped), "No longer in the trash: /x/a\\n\nCould not be put back: /x/b: Permission "
                                        "denied\nCould not be put back: /x/c: No such file or directory\n");
    EXPECT_EQ(StatusText(0, {}), "No files in the list");
    EXPECT_EQ(StatusText(8, "Deleted 6 files, 2 kept"), "8 files in the list \u00b7 Deleted 6 files, 2 kept");
    EXPECT_EQ(StatusText(8, {}, 2), "6 files and 2 folders in the list");
    EXPECT_EQ(StatusText(1, {}, 1), "1 folder in the list");
}

TEST_F(StatusTextsTest, ProgressCountsFollowTheKindOfJob) {
    TLongWork job;
    EXPECT_EQ(ProgressCountsText(job), "");
    job.Folders = 1;
    EXPECT_EQ(ProgressCountsText(job), "1 folder read, 0 empty files found");
    job.Folders = 12345;
    job.Found = 1;
    EXPECT_EQ(ProgressCountsText(job), "12,345 folders read, 1 empty file found");
    job.Total = 8;
    job.Done = 6;
    EXPECT_EQ(ProgressCountsText(job), "6 of 8");
    job.DoneText = PutBackCountsText;
    EXPECT_EQ(ProgressCountsText(job), "6 of 8 put back");
}

}  // namespace
