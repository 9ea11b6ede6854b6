#pragma once
// The chat client's command line: the user's template with the playing name put in.
#include <cstddef>

namespace korvo {

constexpr size_t kChatCommandSize = 1024;   // characters, with the terminating zero
constexpr int kChatNameSlots = 7;           // "%s" places that receive the name
constexpr size_t kChatNameMaxBytes = 200;   // of the name, in UTF-8

// Writes the template into out (at most outSize - 1 characters, always terminated): each of
// the first seven "%s" becomes the name and "%%" becomes "%". Any other "%" is text: the
// template is typed by the user, and only the name is there to be put in. The client runs
// the command, so the name is put in as one line: its control characters (below 0x20, and
// 0x7F) become blanks, and it is cut at kChatNameMaxBytes between two characters.
void formatChatCommand(const char* templ, const char* name, char* out, size_t outSize);

} // namespace korvo
