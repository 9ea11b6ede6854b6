#pragma once
// The tables of what a stream is when it is not MPEG audio (not_mpeg_types.cpp).

namespace korvo {

// Compared without case with the Content-Type before its parameters.
extern const char* const kNotMpegContentTypes[];
extern const int kNotMpegContentTypeCount;

struct NotMpegMagic {
    const char* bytes;
    int length;
    const char* kind;
};
extern const NotMpegMagic kNotMpegMagics[];
extern const int kNotMpegMagicCount;

} // namespace korvo
