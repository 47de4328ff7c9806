#pragma once

#include <deque>
#include <mutex>
#include <string>

#include "core/prompter.h"

// Expects message boxes in order with exact texts and captions and answers them as scripted.
// Any box that was not expected fails the running test; so does an expectation left unmet.
class ScriptedPrompter : public Prompter {
public:
    struct Expected {
        std::string text;
        std::string caption;
        PromptAnswer answer;
    };

    ~ScriptedPrompter() override;

    ScriptedPrompter& expect(std::string text, PromptAnswer answer = PromptAnswer::Ok,
                             std::string caption = kDefaultCaption);

    PromptAnswer ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptIcon icon) override;

    bool done() const;
    int asked() const;
    const std::string& lastText() const { return lastText_; }
    PromptButtons lastButtons() const { return lastButtons_; }
    PromptIcon lastIcon() const { return lastIcon_; }

private:
    mutable std::mutex mutex_;
    std::deque<Expected> script_;
    int asked_ = 0;
    std::string lastText_;
    PromptButtons lastButtons_ = PromptButtons::Ok;
    PromptIcon lastIcon_ = PromptIcon::None;
};
