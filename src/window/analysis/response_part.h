#pragma once

#include <memory>

#include "analysis/response_commands.h"

class CSpectrumwnd;
struct OperatingFlags;

// The window's instrumental response: Select / Replace / Discard, Load and Save.
class ResponsePart {
public:
    explicit ResponsePart(CSpectrumwnd& window);
    ~ResponsePart();

    void fillFlags(OperatingFlags& flags) const;
    ResponseCommands& commands() { return *commands_; }

private:
    class Dialogs;
    CSpectrumwnd& w_;
    std::unique_ptr<Dialogs> dialogs_;
    std::unique_ptr<ResponseCommands> commands_;
};
