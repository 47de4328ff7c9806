#include "scripted_prompter.h"

#include <gtest/gtest.h>

ScriptedPrompter::~ScriptedPrompter() {
    std::lock_guard lock(mutex_);
    for (const auto& e : script_) {
        ADD_FAILURE() << "message box never shown: \"" << e.text << "\"";
    }
}

ScriptedPrompter& ScriptedPrompter::expect(std::string text, PromptAnswer answer,
                                           std::string caption) {
    std::lock_guard lock(mutex_);
    script_.push_back({std::move(text), std::move(caption), answer});
    return *this;
}

PromptAnswer ScriptedPrompter::ask(const std::string& text, const std::string& caption,
                                   PromptButtons buttons, PromptIcon icon) {
    std::lock_guard lock(mutex_);
    ++asked_;
    lastText_ = text;
    lastButtons_ = buttons;
    lastIcon_ = icon;
    if (script_.empty()) {
        ADD_FAILURE() << "unexpected message box: \"" << text << "\" (caption \"" << caption
                      << "\")";
        return buttons == PromptButtons::YesNo ? PromptAnswer::No : PromptAnswer::Cancel;
    }
    Expected e = script_.front();
    script_.pop_front();
    EXPECT_EQ(e.text, text);
    EXPECT_EQ(e.caption, caption);
    return e.answer;
}

bool ScriptedPrompter::done() const {
    std::lock_guard lock(mutex_);
    return script_.empty();
}

int ScriptedPrompter::asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
}
