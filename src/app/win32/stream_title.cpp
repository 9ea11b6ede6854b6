#include "app/win32/stream_title.h"

#include <cstdio>

#include "net/icy_metadata.h"

namespace korvo::win {

namespace {
char gShown[2 * kIcyTitleBytes + 8];
} // namespace

void setStreamShownName(const char* utf8) { std::snprintf(gShown, sizeof gShown, "%s", utf8 ? utf8 : ""); }
void clearStreamShownName() { gShown[0] = 0; }
const char* streamShownName() { return gShown; }

} // namespace korvo::win
