// korvo tag FILE [--title T] [--artist A] [--album A] [--year Y] [--comment C] | --wipe
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "platform/file.h"
#include "playlist/id3v1.h"

namespace {

struct FieldOption {
    const char* option;
    const char* label;
    char* (*field)(korvo::Id3v1Tag&);
    size_t capacity;
    std::string value;
    CLI::Option* parsed = nullptr;
};

struct TagJob {
    std::string path;
    bool wipe = false;
    FieldOption fields[5] = {
        {"--title", "title", [](korvo::Id3v1Tag& t) { return t.title; }, sizeof korvo::Id3v1Tag{}.title, {}, nullptr},
        {"--artist", "artist", [](korvo::Id3v1Tag& t) { return t.artist; }, sizeof korvo::Id3v1Tag{}.artist, {}, nullptr},
        {"--album", "album", [](korvo::Id3v1Tag& t) { return t.album; }, sizeof korvo::Id3v1Tag{}.album, {}, nullptr},
        {"--year", "year", [](korvo::Id3v1Tag& t) { return t.year; }, sizeof korvo::Id3v1Tag{}.year, {}, nullptr},
        {"--comment", "comment", [](korvo::Id3v1Tag& t) { return t.comment; }, sizeof korvo::Id3v1Tag{}.comment, {}, nullptr},
    };
};
TagJob job;

void define(CLI::App& c) {
    c.add_option("FILE", job.path, "the audio file; without options its tag is shown")->required();
    CLI::Option* wipe = c.add_flag("--wipe", job.wipe, "remove the tag");
    for (FieldOption& f : job.fields) {
        std::string help = std::string("write the ") + f.label + " (longer texts are cut)";
        f.parsed = c.add_option(f.option, f.value, help)->excludes(wipe)->type_name("TEXT");
    }
}

void printTag(const char* path, const korvo::Id3v1Tag& t) {
    if (!t.present) {
        std::printf("%s: no ID3v1 tag\n", path);
        return;
    }
    std::printf("Title:   %s\nArtist:  %s\nAlbum:   %s\nYear:    %s\nComment: %s\nGenre:   %s (%d)\n", t.title,
                t.artist, t.album, t.year, t.comment, t.genreName, t.genreByte);
}

int runTag() {
    const char* path = job.path.c_str();
    bool change = false;
    for (const FieldOption& f : job.fields) change = change || f.parsed->count() > 0;
    const bool wipe = job.wipe;

    korvo::File file;
    if (!wipe && !change) {
        if (!file.open(path, korvo::File::ReadShared)) {
            std::fprintf(stderr, "korvo tag: cannot open %s\n", path);
            return 1;
        }
        korvo::Id3v1Tag tag;
        korvo::readTag(file, tag);
        printTag(path, tag);
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
    for (auto& f : job.fields) {
        if (f.parsed->count() == 0) continue;
        if (f.value.size() > f.capacity - 1)
            std::fprintf(stderr, "korvo tag: %s cut to %zu characters\n", f.label, f.capacity - 1);
        char* dst = f.field(tag);
        std::strncpy(dst, f.value.c_str(), f.capacity - 1);
        dst[f.capacity - 1] = 0;
    }
    if (!korvo::writeTag(file, tag)) {
        std::fprintf(stderr, "korvo tag: writing the tag into %s failed\n", path);
        return 1;
    }
    return 0;
}

korvo::cli::Registrar reg({"tag", "reads, writes or removes the ID3v1 tag of a file", &define, &runTag});

} // namespace
