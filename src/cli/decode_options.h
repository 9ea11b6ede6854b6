#pragma once
// Parsing of korvo decode's equalizer and mapping options.

namespace korvo::cli {

// "--eq G0,G1,...,G11": twelve gains from 0.0 to 2.0. 1 when the text holds exactly that.
int parseEqGains(const char* text, float* gains12);
// "--mapping N": the Layer III mapping scheme, 1 to 4. 1 when valid.
int parseMappingMode(const char* text, int& mode);

} // namespace korvo::cli
