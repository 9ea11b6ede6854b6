#pragma once
// Value checks shared by korvo's commands. Each validator's message names the accepted range;
// CLI11 puts the option's name in front of it.
#include <CLI/CLI.hpp>

#include <string>

namespace korvo::cli {

// "--eq G0,G1,...,G11": twelve gains from 0.0 to 2.0. 1 when the text holds exactly that.
int parseEqGains(const char* text, float* gains12);

// A whole number from lo to hi.
CLI::Validator wholeNumberIn(long lo, long hi);
// A number from lo to hi.
CLI::Validator numberIn(double lo, double hi);
// Twelve equalizer gains, see parseEqGains.
CLI::Validator eqGains();
// A text of at most maxChars characters.
CLI::Validator atMostChars(size_t maxChars);

// --replaygain off|track|album and --preamp DB.
struct GainOptions {
    std::string mode;
    int preampDb = 0;
    // As a ReplayGainMode value.
    int modeValue() const;
};
void addGainOptions(CLI::App& c, GainOptions& options);

} // namespace korvo::cli
