#include "tag_store.h"

#include <cstring>
#include <vector>

#include "decoder/id3v2_extent.h"
#include "id3v2_tag.h"
#include "platform/file.h"
#include "text_encoding.h"

namespace korvo {

namespace {

constexpr int kCopyChunk = 65536;

// The ID3v2 tag at the start of the file, whole; 0 when the file has none.
int readWholeId3v2(File& file, Id3v2Extent& extent, std::vector<uint8_t>& bytes) {
    uint8_t head[kId3v2HeaderSize];
    if (file.seek(0, File::Begin) != 0) return 0;
    if (!parseId3v2Extent(head, file.read(head, kId3v2HeaderSize), extent)) return 0;
    const int64_t total = extent.totalSize();
    if (total > file.size()) return 0;
    bytes.assign(head, head + kId3v2HeaderSize);
    bytes.resize(size_t(total));
    const int64_t rest = total - kId3v2HeaderSize;
    for (int64_t done = 0; done < rest;) {
        const int want = rest - done < kCopyChunk ? int(rest - done) : kCopyChunk;
        if (file.read(bytes.data() + kId3v2HeaderSize + done, want) != want) return 0;
        done += want;
    }
    return 1;
}

// Where an ID3v1 trailer begins, or the file's size when it has none after from.
int64_t trailerStart(File& file, int64_t from) {
    const int64_t size = file.size();
    uint8_t block[kTagSize];
    if (size - kTagSize < from || file.seek(size - kTagSize, File::Begin) < 0) return size;
    if (file.read(block, kTagSize) != kTagSize || !isTagBlock(block)) return size;
    return size - kTagSize;
}

// Writes head, then the file's bytes from begin to end, then tail, into a new file that takes
// the place of path. The file is closed before the new one takes its place.
int rewriteFile(File& file, const char* path, const std::vector<uint8_t>& head, int64_t begin, int64_t end,
                const uint8_t* tail, size_t tailSize) {
    ReplacingFile out;
    if (!out.open(path)) return 0;
    if (!head.empty() && !out.write(head.data(), head.size())) return 0;
    if (file.seek(begin, File::Begin) != begin) return 0;
    std::vector<uint8_t> buf(kCopyChunk);
    for (int64_t at = begin; at < end;) {
        const int want = end - at < kCopyChunk ? int(end - at) : kCopyChunk;
        if (file.read(buf.data(), want) != want || !out.write(buf.data(), size_t(want))) return 0;
        at += want;
    }
    if (tailSize && !out.write(tail, tailSize)) return 0;
    file.close();   // the new file replaces the old one, which no handle may then hold
    return out.commit();
}

void putField(const std::string& text, char* field, size_t capacity, TrailerLoss* loss, int index) {
    Latin1Loss l;
    utf8ToLatin1(text.c_str(), field, capacity, &l);
    if (loss) {
        loss->cut[index] = l.cut;
        loss->replaced[index] = l.replaced;
    }
}

} // namespace

TagText textOfId3v1(const Id3v1Tag& tag) {
    TagText text;
    if (!tag.present) return text;
    char utf8[3 * sizeof tag.comment];
    const struct {
        const char* field;
        size_t size;
        std::string* out;
    } fields[] = {{tag.title, sizeof tag.title, &text.title},       {tag.artist, sizeof tag.artist, &text.artist},
                  {tag.album, sizeof tag.album, &text.album},       {tag.year, sizeof tag.year, &text.year},
                  {tag.comment, sizeof tag.comment, &text.comment}};
    for (const auto& f : fields) {
        latin1ToUtf8(f.field, f.size, utf8, sizeof utf8);
        *f.out = utf8;
    }
    if (tag.genreIndex >= 0 && tag.genreIndex < kGenreCount) text.genre = tag.genreIndex;
    else text.genre = tag.genreByte == kNoGenreByte ? kNoGenreByte : kUnknownGenre;
    text.track = tag.track;
    return text;
}

int readFileTags(File& file, FileTags& tags) {
    tags = FileTags{};
    readTag(file, tags.id3v1);
    tags.text = textOfId3v1(tags.id3v1);
    Id3v2Extent extent;
    std::vector<uint8_t> bytes;
    if (!readWholeId3v2(file, extent, bytes)) {
        // a header whose body the file cannot hold is still a tag: it stays as it is
        tags.id3v2 = extent.major ? Id3v2Unreadable : Id3v2Absent;
        return 1;
    }
    Id3v2Tag tag;
    if (!parseId3v2Tag(bytes.data(), bytes.size(), tag)) {
        tags.id3v2 = Id3v2Unreadable;
        return 1;
    }
    tags.id3v2 = tag.major == 2 ? Id3v2Version22 : Id3v2Editable;
    TagText text;
    if (readId3v2Text(tag, text)) {
        tags.text = text;
        tags.fromId3v2 = true;
    }
    return 1;
}

void putTextIntoTrailer(const TagText& text, int textChars, Id3v1Tag& trailer, TrailerLoss* loss) {
    const size_t capacity = size_t(textChars) + 1;
    putField(text.title, trailer.title, capacity, loss, TrailerTitle);
    putField(text.artist, trailer.artist, capacity, loss, TrailerArtist);
    putField(text.album, trailer.album, capacity, loss, TrailerAlbum);
    putField(text.year, trailer.year, sizeof trailer.year, loss, TrailerYear);
    putField(text.comment, trailer.comment, capacity, loss, TrailerComment);
    if (text.genre >= 0 && text.genre < kGenreCount) {
        trailer.genreIndex = text.genre;
        trailer.genreByte = text.genre;
    } else if (text.genre == kNoGenreByte || !trailer.present) {
        trailer.genreIndex = kUnknownGenre;
        trailer.genreByte = kNoGenreByte;
    }   // else a byte outside the list, kept
    trailer.track = text.track;
}

int saveFileTags(File& file, const char* path, const Id3v1Tag& trailer, const TagText& text, TagSaveResult& result,
                 Prompt* tell) {
    result = TagSaveResult{};
    Id3v2Extent extent;
    std::vector<uint8_t> bytes;
    Id3v2Tag tag;
    const bool whole = readWholeId3v2(file, extent, bytes) != 0;
    if (!whole) {
        result.id3v2 = extent.major ? Id3v2Unreadable : Id3v2Absent;
    } else if (!parseId3v2Tag(bytes.data(), bytes.size(), tag)) {
        result.id3v2 = Id3v2Unreadable;
    } else {
        result.id3v2 = tag.major == 2 ? Id3v2Version22 : Id3v2Editable;
    }
    if (result.id3v2 != Id3v2Editable) return writeTag(file, trailer, tell);

    applyTagText(tag, text);
    const size_t room = bytes.size();
    if (kId3v2HeaderSize + id3v2FramesSize(tag) <= room) {
        // Both tags are changed in place, each in one write; when either fails, the old
        // ID3v2 bytes go back (writeTag undoes its own).
        const std::vector<uint8_t> out = buildId3v2Tag(tag, room, 0);
        auto put = [&file](const std::vector<uint8_t>& b) {
            return file.seek(0, File::Begin) == 0 && file.write(b.data(), int(b.size())) == int(b.size());
        };
        if (!put(out) || !writeTag(file, trailer, tell)) {
            put(bytes);
            return 0;
        }
        result.id3v2Written = true;
        return 1;
    }
    uint8_t block[kTagSize];
    buildTagBlock(trailer, block);
    const int64_t audioEnd = trailerStart(file, int64_t(room));
    if (!rewriteFile(file, path, buildId3v2Tag(tag, 0, kId3v2Padding), int64_t(room), audioEnd, block, kTagSize))
        return 0;
    result.id3v2Written = true;
    result.rewritten = true;
    return 1;
}

int wipeFileTags(File& file, const char* path, Prompt* tell) {
    uint8_t head[kId3v2HeaderSize];
    Id3v2Extent extent;
    if (file.seek(0, File::Begin) != 0 || !parseId3v2Extent(head, file.read(head, kId3v2HeaderSize), extent) ||
        extent.totalSize() > file.size())
        return wipeTag(file, tell);
    const int64_t begin = extent.totalSize();
    return rewriteFile(file, path, {}, begin, trailerStart(file, begin), nullptr, 0);
}

} // namespace korvo
