#include "window/spectrum/file_structure_dialog.h"

#include "window/field_rules.h"

namespace {
constexpr int kMaxLine = 20;
// A disabled kind is compared under a line no field can hold, so it never collides.
constexpr int kDisabledLine = 110;
}  // namespace

CFilestrdlg::CFilestrdlg(CRegistersetup& setup, Prompter& prompter)
    : setup_(setup), prompter_(prompter) {}

void CFilestrdlg::OnInitDialog() {
    const FileStructure& fs = block();
    fields_.total = std::to_string(fs.ncomlines);
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        fields_.enabled[k] = fs.enabled[k];
        fields_.lines[k] = std::to_string(fs.lines[k]);
    }
    fields_.freecomment1 = fs.freecomment1;
    fields_.freecomment2 = fs.freecomment2;
    fields_.extension = fs.defaultExt;
    saved_ = fs;
}

std::optional<CFilestrdlg::Numbers> CFilestrdlg::readFields() {
    FieldReader reader(prompter_);
    Numbers n;
    n.total = static_cast<std::uint16_t>(reader.integer(kTotal, fields_.total, 0, kMaxLine));
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        n.lines[k] = static_cast<std::uint16_t>(
            reader.integer(kKindControls[k].line, fields_.lines[k], 0, kMaxLine));
    }
    n.freecomment1 =
        reader.text(kFreeComment1Text, fields_.freecomment1, settings_limits::kFreeComment);
    n.freecomment2 =
        reader.text(kFreeComment2Text, fields_.freecomment2, settings_limits::kFreeComment);
    // The stored extension holds 3 characters; cutting it silently would save files under a
    // name the operator did not ask for.
    n.extension =
        reader.text(kExtension, fields_.extension, settings_limits::kDefaultExt, kExtensionTooLong);
    failedControl_ = reader.failedControl();
    if (!reader.ok()) {
        return std::nullopt;
    }
    return n;
}

bool CFilestrdlg::apply(const Numbers& n) {
    FileStructure& fs = block();
    fs.ncomlines = n.total;
    fs.enabled = fields_.enabled;
    fs.freecomment1 = fs.enabled[FileStructure::kFreeComment1] ? n.freecomment1 : " ";
    fs.freecomment2 = fs.enabled[FileStructure::kFreeComment2] ? n.freecomment2 : " ";
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        if (k <= FileStructure::kFreeComment2 || fs.enabled[k]) {
            fs.lines[k] = n.lines[k];
        }
    }

    bool valid = true;
    for (int k = 0; k < FileStructure::kKinds; ++k) {
        const int line = fs.enabled[k] ? fs.lines[k] : kDisabledLine;
        for (int j = k + 1; j < FileStructure::kKinds; ++j) {
            if (fs.enabled[j] && fs.lines[j] == line) {
                prompter_.tell(kDuplicateLine, PromptIcon::None);
                valid = false;
                break;
            }
        }
        if (fs.enabled[k] && fs.lines[k] == 0) {
            prompter_.tell(kZeroLine, PromptIcon::Stop);
            valid = false;
            break;
        }
    }

    int enabledKinds = 0;
    for (bool e : fs.enabled) {
        enabledKinds += e ? 1 : 0;
    }
    if (enabledKinds > fs.ncomlines) {
        prompter_.tell(kTooFewLines, PromptIcon::Stop);
        valid = false;
    }

    fs.defaultExt = n.extension;
    return valid;
}

bool CFilestrdlg::OnOK() {
    const auto numbers = readFields();
    if (!numbers) {
        return false;
    }
    if (!apply(*numbers)) {
        block() = saved_;
        return false;
    }
    return true;  // in force for this run; stored only by the next save of all settings
}

bool CFilestrdlg::OnSaveAsDefault() {
    const auto numbers = readFields();
    if (!numbers) {
        return false;
    }
    if (!prompter_.askYesNo(kSaveAsDefaultQuestion)) {
        return false;
    }
    if (!apply(*numbers)) {
        block() = saved_;
        return false;
    }
    setup_.SaveAll();
    return true;
}

void CFilestrdlg::OnCancel() {
    block() = saved_;
}
