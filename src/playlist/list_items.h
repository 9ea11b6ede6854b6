#pragma once
// The entries a playlist names, read from its text: the one reading of PLS and M3U that list
// files on disk and station lists served over the network share.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace korvo {

class PlsSection;

struct ListItem {
    std::string target;        // the path or URL as the list gives it, in UTF-8
    bool hasTitle = false;     // the list describes the entry: its title (may be empty)
    std::string title;
    bool hasSeconds = false;   // and its length
    int32_t seconds = -1;
    bool overlong = false;     // an M3U line longer than any path: target is cut
};

// The entries of a PLS "playlist" section in number order, names in UTF-8 (an older list in
// Latin-1 converted). 0 when the section gives no count.
int plsItems(const PlsSection& pls, std::vector<ListItem>& items);

// M3U, one line at a time (UTF-8, without its line break): "#EXTINF" describes the next entry,
// other "#" lines and blank ones are no entries.
class M3uItems {
public:
    void line(const char* text, bool overlong);
    std::vector<ListItem> items;

private:
    bool pending_ = false;
    int32_t seconds_ = -1;
    std::string title_;
};

// Station lists as servers send them: PLS when the text begins with its "[playlist]" section,
// else M3U (UTF-8 when valid, else Latin-1).
void listItemsFromText(const char* text, size_t size, std::vector<ListItem>& items);

} // namespace korvo
