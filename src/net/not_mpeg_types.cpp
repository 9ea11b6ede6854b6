// What a stream may be when it is not MPEG audio: the Content-Types that say so, and the
// first bytes that give other formats away.
#include "net/not_mpeg_types.h"

namespace korvo {

// Shown as the server names them.
const char* const kNotMpegContentTypes[] = {
    "audio/aac", "audio/aacp", "audio/x-aac", "audio/mp4", "audio/ogg", "application/ogg",
    "audio/opus", "audio/flac", "audio/x-flac", "text/html",
};
const int kNotMpegContentTypeCount = int(sizeof kNotMpegContentTypes / sizeof kNotMpegContentTypes[0]);

const NotMpegMagic kNotMpegMagics[] = {
    {"OggS", 4, "Ogg"},
    {"fLaC", 4, "FLAC"},
    {"<!DOCTYPE html", 14, "text/html"},
    {"<!doctype html", 14, "text/html"},
    {"<html", 5, "text/html"},
    {"<HTML", 5, "text/html"},
};
const int kNotMpegMagicCount = int(sizeof kNotMpegMagics / sizeof kNotMpegMagics[0]);

} // namespace korvo
