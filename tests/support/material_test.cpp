// The run-time lookup of the Z80 test material: $Z80_TEST_DATA first, and a
// message that names what is missing and every place looked in.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/test_material.h"

namespace {

TEST(Z80TestMaterial, LooksInZ80TestDataThenBesideTheSourceTree) {
    std::string pattern = (std::filesystem::temp_directory_path() / "material_test_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const std::filesystem::path scratch = pattern;
    std::ofstream(scratch / "probe.com") << "x";
    const char* old = std::getenv("Z80_TEST_DATA");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    setenv("Z80_TEST_DATA", pattern.c_str(), 1);

    EXPECT_EQ(z80test::FindMaterial("probe.com"), (scratch / "probe.com").string());
    EXPECT_EQ(z80test::FindMaterial("no-such-exerciser.com"), "");
    const std::string message = z80test::MissingMaterial("no-such-exerciser.com");
    EXPECT_EQ(message.rfind("no-such-exerciser.com not found: looked in $Z80_TEST_DATA (" + scratch.string() + ")", 0),
              0u) << message;
    EXPECT_NE(message.find("/shared/z80"), std::string::npos) << message;

    if (saved) setenv("Z80_TEST_DATA", saved->c_str(), 1);
    else unsetenv("Z80_TEST_DATA");
    std::filesystem::remove_all(scratch);
}

}  // namespace
