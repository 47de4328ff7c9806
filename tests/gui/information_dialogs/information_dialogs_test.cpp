#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "scripted_prompter.h"
#include "ui/information_dialogs.h"
#include "window/spectrum/measurement_information.h"

namespace {

using namespace info_ctl;

int argc = 1;
char arg0[] = "information_dialogs_test";
char* argv[] = {arg0, nullptr};

QApplication& app() {
    static QApplication* instance = new QApplication(argc, argv);  // outlives the tests
    return *instance;
}

CKavroSpectrum sample() {
    CKavroSpectrum s;
    s.SetChannels(512);
    s.sampleName = "fused silica";
    s.polarization = "HV";
    s.scanAmplitude = 20;
    s.mirrorSpacing = 3;
    s.setExtraComment2("second");
    return s;
}

template <typename W>
W* child(QWidget& parent, int id) {
    return parent.findChild<W*>(QString::number(id));
}

TEST(InformationDialogsTest, SummaryShowsEveryTextWhole) {
    app();
    const CKavroSpectrum s = sample();
    const SpectrumInformation info(s, 0);
    CInformation dialog(info, nullptr);
    dialog.show();
    for (const auto& [id, text] : info.texts) {
        QLabel* label = child<QLabel>(dialog, id);
        ASSERT_NE(label, nullptr) << id;
        EXPECT_EQ(label->text().toStdString(), text) << id;
        // Not cut: the label got at least the width its text needs.
        EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text())) << id;
    }
    EXPECT_EQ(dialog.windowTitle(), "Spectrum information");
}

TEST(InformationDialogsTest, EditorForwardsLockAndOkToThePresenter) {
    app();
    CKavroSpectrum s = sample();
    ScriptedPrompter prompter;
    MeasurementInformationEdit edit(s, true, 0, prompter);
    CEditcom dialog(edit, nullptr);
    dialog.show();
    QLineEdit* amplitude = dialog.field(kEditScanAmplitude);
    QPushButton* lock = child<QPushButton>(dialog, kCalibrationLock);
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(lock->text(), "Unlock calibration");
    EXPECT_FALSE(amplitude->isEnabled());
    EXPECT_EQ(dialog.field(kEditSampleName)->maxLength(), 40);
    EXPECT_EQ(dialog.field(kPolarization)->maxLength(), 2);
    EXPECT_EQ(child<QLabel>(dialog, kEditChannels)->text(), "Channels number : 512");

    prompter.expect(MeasurementInformationEdit::kUnlockQuestion, PromptAnswer::Yes);
    lock->click();
    EXPECT_EQ(lock->text(), "Set calibration");
    EXPECT_TRUE(amplitude->isEnabled());

    dialog.field(kEditMirrorSpacing)->setText("41");
    amplitude->setText("25");
    prompter.expect("Please enter a number between 0 and 40.");
    child<QPushButton>(dialog, 1)->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_DOUBLE_EQ(s.scanAmplitude, 20);

    dialog.field(kEditMirrorSpacing)->setText("4");
    child<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(s.mirrorSpacing, 4);
    EXPECT_DOUBLE_EQ(s.scanAmplitude, 25);
    EXPECT_FALSE(edit.locked());
    EXPECT_TRUE(prompter.done());
}

// Names and comments with °, µ, Å or ü are shown as such and stored as the same Latin-1
// bytes; a character the files cannot hold is not taken.
TEST(InformationDialogsTest, EightBitTextsShownAndStoredAsTheyAre) {
    app();
    CKavroSpectrum s = sample();
    s.sampleName =
        "Quarz \xFC"
        "ber 20\xB5m";
    s.setExtraComment1(std::string("T=20\xB0") + "C");
    const SpectrumInformation info(s, 0);
    CInformation summary(info, nullptr);
    EXPECT_EQ(child<QLabel>(summary, kSampleName)->text(), QString::fromUtf8("Quarz über 20µm"));
    EXPECT_EQ(child<QLabel>(summary, kExtraComment1)->text(), QString::fromUtf8("T=20°C"));

    ScriptedPrompter prompter;
    MeasurementInformationEdit edit(s, false, 0, prompter);
    CEditcom dialog(edit, nullptr);
    dialog.show();
    QLineEdit* comment = dialog.field(kExtraComment1);
    EXPECT_EQ(comment->text(), QString::fromUtf8("T=20°C"));
    comment->end(false);
    comment->insert(QString::fromUtf8(", 5 \u00C5, 3 \u20AC"));  // the euro sign is refused
    EXPECT_EQ(comment->text(), QString::fromUtf8("T=20°C"));
    comment->insert(QString::fromUtf8(", 5 \u00C5"));
    child<QPushButton>(dialog, 1)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(s.extraComment1(), std::string("T=20\xB0") + "C, 5 \xC5");
    EXPECT_EQ(s.sampleName,
              "Quarz \xFC"
              "ber 20\xB5m");
    EXPECT_TRUE(prompter.done());
}

}  // namespace
