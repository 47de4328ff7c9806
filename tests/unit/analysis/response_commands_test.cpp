#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/response_commands.h"
#include "scripted_prompter.h"
#include "spectrum/kavro_spectrum.h"

namespace {

const std::string kCentring =
    "%d points saved as convolution base.\nThey can now be used for convoluted fitting.\nDo you "
    "want the curve to be automatically centered ?";

std::string Centring(int points) {
    std::string text = kCentring;
    text.replace(text.find("%d"), 2, std::to_string(points));
    return text;
}

class FakeFileDialog : public ResponseFileDialog {
public:
    std::deque<std::optional<std::string>> answers;
    std::vector<std::string> titles, filters, extensions;

    std::optional<std::string> GetOpenFileName(const std::string& title,
                                               const std::string& filter) override {
        titles.push_back(title);
        filters.push_back(filter);
        return next();
    }
    std::optional<std::string> GetSaveFileName(const std::string& title, const std::string& filter,
                                               const std::string& extension) override {
        titles.push_back(title);
        filters.push_back(filter);
        extensions.push_back(extension);
        return next();
    }

private:
    std::optional<std::string> next() {
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

class ResponseCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() /
            ("kavro_response_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        spectrum_.SetChannels(1024);
        spectrum_.scanAmplitude = 30;
        for (int c = 0; c < 1024; ++c) {
            spectrum_.counts[static_cast<std::size_t>(c)] = static_cast<std::uint32_t>(c % 50);
        }
        commands_.SetHandOver([this](const CInstrumentalResponseFunction& r) {
            handedOver_.push_back(r.GetCount());
        });
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string File(const std::string& name, const std::string& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path dir_;
    ScriptedPrompter prompter_;
    FakeFileDialog dialog_;
    ResponseCommands commands_{prompter_, dialog_};
    CKavroSpectrum spectrum_;
    std::vector<int> handedOver_;
};

}  // namespace

TEST_F(ResponseCommandsTest, SelectTakesTheMarkedChannelsAndAsksForCentring) {
    EXPECT_EQ(commands_.SelectText(true), "Select instrumental response");
    EXPECT_FALSE(commands_.SelectEnabled(true, false));
    prompter_.expect(Centring(11), PromptAnswer::No);
    commands_.Select(spectrum_, true, 520, 510);
    EXPECT_EQ(prompter_.lastIcon(), PromptIcon::Question);
    EXPECT_EQ(prompter_.lastButtons(), PromptButtons::YesNo);
    ASSERT_TRUE(commands_.IsPresent());
    const CInstrumentalResponseFunction& r = commands_.Response();
    ASSERT_EQ(r.GetCount(), 11);
    EXPECT_DOUBLE_EQ(r[0].x, spectrum_.ChannelFrequency(510));
    EXPECT_EQ(r[0].value, 510 % 50);
    EXPECT_EQ(r[10].value, 520 % 50);
    EXPECT_DOUBLE_EQ(r.sampleStep, 30.0 / 1023);
    EXPECT_EQ(r.centreOnMaximum, 0);
    EXPECT_EQ(handedOver_, std::vector<int>{11});

    EXPECT_TRUE(commands_.SelectChecked());
    EXPECT_EQ(commands_.SelectText(true), "Replace instrumental response");
    EXPECT_EQ(commands_.SelectText(false), "Discard instrumental response");
    EXPECT_TRUE(commands_.SelectEnabled(true, false));
    EXPECT_FALSE(commands_.SelectEnabled(false, true));
    EXPECT_TRUE(commands_.SaveEnabled(true));

    commands_.Select(spectrum_, false, 0, 0);  // discard
    EXPECT_FALSE(commands_.IsPresent());
    EXPECT_EQ(commands_.Response().GetCount(), 0);
    EXPECT_FALSE(commands_.SaveEnabled(true));
    EXPECT_EQ(handedOver_, (std::vector<int>{11, 0})) << "the worker's copy is emptied too";
}

TEST_F(ResponseCommandsTest, SelectRefusesMarkersOnOneChannel) {
    prompter_.expect(Centring(3), PromptAnswer::Yes);
    commands_.Select(spectrum_, true, 10, 12);
    prompter_.expect("Markers are both on the same channel, please position them correctly.");
    commands_.Select(spectrum_, true, 40, 40);
    EXPECT_EQ(prompter_.lastIcon(), PromptIcon::Stop);
    EXPECT_EQ(commands_.Response().GetCount(), 3) << "the response stays";
    EXPECT_EQ(commands_.Response().centreOnMaximum, 1);
}

TEST_F(ResponseCommandsTest, LoadChecksTheDeclaredCount) {
    dialog_.answers = {File("two", "2\n0 1\n0.1 2\n"),
                       File("three", "3\n-0.1 4\n0 9\n0.1 5\n"),
                       File("short", "10\n0 1\n0.1 2\n0.2 3\n0.3 4\n0.4 5\n0.5 6\n"),
                       File("one", "5\n0 1\n"),
                       std::nullopt,
                       (dir_ / "missing").string()};

    prompter_.expect(
        "It is impossible to perform convolution on less than 3 points. Operation aborted.");
    commands_.Load();
    EXPECT_EQ(prompter_.lastIcon(), PromptIcon::Stop);
    EXPECT_FALSE(commands_.IsPresent());
    EXPECT_TRUE(handedOver_.empty());

    prompter_.expect(Centring(3), PromptAnswer::Yes);
    commands_.Load();
    EXPECT_TRUE(commands_.IsPresent());
    EXPECT_DOUBLE_EQ(commands_.Response().sampleStep, 0.1);

    prompter_.expect(
        "Inconsistent number of points in the convolution file. Expected 10 samples, please "
        "check!");
    prompter_.expect(Centring(6), PromptAnswer::No);
    commands_.Load();
    EXPECT_EQ(commands_.Response().GetCount(), 6);
    EXPECT_EQ(handedOver_, (std::vector<int>{3, 6}));

    // One readable sample gives no step: refused after the message.
    prompter_.expect(
        "Inconsistent number of points in the convolution file. Expected 5 samples, please "
        "check!");
    commands_.Load();
    EXPECT_FALSE(commands_.IsPresent());
    EXPECT_EQ(commands_.Response().GetCount(), 0);

    dialog_.answers.push_front(File("again", "10\n0 1\n0.1 2\n0.2 3\n0.3 4\n0.4 5\n0.5 6\n"));
    prompter_.expect(
        "Inconsistent number of points in the convolution file. Expected 10 samples, please "
        "check!");
    prompter_.expect(Centring(6), PromptAnswer::No);
    commands_.Load();
    commands_.Load();  // cancelled
    commands_.Load();  // cannot be opened
    EXPECT_EQ(commands_.Response().GetCount(), 6) << "unchanged by a cancel or a missing file";
    EXPECT_EQ(dialog_.titles.back(), "Load instrumental function from file");
    EXPECT_EQ(dialog_.filters.back(), "All files (*.*)|*.*||");
}

TEST_F(ResponseCommandsTest, SaveWritesTheFileFormat) {
    dialog_.answers = {File("in", "3\n-0.1 4\n0 10\n0.1 5\n"), (dir_ / "out.txt").string(),
                       std::nullopt};
    prompter_.expect(Centring(3), PromptAnswer::Yes);
    commands_.Load();
    std::ofstream(dir_ / "out.txt") << "old content";
    commands_.Save();
    EXPECT_EQ(Read((dir_ / "out.txt").string()),
              "3\r\n-0.100000 4\r\n0.000000 10\r\n0.100000 5\r\n");
    EXPECT_EQ(dialog_.titles.back(), "Save instrumental response function to file");
    EXPECT_EQ(dialog_.filters.back(), "Response function data (*.txt)|*.TXT|All files (*.*)|*.*||");
    EXPECT_EQ(dialog_.extensions.back(), "txt");
    commands_.Save();  // cancelled: nothing written
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.txt.tmp"));
}

TEST_F(ResponseCommandsTest, SaveFailureIsReported) {
    dialog_.answers = {File("in", "3\n-0.1 4\n0 10\n0.1 5\n"),
                       (dir_ / "no such folder" / "out.txt").string()};
    prompter_.expect(Centring(3), PromptAnswer::Yes);
    commands_.Load();
    prompter_.expect("Cannot write the instrumental response to " +
                     (dir_ / "no such folder" / "out.txt").string());
    commands_.Save();
}
