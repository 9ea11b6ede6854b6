#pragma once
// The ID3v2 frames that hold the fields a user edits, by version.

namespace korvo {

enum Id3v2Field { Id3v2Title, Id3v2Artist, Id3v2Album, Id3v2Year, Id3v2Comment, Id3v2Genre, Id3v2Track, Id3v2FieldCount };

// Frame identifiers per field for versions 2.2, 2.3 and 2.4 (index major - 2).
extern const char* const kId3v2FrameIds[Id3v2FieldCount][3];
// The year frame of the other version, read when a tag lacks its own ("" for 2.2).
extern const char* const kId3v2OtherYearIds[3];
// The language of the comment frames written.
extern const char kId3v2CommentLanguage[4];

} // namespace korvo
