#pragma once
// One section of a PLS file, read in a single pass and looked up by the rules of the Windows
// profile functions (GetPrivateProfileStringA, GetPrivateProfileIntA), through which PLS files
// are meant to be read: the first section of the name counts, names match without regard to
// case, the first of repeated keys wins, blanks around names and values are dropped, and a value
// in matching quotes loses them. Asking the profile functions once per key would read the whole
// file again for every entry.
#include <cstddef>
#include <string>
#include <vector>

namespace korvo {

class File;

class PlsSection {
public:
    // Larger files are not taken for playlists.
    static constexpr size_t kMaxFileSize = size_t(16) << 20;

    struct Key {
        std::string name;     // without surrounding blanks
        std::string value;    // as in the file, without surrounding blanks
        bool hasValue = false;   // false for a line without "="
    };

    // Reads the first section of that name from the file; a file without it reads as an empty
    // section. 0 when the file cannot be read or is too large.
    int read(const char* path, const char* section);
    void parse(const char* text, size_t size, const char* section);
    // The whole of a file just opened into text; 0 when it cannot be read or is too large.
    static int readText(File& file, std::string& text);

    // The section's keys in file order, repeated names included.
    const std::vector<Key>& keys() const { return keys_; }

    // The key's value as the profile functions hand it over into outSize bytes (empty when the
    // key is missing or has no "="); returns its length.
    int getString(const char* key, char* out, size_t outSize) const;
    // The value's leading number as the profile functions read it; def when missing or empty.
    int getInt(const char* key, int def) const;
    // One key's value as getString gives it.
    static int valueOf(const Key& key, char* out, size_t outSize);

private:
    const Key* find(const char* key) const;
    std::vector<Key> keys_;
};

} // namespace korvo

namespace korvo {

// The text of the INI file at path once key=value pairs are written into a section, as the same
// calls of profileWriteString one by one would leave it: keys already in the section's first
// occurrence are updated in place, new ones follow the section's last non-blank line in the
// order given, a missing section is added at the end, every other line stays as it was, and
// values lose their leading blanks. A missing file counts as empty. 0 when the file cannot be read.
struct ProfileKey {
    std::string name;
    std::string value;
};
int profileTextWithKeys(const char* section, const std::vector<ProfileKey>& keys, const char* path, std::string& text);

} // namespace korvo
