// korvo tag FILE [--title T] [--artist A] [--album A] [--year Y] [--comment C] | --wipe
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

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
        korvo::Id3v2Names names;
        korvo::readId3v2Names(file, names);
        printId3v2(path, names);
        return 0;
    }
    // A write past the file size limit then fails and is undone, instead of killing korvo
    // with part of a tag written.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!file.open(path, korvo::File::ReadWrite)) {
        std::fprintf(stderr, "korvo tag: cannot open %s for writing\n", path);
        return 1;
    }
    if (wipe) {
        if (korvo::wipeTag(file, &korvo::prompt())) return 0;
        std::fprintf(stderr, T::kTagWipeFailed, path);
        return 1;
    }
    korvo::Id3v1Tag tag;   // a file without a tag starts from empty fields and genre 0
    korvo::readTag(file, tag);
    for (auto& f : job.fields) {
        if (f.parsed->count() == 0) continue;
        korvo::Latin1Loss loss;
        korvo::utf8ToLatin1(f.value.c_str(), f.field(tag), f.capacity, &loss);   // as it printed them
        if (loss.cut) std::fprintf(stderr, T::kTagFieldCut, f.label, f.capacity - 1);
        if (loss.replaced) std::fprintf(stderr, T::kTagFieldReplaced, f.label, loss.replaced);
    }
    if (!korvo::writeTag(file, tag, &korvo::prompt())) {
        std::fprintf(stderr, T::kTagWriteFailed, path);
        return 1;
    }
    if (tag.track && !korvo::tagKeepsTrack(tag))
        std::fprintf(stderr, T::kTagTrackDropped, korvo::kTrackCommentChars, int(tag.track));
    return 0;
}

korvo::cli::Registrar reg({"tag", "reads, writes or removes the ID3v1 tag of a file", &define, &runTag});

} // namespace
