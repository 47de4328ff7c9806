#include <gtest/gtest.h>

#include "config_test_support.h"
#include "scripted_prompter.h"
#include "window/field_rules.h"
#include "window/spectrum/file_structure_dialog.h"

namespace {

using K = FileStructure;

class FileStructureDialog : public ::testing::Test {
protected:
    void SetUp() override {
        dialog.OnInitDialog();
        atOpening = block();
    }
    FileStructure& block() { return settings.setup.values().fileStructure; }
    CFilestrdlg::Fields& fields() { return dialog.fields(); }

    StoredSettings settings;
    ScriptedPrompter prompter;
    CFilestrdlg dialog{settings.setup, prompter};
    FileStructure atOpening;
};

TEST_F(FileStructureDialog, FailsafeStructurePassesSilentlyAndIsNotStored) {
    EXPECT_TRUE(dialog.OnOK());
    EXPECT_TRUE(settings.store.writeLog.empty());  // in force for this run only
}

TEST_F(FileStructureDialog, ThreeKindsOnOneLineGiveTheDuplicateMessageTwice) {
    // The wavelength already sits on line 4.
    fields().lines[K::kMirrorSpacing] = "4";
    fields().lines[K::kPolarization] = "4";
    prompter.expect(CFilestrdlg::kDuplicateLine).expect(CFilestrdlg::kDuplicateLine);
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::None);
    EXPECT_EQ(block(), atOpening);
}

TEST_F(FileStructureDialog, ZeroLineEndsTheChecksAfterEarlierDuplicates) {
    fields().lines[K::kMirrorSpacing] = "5";  // polarization's line
    fields().lines[K::kBeamPower] = "0";
    fields().lines[K::kChannelTime] = "9";  // collides with the scan amplitude: never examined
    prompter.expect(CFilestrdlg::kDuplicateLine).expect(CFilestrdlg::kZeroLine);
    EXPECT_FALSE(dialog.OnOK());
    EXPECT_EQ(prompter.lastIcon(), PromptIcon::Stop);
    EXPECT_EQ(block(), atOpening);
}

TEST_F(FileStructureDialog, DisabledKindsKeepTheirLineAndFreeCommentBecomesASpace) {
    fields().enabled[K::kFreeComment1] = false;
    fields().freecomment1 = "typed but not saved";
    fields().enabled[K::kWavelength] = false;
    fields().lines[K::kWavelength] = "9";
    fields().lines[K::kFreeComment2] = "12";  // free comments take their line even when off
    ASSERT_TRUE(dialog.OnOK());
    EXPECT_EQ(block().freecomment1, " ");
    EXPECT_EQ(block().lines[K::kWavelength], 4);
    EXPECT_FALSE(block().enabled[K::kWavelength]);
    EXPECT_EQ(block().lines[K::kFreeComment2], 12);

    CFilestrdlg reopened(settings.setup, prompter);
    reopened.OnInitDialog();
    EXPECT_EQ(reopened.fields().freecomment1, " ");
}

TEST_F(FileStructureDialog, CancelRestoresTheWholeBlockAsAtOpening) {
    block().ncomlines = 15;
    block().defaultExt = "XYZ";
    block().enabled[K::kAcquisitionTime] = true;
    block().lines[K::kSampleName] = 7;
    block().freecomment2 = "changed meanwhile";
    dialog.OnCancel();
    EXPECT_EQ(block(), atOpening);
}

TEST_F(FileStructureDialog, SaveAsDefaultAnsweredNoChangesNothing) {
    fields().extension = "TXT";
    fields().lines[K::kSampleName] = "12";
    prompter.expect(CFilestrdlg::kSaveAsDefaultQuestion, PromptAnswer::No);
    EXPECT_FALSE(dialog.OnSaveAsDefault());
    EXPECT_EQ(block(), atOpening);
    EXPECT_TRUE(settings.store.writeLog.empty());
    EXPECT_EQ(fields().extension, "TXT");  // the dialog keeps what was typed
}

TEST_F(FileStructureDialog, SaveAsDefaultAnsweredYesStoresTheStructure) {
    fields().extension = "TXT";
    fields().lines[K::kSampleName] = "12";
    prompter.expect(CFilestrdlg::kSaveAsDefaultQuestion, PromptAnswer::Yes);
    EXPECT_TRUE(dialog.OnSaveAsDefault());
    EXPECT_EQ(settings.store.readString("default_ext", ""), "TXT");
    EXPECT_EQ(settings.store.readString("line_comments", ""), "3 10 7 5 6 12 9 8 4 2 11 ");
}

TEST_F(FileStructureDialog, FieldRulesRefuseBeforeAnythingIsApplied) {
    struct Case {
        void (*edit)(CFilestrdlg::Fields&);
        std::string message;
        int control;
    };
    const Case cases[] = {
        {[](CFilestrdlg::Fields& f) { f.extension = "TEXT"; }, CFilestrdlg::kExtensionTooLong,
         CFilestrdlg::kExtension},
        {[](CFilestrdlg::Fields& f) { f.lines[K::kPolarization] = "21"; },
         "Please enter an integer between 0 and 20.", 1022},
        {[](CFilestrdlg::Fields& f) { f.lines[K::kPolarization] = "5x"; },
         "Please enter an integer between 0 and 20.", 1022},
        {[](CFilestrdlg::Fields& f) { f.freecomment2 = std::string(41, 'c'); },
         "Please enter no more than 40 characters.", CFilestrdlg::kFreeComment2Text},
    };
    for (const Case& c : cases) {
        dialog.OnInitDialog();
        c.edit(fields());
        prompter.expect(c.message);
        EXPECT_FALSE(dialog.OnOK()) << c.message;
        EXPECT_EQ(dialog.failedControl(), c.control) << c.message;
        EXPECT_EQ(block(), atOpening) << c.message;
    }
}

}  // namespace
