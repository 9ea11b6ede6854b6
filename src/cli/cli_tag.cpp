// korvo tag FILE [--title T] [--artist A] [--album A] [--year Y] [--comment C] | --wipe
#include <cstdio>
#include <cstring>

#include "commands.h"
#include "platform/file.h"
#include "playlist/id3v1.h"
#include "playlist/id3v2.h"
#include "playlist/text_encoding.h"

namespace {

struct FieldOption {
    const char* option;
    const char* label;
    char* (*field)(korvo::Id3v1Tag&);
    size_t capacity;
    const char* value = nullptr;
};

namespace T = korvo::cli_texts;

void printTag(const char* path, const korvo::Id3v1Tag& t) {
    if (!t.present) {
        std::printf(T::kNoId3v1Tag, path);
        return;
    }
    // The trailer's fields are Latin-1.
    char f[5][3 * sizeof t.title];
    const char* fields[5] = {t.title, t.artist, t.album, t.year, t.comment};
    for (int i = 0; i < 5; ++i) korvo::latin1ToUtf8(fields[i], sizeof t.title, f[i], sizeof f[i]);
    std::printf(T::kId3v1Fields, f[0], f[1], f[2], f[3], f[4], t.genreName, t.genreByte);
}

void printId3v2(const char* path, const korvo::Id3v2Names& names) {
    if (!names.present)
        std::printf(T::kNoId3v2Names, path);
    else
        std::printf(T::kId3v2Fields, names.title, names.artist);
}

int usage() {
    std::fprintf(stderr,
                 "usage: korvo tag FILE\n"
                 "       korvo tag FILE [--title T] [--artist A] [--album A] [--year Y] [--comment C]\n"
                 "       korvo tag FILE --wipe\n");
    return 2;
}

int runTag(int argc, char** argv) {
    if (argc < 2) return usage();
    const char* path = argv[1];
    FieldOption fields[] = {
        {"--title", "title", [](korvo::Id3v1Tag& t) { return t.title; }, sizeof korvo::Id3v1Tag{}.title},
        {"--artist", "artist", [](korvo::Id3v1Tag& t) { return t.artist; }, sizeof korvo::Id3v1Tag{}.artist},
        {"--album", "album", [](korvo::Id3v1Tag& t) { return t.album; }, sizeof korvo::Id3v1Tag{}.album},
        {"--year", "year", [](korvo::Id3v1Tag& t) { return t.year; }, sizeof korvo::Id3v1Tag{}.year},
        {"--comment", "comment", [](korvo::Id3v1Tag& t) { return t.comment; }, sizeof korvo::Id3v1Tag{}.comment},
    };
    bool wipe = false, change = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--wipe")) {
            wipe = true;
            continue;
        }
        bool known = false;
        for (auto& f : fields)
            if (!std::strcmp(argv[i], f.option)) {
                if (i + 1 >= argc) return usage();
                f.value = argv[++i];
                known = change = true;
            }
        if (!known) return usage();
    }
    if (wipe && change) return usage();

    korvo::File file;
    if (!wipe && !change) {
        if (!file.open(path, korvo::File::ReadShared)) {
            std::fprintf(stderr, "korvo tag: cannot open %s\n", path);
            return 1;
        }
        korvo::Id3v1Tag tag;
        korvo::readTag(file, tag);
        printTag(path, tag);
        korvo::Id3v2Names names;
        korvo::readId3v2Names(file, names);
        printId3v2(path, names);
        return 0;
    }
    if (!file.open(path, korvo::File::ReadWrite)) {
        std::fprintf(stderr, "korvo tag: cannot open %s for writing\n", path);
        return 1;
    }
    if (wipe) {
        korvo::wipeTag(file);
        return 0;
    }
    korvo::Id3v1Tag tag;   // a file without a tag starts from empty fields and genre 0
    korvo::readTag(file, tag);
    for (auto& f : fields) {
        if (!f.value) continue;
        if (std::strlen(f.value) > f.capacity - 1)
            std::fprintf(stderr, "korvo tag: %s cut to %zu characters\n", f.label, f.capacity - 1);
        korvo::utf8ToLatin1(f.value, f.field(tag), f.capacity);   // as it printed them
    }
    if (!korvo::writeTag(file, tag)) {
        std::fprintf(stderr, "korvo tag: writing the tag into %s failed\n", path);
        return 1;
    }
    return 0;
}

korvo::cli::Registrar reg({"tag", "tag FILE [--title T] [--artist A] [--album A] [--year Y] [--comment C] | --wipe",
                           &runTag});

} // namespace
