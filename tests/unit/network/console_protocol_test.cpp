#include <gtest/gtest.h>

#include <string>

#include "network/address_filter.h"
#include "network/console_commands.h"
#include "network/console_line.h"

namespace {

using C = ConsoleCommand;

struct RecognitionCase {
    const char* line;
    bool dataMode;
    ConsoleCommand expected;
};

TEST(ConsoleRecognition, OrderAndLetterCase) {
    const RecognitionCase cases[] = {
        {"\r\n", false, C::EmptyLine},
        {"HELP\r\n", false, C::Help},
        {"help\r\n", false, C::Help},
        {"Help\r\n", false, C::Help},
        {"hElP\r\n", false, C::Help},
        {"help \r\n", false, C::NotRecognised},
        {"help\n", false, C::NotRecognised},
        {"Start 10\r\n", false, C::NotRecognised},
        {"start 10\r\n", false, C::Start},
        {"START\r\n", false, C::Start},
        {"startle\r\n", false, C::Start},
        {"stop\r\n", false, C::Stop},
        {"STOP\r\n", true, C::Stop},
        {"Chat \"x\"\r\n", false, C::NotRecognised},
        {"chat\r\n", true, C::Chat},
        {"CHATTER\r\n", false, C::Chat},
        {"Close\r\n", true, C::Close},
        {"DELETE\r\n", false, C::Delete},
        {"Override\r\n", true, C::Override},
        {"OBSERVE\r\n", false, C::Observe},
        {"restore\r\n", false, C::Restore},
        // SAVERAW needs more than 9 characters; a short one falls through to SAVE.
        {"SAVERAW x\r\n", false, C::SaveRaw},
        {"SAVERAW\r\n", false, C::Save},
        {"saveraw\r\n", false, C::Save},
        {"Saveraw xy\r\n", false, C::NotRecognised},
        {"save a\r\n", false, C::Save},
        {"save\r\n", false, C::NotRecognised},
        {"SAVE \r\n", false, C::Save},
        {"set show_current\r\n", false, C::SetShowCurrent},
        {"SET SHOW_CURRENT\r\n", true, C::SetShowCurrent},
        {"SET show_Current\r\n", false, C::SetShowCurrent},
        {"Set show_current\r\n", false, C::NotRecognised},
        {"wdir\r\n", false, C::Wdir},
        {"WDIR ..\r\n", true, C::Wdir},
        {"text\r\n", true, C::Text},
        {"TEXT\r\n", false, C::NotRecognised},
        {"s\r\n", true, C::DataRecord},
        {"S\r\n", true, C::DataRecord},
        {"s\r\n", false, C::NotRecognised},
        {"help\r\n", true, C::NotRecognised},
        {"status\r\n", true, C::NotRecognised},
        {"data\r\n", false, C::Data},
        {"data\r\n", true, C::NotRecognised},
        {"Status\r\n", false, C::Status},
        {"SET256\r\n", false, C::Set256},
        {"set512\r\n", false, C::Set512},
        {"Set1024\r\n", false, C::Set1024},
        {"set2048\r\n", false, C::NotRecognised},
        {"GET_DATA\r\n", false, C::GetData},
        {"get_realtime\r\n", false, C::GetRealtime},
        {"Get_Shutter\r\n", false, C::GetShutter},
        {"get_shutter\r\n", true, C::NotRecognised},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(recogniseConsoleLine(c.line, c.dataMode), c.expected)
            << "line \"" << c.line << "\" data mode " << c.dataMode;
    }
}

TEST(ConsoleRecognition, Arguments) {
    EXPECT_EQ(startCycles("start 20\r\n"), 20);
    EXPECT_EQ(startCycles("START    7 cycles\r\n"), 7);
    EXPECT_EQ(startCycles("start -3\r\n"), -3);
    EXPECT_EQ(startCycles("start many\r\n"), std::nullopt);
    // Only the first 40 characters are read.
    EXPECT_EQ(startCycles("start" + std::string(34, ' ') + "5\r\n"), 5);
    EXPECT_EQ(startCycles("start" + std::string(35, ' ') + "5\r\n"), std::nullopt);

    EXPECT_EQ(saveFileName("save run1.dat\r\n"), "run1.dat");
    EXPECT_EQ(saveFileName("SAVERAW  a b\r\n"), "a");
    EXPECT_EQ(saveFileName("SAVE \r\n"), std::nullopt);
    EXPECT_EQ(saveFileName("save " + std::string(60, 'x') + "\r\n"), std::string(55, 'x'));

    EXPECT_EQ(chatMessage("CHAT \"hello\"\r\n"), "hello");
    EXPECT_EQ(chatMessage("chat \"open\r\n"), "");  // no second quote: empty
    EXPECT_EQ(chatMessage("chat hello\r\n"), std::nullopt);
    EXPECT_EQ(chatMessage("chat \"" + std::string(100, 'y') + "\"\r\n"), std::string(80, 'y'));

    EXPECT_EQ(wdirArgument("WDIR ..\r\n"), "..");
    EXPECT_EQ(wdirArgument("wdir my dir \r\n"), "my dir ");
    EXPECT_EQ(wdirArgument("wdir\t..\r\n"), std::nullopt);
}

std::vector<std::string> linesOf(LineAssembler& a) {
    std::vector<std::string> lines;
    while (auto line = a.nextLine()) {
        lines.push_back(*line);
    }
    return lines;
}

TEST(ConsoleLineAssembly, LinesAcrossReadsAndNul) {
    LineAssembler a;
    a.append("STA");
    EXPECT_TRUE(linesOf(a).empty());
    a.append(std::string("TUS\r\nhe\0lp\r\n\r", 13));
    EXPECT_EQ(linesOf(a), (std::vector<std::string>{"STATUS\r\n", "help\r\n"}));
    a.append("\nx");
    EXPECT_EQ(linesOf(a), (std::vector<std::string>{"\r\n"}));
    EXPECT_EQ(a.pending(), 1u);
}

TEST(ConsoleLineAssembly, OverlongLineIsDiscardedUpToItsEnd) {
    LineAssembler a;
    a.append("help\r\n");
    a.append(std::string(LineAssembler::kMaxPendingText, 'x'));
    EXPECT_EQ(linesOf(a), (std::vector<std::string>{"help\r\n"}));
    EXPECT_EQ(a.pending(), LineAssembler::kMaxPendingText);
    a.append("y\r");  // over the limit: the whole line goes, its end included
    EXPECT_TRUE(a.discarding());
    EXPECT_EQ(a.pending(), 0u);
    for (int i = 0; i < 100; ++i) {
        a.append(std::string(1000, 'z'));
    }
    EXPECT_EQ(a.pending(), 0u);
    a.append("\r\nstatus\r\n");
    EXPECT_EQ(linesOf(a), (std::vector<std::string>{"status\r\n"}));
    EXPECT_FALSE(a.discarding());
}

TEST(ConsoleLineAssembly, SplitLineEndWhileDiscarding) {
    LineAssembler a;
    a.append(std::string(5000, 'x') + "\r");
    a.append("\nhelp\r\n");
    EXPECT_EQ(linesOf(a), (std::vector<std::string>{"help\r\n"}));
}

TEST(AddressFilter, Masks) {
    const std::array<std::uint16_t, 4> open{255, 255, 255, 255};
    const std::array<std::uint16_t, 4> first192{192, 255, 255, 255};
    struct Case {
        const char* address;
        std::array<std::uint16_t, 4> masks;
        bool passes;
    };
    const Case cases[] = {
        {"127.0.0.1", open, true},
        {"0.0.0.0", open, true},
        {"10.1.2.3", first192, false},
        {"65.1.2.3", first192, true},
        {"0.1.2.3", first192, true},
        {"10.1.2.3", {0, 0, 0, 0}, true},
        {"10.1.2.3", {255, 255, 4, 255}, false},
        {"10.1.6.3", {255, 255, 4, 255}, true},
        {"", open, false},
        {"1.2.3", open, false},
        {"::1", open, false},
        {"1.2.3.4x", open, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddressPasses(c.address, c.masks), c.passes) << c.address;
    }
}

}  // namespace
