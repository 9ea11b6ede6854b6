#include "decode_options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/cli_texts.h"
#include "settings/settings.h"

namespace korvo::cli {

int parseEqGains(const char* text, float* gains12) {
    if (!text) return 0;
    const char* p = text;
    for (int i = 0; i < 12; ++i) {
        char* end = nullptr;
        errno = 0;
        double g = std::strtod(p, &end);
        if (end == p || errno != 0 || !(g >= 0.0 && g <= 2.0)) return 0;
        gains12[i] = float(g);
        p = end;
        if (i < 11) {
            if (*p != ',') return 0;
            ++p;
        }
    }
    return *p == '\0';
}

namespace {

std::string format(const char* fmt, const std::string& a, const std::string& b = "", const std::string& c = "") {
    char text[512];
    std::snprintf(text, sizeof text, fmt, a.c_str(), b.c_str(), c.c_str());
    return text;
}

std::string shortNumber(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

} // namespace

CLI::Validator wholeNumberIn(long lo, long hi) {
    return CLI::Validator(
        [lo, hi](std::string& input) -> std::string {
            char* end = nullptr;
            errno = 0;
            long v = std::strtol(input.c_str(), &end, 10);
            if (end == input.c_str() || *end != '\0' || errno != 0 || v < lo || v > hi)
                return format(cli_texts::kRangeFormat, input, std::to_string(lo), std::to_string(hi));
            return {};
        },
        std::to_string(lo) + ".." + std::to_string(hi));
}

CLI::Validator numberIn(double lo, double hi) {
    return CLI::Validator(
        [lo, hi](std::string& input) -> std::string {
            char* end = nullptr;
            errno = 0;
            double v = std::strtod(input.c_str(), &end);
            if (end == input.c_str() || *end != '\0' || errno != 0 || !(v >= lo && v <= hi))
                return format(cli_texts::kRangeFormat, input, shortNumber(lo), shortNumber(hi));
            return {};
        },
        shortNumber(lo) + ".." + shortNumber(hi));
}

CLI::Validator eqGains() {
    return CLI::Validator(
        [](std::string& input) -> std::string {
            float gains[12];
            return parseEqGains(input.c_str(), gains) ? std::string() : format(cli_texts::kEqGainsFormat, input);
        },
        "");
}

CLI::Validator atMostChars(size_t maxChars) {
    return CLI::Validator(
        [maxChars](std::string& input) -> std::string {
            if (input.size() <= maxChars) return {};
            char text[128];
            std::snprintf(text, sizeof text, cli_texts::kTooLongFormat, maxChars);
            return text;
        },
        "");
}

int GainOptions::modeValue() const {
    if (mode == cli_texts::kGainTrack) return kReplayGainTrack;
    if (mode == cli_texts::kGainAlbum) return kReplayGainAlbum;
    return kReplayGainOff;
}

void addGainOptions(CLI::App& c, GainOptions& options) {
    options.mode = cli_texts::kGainOff;
    c.add_option("--replaygain", options.mode, "level the files by their ReplayGain values (album falls back to track)")
        ->capture_default_str()
        ->check(CLI::IsMember({cli_texts::kGainOff, cli_texts::kGainTrack, cli_texts::kGainAlbum}))
        ->type_name("MODE");
    c.add_option("--preamp", options.preampDb, "dB added to the files' ReplayGain")
        ->capture_default_str()
        ->check(wholeNumberIn(kReplayGainDbMin, kReplayGainDbMax))
        ->type_name("DB");
}

} // namespace korvo::cli
