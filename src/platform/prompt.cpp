#include "platform/prompt.h"

#include <atomic>
#include <cstdio>

namespace korvo {

namespace {

// Without a window or a terminal nobody can answer, so every question gets "no".
class StderrPrompt : public Prompt {
public:
    void show(const char* text, const char* title, PromptIcon) override {
        std::fprintf(stderr, "%s: %s\n", title ? title : "", text ? text : "");
    }
    int askYesNo(const char* text, const char* title, PromptIcon icon) override {
        show(text, title, icon);
        return 0;
    }
};

StderrPrompt g_defaultPrompt;
std::atomic<Prompt*> g_prompt{nullptr};
thread_local Prompt* t_prompt = nullptr;

} // namespace

Prompt& prompt() {
    if (t_prompt) return *t_prompt;
    Prompt* p = g_prompt.load(std::memory_order_acquire);
    return p ? *p : g_defaultPrompt;
}

void setPrompt(Prompt* p) { g_prompt.store(p, std::memory_order_release); }

void setThreadPrompt(Prompt* p) { t_prompt = p; }

} // namespace korvo
