#pragma once
// Tells a running chat client what plays, by poking a command line into it over DDE.

namespace korvo::win {

// Sends one announcement of the name with the IRCAppName and IRCCommand settings, or
// nothing; every failure is silent and the poke waits at most a second. Returns at once:
// the talking happens on a thread of its own.
void announceNowPlaying(const char* name);

} // namespace korvo::win
