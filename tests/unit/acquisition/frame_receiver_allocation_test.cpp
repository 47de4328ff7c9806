#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "acquisition/frame_receiver.h"
#include "scripted_line.h"
#include "scripted_prompter.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
    }
    if (void* p = std::malloc(size ? size : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// Counts allocations between the first and the last complete frame.
class CountingListener : public ReceiverListener {
public:
    void channelsChanged(std::uint16_t) override {}
    void scanReady(const InstrumentState&) override {
        if (++ready == 1) {
            allocations = 0;
            counting = true;
        }
    }
    void scanRejected() override {}
    void x10Changed(bool) override {}
    void alt16Changed(bool) override {}
    void alignmentChanged(bool) override {}
    int ready = 0;
};

}  // namespace

TEST(FrameReceiverAllocation, DecodingAllocatesNothingPerFrame) {
    ScriptedLine line;
    line.signalPresent().filler(5).frame(WireFrame{256}.bytes());
    for (unsigned channels : {256u, 256u, 512u, 512u, 300u, 1024u, 256u, 1024u}) {
        WireFrame f{channels};
        f.shutter = [](unsigned i) { return static_cast<int>(i & 1); };
        line.filler(10).frame(f.bytes(), 0.7);
    }
    InstrumentState state;
    state.prepare(256, 4);
    CountingListener listener;
    ReceiverControls controls;
    ScriptedPrompter noBoxes;

    // Stop counting before the timeout's exception is built.
    struct StopCounting : ByteSource {
        explicit StopCounting(ScriptedLine& l) : line(l) {}
        std::optional<std::uint8_t> readByte() override {
            auto b = line.readByte();
            if (!b) {
                counting = false;
            }
            return b;
        }
        ScriptedLine& line;
    } source(line);
    FrameReceiver counted(source, line, state, listener, controls);
    EXPECT_EQ(counted.run(TimingStrategy::HighResolution, noBoxes), ReceiverEnd::Timeout);
    counting = false;
    EXPECT_EQ(listener.ready, 7);
    EXPECT_EQ(allocations, 0);
}
