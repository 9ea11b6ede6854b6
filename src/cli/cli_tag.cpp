// korvo tag FILE [--title T] [--artist A] [--album A] [--year Y] [--comment C] [--genre G] | --wipe
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "commands.h"
#include "platform/file.h"
#include "playlist/id3v1.h"
#include "playlist/id3v2.h"
#include "playlist/id3v2_tag.h"
#include "playlist/tag_store.h"
#include "playlist/text_encoding.h"

namespace {

struct FieldOption {
    const char* option;
    const char* label;
    std::string korvo::TagText::*field;
    size_t chars;   // what the ID3v1 tag keeps of it
    std::string value;
    CLI::Option* parsed = nullptr;
};

using korvo::TagText;
constexpr size_t kTextChars = sizeof korvo::Id3v1Tag{}.title - 1;
constexpr size_t kYearChars = sizeof korvo::Id3v1Tag{}.year - 1;

// In the order of korvo::TrailerField.
struct TagJob {
    std::string path;
    bool wipe = false;
    std::string genre;
    CLI::Option* genreParsed = nullptr;
    FieldOption fields[korvo::TrailerFieldCount] = {
        {"--title", "title", &TagText::title, kTextChars, {}, nullptr},
        {"--artist", "artist", &TagText::artist, kTextChars, {}, nullptr},
        {"--album", "album", &TagText::album, kTextChars, {}, nullptr},
        {"--year", "year", &TagText::year, kYearChars, {}, nullptr},
        {"--comment", "comment", &TagText::comment, kTextChars, {}, nullptr},
    };
};
TagJob job;

void define(CLI::App& c) {
    c.add_option("FILE", job.path, "the audio file; without options its tag is shown")->required();
    CLI::Option* wipe = c.add_flag("--wipe", job.wipe, "remove the ID3v1 and ID3v2 tags");
    for (FieldOption& f : job.fields) {
        std::string help = std::string("write the ") + f.label + " (the ID3v1 tag keeps what fits)";
        f.parsed = c.add_option(f.option, f.value, help)->excludes(wipe)->type_name("TEXT");
    }
    job.genreParsed = c.add_option("--genre", job.genre, "write the genre: a name of the list, its number, or \"\" for none")
                          ->excludes(wipe)
                          ->type_name("GENRE");
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
    change = change || job.genreParsed->count() > 0;
    int genre = korvo::kNoGenreByte;
    if (!job.genre.empty()) genre = korvo::genreOfTcon(job.genre);
    if (genre < 0) {
        std::fprintf(stderr, T::kTagUnknownGenre, job.genre.c_str());
        return 2;
    }
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
        if (korvo::wipeFileTags(file, path, &korvo::prompt())) return 0;
        std::fprintf(stderr, T::kTagWipeFailed, path);
        return 1;
    }
    // Fields not given keep what the file shows: from its ID3v2 tag, else its ID3v1 tag. A
    // file without either starts from empty fields and genre 0.
    korvo::FileTags tags;
    korvo::readFileTags(file, tags);
    korvo::TagText text = tags.text;
    for (const FieldOption& f : job.fields)
        if (f.parsed->count() > 0) text.*f.field = f.value;
    if (job.genreParsed->count() > 0) text.genre = genre;
    korvo::Id3v1Tag trailer = tags.id3v1;
    korvo::TrailerLoss loss;
    korvo::putTextIntoTrailer(text, int(kTextChars), trailer, &loss);
    // With an ID3v2 tag written, the text is kept whole there.
    if (tags.id3v2 != korvo::Id3v2Editable) {
        for (int i = 0; i < korvo::TrailerFieldCount; ++i) {
            const FieldOption& f = job.fields[i];
            if (f.parsed->count() == 0) continue;
            if (loss.cut[i]) std::fprintf(stderr, T::kTagFieldCut, f.label, f.chars);
            if (loss.replaced[i]) std::fprintf(stderr, T::kTagFieldReplaced, f.label, loss.replaced[i]);
        }
    }
    korvo::TagSaveResult saved;
    if (!korvo::saveFileTags(file, path, trailer, text, saved, &korvo::prompt())) {
        std::fprintf(stderr, T::kTagWriteFailed, path);
        return 1;
    }
    if (saved.id3v2 == korvo::Id3v2Version22) std::fprintf(stderr, T::kTagId3v22Kept, path);
    if (saved.id3v2 == korvo::Id3v2Unreadable) std::fprintf(stderr, T::kTagId3v2Kept, path);
    if (trailer.track && !korvo::tagKeepsTrack(trailer))
        std::fprintf(stderr, T::kTagTrackDropped, korvo::kTrackCommentChars, int(trailer.track));
    return 0;
}

korvo::cli::Registrar reg({"tag", "reads, writes or removes the ID3v1 and ID3v2 tags of a file", &define, &runTag});

} // namespace
