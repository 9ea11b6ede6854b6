#pragma once
// Message boxes and yes/no questions. The Windows program shows them as message boxes
// owned by its main window, korvo on the terminal, and tests script the answers.

namespace korvo {

enum PromptIcon { IconNone = 0, IconInfo, IconWarning, IconError };

class Prompt {
public:
    virtual ~Prompt() = default;
    virtual void show(const char* text, const char* title, PromptIcon icon) = 0;
    // 1 for yes, 0 for no.
    virtual int askYesNo(const char* text, const char* title, PromptIcon icon) = 0;
};

// The process-wide prompt, or the calling thread's own where it set one. The default
// writes to stderr and answers no.
Prompt& prompt();
void setPrompt(Prompt* p);    // nullptr restores the default
// A prompt for the calling thread only (the decoder thread hands its messages to the user
// interface thread instead of blocking in a box of its own); nullptr removes it.
void setThreadPrompt(Prompt* p);

} // namespace korvo
