#pragma once
// Helpers shared by the playlist tests.
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/file.h"
#include "platform/prompt.h"
#include "playlist/playlist.h"
#include "test_support.h"

namespace korvo::test {

inline std::string joinNative(const std::string& folder, const std::string& name) {
    return folder + kPathSeparator + name;
}

inline void writeFileText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

inline std::string readFileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string formatted(const char* format, const std::string& arg) {
    char text[1200];
    std::snprintf(text, sizeof text, format, arg.c_str());
    return text;
}

// Collects every box instead of showing it; handed to what would show one.
class RecordingPrompt : public Prompt {
public:
    struct Box {
        std::string text, title;
        PromptIcon icon;
    };
    void show(const char* text, const char* title, PromptIcon icon) override { boxes.push_back({text, title, icon}); }
    int askYesNo(const char*, const char*, PromptIcon) override { return 0; }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& b : boxes) t.push_back(b.text);
        return t;
    }
    std::vector<Box> boxes;
};

// Hands a prompt to a list for one scope: a test that stops early must not leave the list
// holding a prompt that is gone.
class PromptFor {
public:
    PromptFor(Playlist& list, Prompt* prompt) : list_(list) { list_.setPrompt(prompt); }
    ~PromptFor() { list_.setPrompt(nullptr); }
    PromptFor(const PromptFor&) = delete;
    PromptFor& operator=(const PromptFor&) = delete;

private:
    Playlist& list_;
};

inline std::vector<std::string> pathsOf(const Playlist& list) {
    std::vector<std::string> paths;
    for (const PlaylistEntry* e = list.head(); e; e = e->next) paths.push_back(e->path);
    return paths;
}

} // namespace korvo::test
