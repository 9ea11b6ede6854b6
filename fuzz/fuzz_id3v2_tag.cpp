// libFuzzer target: an ID3v2 tag in memory. Whatever parses is edited and written back; the
// result parses again, says what was put in, and keeps every frame the edit did not touch.
#include <cstring>

#include "fuzz_support.h"
#include "playlist/id3v2_tag.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    korvo::Id3v2Tag tag;
    if (!korvo::parseId3v2Tag(data, size, tag)) return 0;
    korvo::TagText text;
    korvo::readId3v2Text(tag, text);
    FUZZ_CHECK(text.genre == korvo::kNoGenreByte || text.genre == korvo::kUnknownGenre ||
               (text.genre >= 0 && text.genre < korvo::kGenreCount));
    if (tag.major == 2) return 0;   // read, never written

    text.title = "T\xC3\xA9st \xE2\x98\x83";
    text.year.clear();
    text.genre = 17;
    const size_t framesBefore = tag.frames.size();
    korvo::applyTagText(tag, text);
    FUZZ_CHECK(tag.frames.size() <= framesBefore + 7);
    const std::vector<uint8_t> out = korvo::buildId3v2Tag(tag, 0, 16);
    korvo::Id3v2Tag again;
    FUZZ_CHECK(korvo::parseId3v2Tag(out.data(), out.size(), again) == 1);
    FUZZ_CHECK(again.frames.size() == tag.frames.size());
    for (size_t i = 0; i < again.frames.size(); ++i) FUZZ_CHECK(again.frames[i].bytes == tag.frames[i].bytes);
    korvo::TagText back;
    FUZZ_CHECK(korvo::readId3v2Text(again, back) == 1);
    FUZZ_CHECK(back.title == text.title);
    FUZZ_CHECK(back.genre == 17);
    return 0;
}
