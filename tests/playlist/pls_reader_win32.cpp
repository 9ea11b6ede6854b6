// The single-pass PLS reader beside the system's own profile functions, on files where those
// functions have rules of their own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/file.h"
#include "platform/profile.h"
#include "playlist/pls_reader.h"
#include "playlist/playlist_texts.h"
#include "playlist_test_util.h"
#include "pls_cases.h"
#include "test_support.h"

namespace korvo {
namespace {

namespace T = playlist_texts;

TEST(PlsReaderConformance, EveryKeyAndBufferSizeAsTheSystemReadsIt) {
    const std::string dir = test::scratchDir("PlsReaderConformance");
    int file = 0;
    for (const test::PlsCase& c : test::trickyPlsFiles()) {
        // A new name per file: the system keeps recently read files in memory.
        std::string path = test::joinNative(dir, "case" + std::to_string(file++) + ".pls");
        test::writeFileText(path, c.text);
        PlsSection pls;
        ASSERT_EQ(pls.read(path.c_str(), T::kPlsSection), 1) << c.name;
        for (const std::string& key : test::plsCaseKeys()) {
            char whole[1024];
            pls.getString(key.c_str(), whole, sizeof whole);
            for (size_t size : test::plsCaseSizes()) {
                char system[1024], ours[1024];
                std::memset(system, '#', sizeof system);
                std::memset(ours, '#', sizeof ours);
                int systemLength = profileGetString(T::kPlsSection, key.c_str(), "", system, size, path.c_str());
                int ourLength = pls.getString(key.c_str(), ours, size);
                EXPECT_EQ(ourLength, systemLength) << c.name << ": " << key << " into " << size;
                // Cut inside a UTF-8 character, the system leaves the buffer's old byte before
                // the end, where this reader cuts bytes.
                const bool cutInside = (uint8_t(whole[ourLength]) & 0xC0) == 0x80;
                if (!cutInside)
                    EXPECT_EQ(std::string(ours), std::string(system)) << c.name << ": " << key << " into " << size;
            }
            EXPECT_EQ(pls.getInt(key.c_str(), -1), profileGetInt(T::kPlsSection, key.c_str(), -1, path.c_str()))
                << c.name << ": " << key;
        }
    }
}

} // namespace
} // namespace korvo
