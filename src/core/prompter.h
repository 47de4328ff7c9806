#pragma once

#include <string>

// Message boxes as the operator sees them. Every text a box shows goes through this, so tests
// can script the answers and check the exact wording.
enum class PromptButtons { Ok, OkCancel, YesNo };
enum class PromptIcon { None, Information, Question, Exclamation, Stop };
enum class PromptAnswer { Ok, Cancel, Yes, No };

inline constexpr const char* kDefaultCaption = "KAVRO";

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual PromptAnswer ask(const std::string& text, const std::string& caption,
                             PromptButtons buttons, PromptIcon icon) = 0;

    void tell(const std::string& text, PromptIcon icon = PromptIcon::Exclamation,
              const std::string& caption = kDefaultCaption) {
        ask(text, caption, PromptButtons::Ok, icon);
    }
    bool askYesNo(const std::string& text, PromptIcon icon = PromptIcon::Question,
                  const std::string& caption = kDefaultCaption) {
        return ask(text, caption, PromptButtons::YesNo, icon) == PromptAnswer::Yes;
    }
};
