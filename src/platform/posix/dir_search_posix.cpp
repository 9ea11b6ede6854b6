#include "platform/dir_search.h"

#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace korvo {

namespace {

struct SearchState {
    std::vector<DirEntry> matches;
    size_t next = 0;
};

std::string upperName(const std::string& s) {
    std::string u = s;
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

} // namespace

DirSearch::~DirSearch() { close(); }

int DirSearch::first(const char* pattern, DirEntry& entry) {
    close();
    if (!pattern || !*pattern) return 0;
    const char* slash = std::strrchr(pattern, '/');
    std::string folder = slash ? std::string(pattern, slash + 1) : std::string("./");
    const char* wildcard = slash ? slash + 1 : pattern;
    if (!*wildcard) return 0;

    DIR* d = opendir(folder.c_str());
    if (!d) return 0;
    auto* state = new SearchState;
    while (dirent* e = readdir(d)) {
        if (!wildcardMatch(wildcard, e->d_name)) continue;
        DirEntry m;
        m.name = e->d_name;
        m.hidden = m.name[0] == '.';
        struct stat st;
        if (stat((folder + m.name).c_str(), &st) == 0) m.directory = S_ISDIR(st.st_mode);
        state->matches.push_back(std::move(m));
    }
    closedir(d);
    // Same order on every run, like the sorted listing of an NTFS folder.
    std::sort(state->matches.begin(), state->matches.end(),
              [](const DirEntry& a, const DirEntry& b) { return upperName(a.name) < upperName(b.name); });
    impl_ = state;
    if (!next(entry)) {
        close();
        return 0;
    }
    return 1;
}

int DirSearch::next(DirEntry& entry) {
    auto* state = static_cast<SearchState*>(impl_);
    if (!state || state->next >= state->matches.size()) return 0;
    entry = state->matches[state->next++];
    return 1;
}

void DirSearch::close() {
    delete static_cast<SearchState*>(impl_);
    impl_ = nullptr;
}

int folderIdentity(const char* path, FolderIdentity& out) {
    struct stat st;
    if (!path || stat(path, &st) != 0) return 0;
    out.volume = uint64_t(st.st_dev);
    out.index = uint64_t(st.st_ino);
    return 1;
}

} // namespace korvo
