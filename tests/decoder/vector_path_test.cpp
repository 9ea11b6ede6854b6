// The AVX2 code and the plain code give the same PCM, byte for byte, on every test stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "decode_support.h"
#include "decoder/decoder.h"
#include "decoder/vector_path.h"
#include "test_support.h"

using namespace korvo;
using namespace korvo::test;

namespace {

std::vector<std::string> filesIn(const std::string& dir, const std::vector<std::string>& extensions) {
    std::vector<std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        const std::string ext = e.path().extension().string();
        if (std::find(extensions.begin(), extensions.end(), ext) != extensions.end()) files.push_back(e.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

struct Pass {
    bool eightBit = false;
    const float* eq = nullptr;
};

DecodedFile decodeWith(const std::string& path, int plain, Pass pass) {
    forcePlainPath(plain);
    auto decoder = std::make_unique<Decoder>();
    if (pass.eq) {
        decoder->options.eqEnabled = 1;
        decoder->options.eqLineGains = pass.eq;
    }
    DecodedFile f;
    EXPECT_TRUE(decodeFile(path, f, pass.eightBit, decoder.get())) << path;
    forcePlainPath(0);
    return f;
}

} // namespace

TEST(VectorPath, SamePcmAsThePlainCodeOnConformanceAndEncoderFiles) {
    forcePlainPath(1);
    EXPECT_EQ(vectorPathActive(), 0);
    forcePlainPath(0);
    if (!vectorPathActive()) GTEST_SKIP() << "this build or processor has no AVX2 path";

    std::vector<std::string> files = filesIn(vectorPath("iso"), {".bit"});
    for (const char* sub : {"layer3", "layer12"})
        for (const std::string& f : filesIn(mediaPath(sub), {".mp3", ".mp2"})) files.push_back(f);
    ASSERT_GT(files.size(), size_t(30));

    std::vector<float> eq(576);
    for (size_t i = 0; i < eq.size(); ++i) eq[i] = float(0.2 + 1.7 * double(i % 97) / 96.0);
    const Pass passes[] = {{}, {true, nullptr}, {false, eq.data()}};
    int compared = 0;
    for (const std::string& path : files) {
        for (const Pass& pass : passes) {
            DecodedFile vec = decodeWith(path, 0, pass), plain = decodeWith(path, 1, pass);
            ASSERT_FALSE(plain.bytes.empty()) << path;
            ASSERT_EQ(vec.bytes.size(), plain.bytes.size()) << path;
            auto diff = std::mismatch(vec.bytes.begin(), vec.bytes.end(), plain.bytes.begin());
            EXPECT_TRUE(diff.first == vec.bytes.end())
                << path << (pass.eightBit ? " (8-bit)" : pass.eq ? " (equalised)" : "") << ": first difference at byte "
                << (diff.first - vec.bytes.begin());
            ++compared;
        }
    }
    std::printf("%d decodings compared\n", compared);
}
