#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "core/prompter.h"
#include "shell/register_setup.h"
#include "spectrum/file_structure.h"

// The file structure dialog without its widgets: edits the settings' file-structure block in
// place, undoes its changes from the copy taken at opening, and makes them the stored defaults
// on request.
class CFilestrdlg {
public:
    static constexpr int kDialogId = 133;
    static constexpr const char* kTitle = "File structure ";

    static constexpr int kTotal = 1001;
    static constexpr int kExtension = 1019;
    static constexpr int kFreeComment1Text = 1034;
    static constexpr int kFreeComment2Text = 1036;
    static constexpr int kSaveAsDefault = 1032;

    struct KindControls {
        int check;
        int line;
        const char* caption;
    };
    static constexpr std::array<KindControls, FileStructure::kKinds> kKindControls{{
        {1033, 1002, "Save this comment : "},
        {1035, 1003, "Save this comment : "},
        {1027, 1028, "Save mirror spacing on line : "},
        {1021, 1022, "Save polarization on line :"},
        {1025, 1026, "Save incident beam power on line :"},
        {1005, 1006, "Save sample name on line :"},
        {1008, 1030, "Save scan amplitude on line :"},
        {1012, 1031, "Save time/channel on line :"},
        {1023, 1024, "Save wavelenght on line :"},
        {1013, 1037, "Save scan number on line :"},
        {1029, 1038, "Save acquisition time on line : "},
    }};

    static constexpr const char* kTotalLabel = "Total number of comments lines :";
    static constexpr const char* kExtensionLabel = "Default file name extension : ";
    static constexpr const char* kSaveAsDefaultCaption = "Save as defaut ";
    static constexpr const char* kWarning =
        "Here you can setup default file structure for your personal spectrum files. Be careful "
        ": an attempt to read a file with a different structure could result in program "
        "hanging, data corruption or data loss";

    static constexpr const char* kDuplicateLine =
        "Multiple comments on the same line are not allowed !";
    static constexpr const char* kZeroLine = "Active comment lines numbers can not be zero !";
    static constexpr const char* kTooFewLines =
        "The number of comments selected is not sufficient to fit all the comments. Disable "
        "some comments or add more lines..";
    static constexpr const char* kSaveAsDefaultQuestion =
        "Are you sure you want this configuration to be loaded by default at startup ?";
    static constexpr const char* kExtensionTooLong =
        "Please enter a file name extension of no more than 3 characters.";

    // What the widgets show: texts for the edits, states for the check boxes.
    struct Fields {
        std::string total;
        std::array<bool, FileStructure::kKinds> enabled{};
        std::array<std::string, FileStructure::kKinds> lines;
        std::string freecomment1;
        std::string freecomment2;
        std::string extension;
    };

    CFilestrdlg(CRegistersetup& setup, Prompter& prompter);

    // Loads the fields from the block and keeps a copy of it.
    void OnInitDialog();
    Fields& fields() { return fields_; }
    const Fields& fields() const { return fields_; }

    // Each returns true when the dialog closes.
    bool OnOK();
    bool OnSaveAsDefault();
    void OnCancel();

    // The field a rule refused at the last OK or Save as default; 0 when none.
    int failedControl() const { return failedControl_; }

private:
    struct Numbers {
        std::uint16_t total = 0;
        std::array<std::uint16_t, FileStructure::kKinds> lines{};
        std::string freecomment1, freecomment2, extension;
    };
    std::optional<Numbers> readFields();
    bool apply(const Numbers& numbers);
    FileStructure& block() { return setup_.values().fileStructure; }

    CRegistersetup& setup_;
    Prompter& prompter_;
    Fields fields_;
    FileStructure saved_;
    int failedControl_ = 0;
};
