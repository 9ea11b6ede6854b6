#include "id3v2_frame_ids.h"

namespace korvo {

const char* const kId3v2FrameIds[Id3v2FieldCount][3] = {
    {"TT2", "TIT2", "TIT2"}, {"TP1", "TPE1", "TPE1"}, {"TAL", "TALB", "TALB"}, {"TYE", "TYER", "TDRC"},
    {"COM", "COMM", "COMM"}, {"TCO", "TCON", "TCON"}, {"TRK", "TRCK", "TRCK"},
};

const char* const kId3v2OtherYearIds[3] = {"", "TDRC", "TYER"};

const char kId3v2CommentLanguage[4] = "eng";

} // namespace korvo
