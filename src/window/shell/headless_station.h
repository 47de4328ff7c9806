#pragma once

#include <memory>

#include "core/prompter.h"
#include "shell/register_setup.h"
#include "window/spectrum_window.h"

// The station without a display: the same window logic on Qt Core, its boxes answered by the
// prompter, the console server as the way in. Network support counts as on for this run only.
// SIGINT and SIGTERM run the window's normal exit (a running acquisition or observation is
// stopped first, as the operator would). Returns the event loop's exit code; the window's
// endedOk() tells whether the normal exit ran.
class HeadlessStation {
public:
    HeadlessStation(CRegistersetup& setup, Prompter& prompter, WindowContext context);
    ~HeadlessStation();
    int run();
    bool endedOk() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};
