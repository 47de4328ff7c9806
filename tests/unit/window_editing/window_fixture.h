#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <memory>

#include "core/profile_store.h"
#include "fake_file_dialogs.h"
#include "fake_spectrum_view.h"
#include "scripted_prompter.h"
#include "shell/register_setup.h"
#include "window/spectrum_window.h"

// A spectrum window on fakes: scripted message boxes and choosers, a recording view.
class WindowFixture : public ::testing::Test {
protected:
    WindowFixture() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char arg0[] = "window_editing_test";
            static char* argv[] = {arg0, nullptr};
            new QCoreApplication(argc, argv);  // shared by the binary's tests
        }
        setup.SetFailsafeDefaults();
        setup.values().show_splashscreen = 0;
        setup.values().show_summary = 0;
        w = std::make_unique<CSpectrumwnd>(setup, prompter, dialogs, view, WindowContext{});
        w->OnInitDialog();
        QCoreApplication::sendPostedEvents();
    }

    // Switches both markers on and moves them by clicks to the two channels.
    void placeMarkers(std::uint16_t first, std::uint16_t second) {
        w->plot().resize(2200, 300);  // more than a pixel per channel: every channel in reach
        view.setControlChecked(ctl::kMark1, true);
        view.setControlChecked(ctl::kMark2, true);
        w->OnCommand(ctl::kMark1);
        place(0, first);
        place(1, second);
    }

    MemoryProfileStore store;
    CRegistersetup setup{store, ProgramDirectories{}};
    ScriptedPrompter prompter;
    FakeFileDialogs dialogs;
    FakeSpectrumView view;
    std::unique_ptr<CSpectrumwnd> w;

private:
    void place(int marker, std::uint16_t channel) {
        for (int x = 0; x < w->plot().width(); ++x) {
            w->plot().click(marker, x, 100);
            const OperatingFlags f = w->flags();
            if ((marker == 0 ? f.marker1Channel : f.marker2Channel) == channel) {
                return;
            }
        }
        FAIL() << "no click reaches channel " << channel;
    }
};
