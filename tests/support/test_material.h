// Z80 test material (the instruction exercisers and the FUSE vectors) is not
// part of the repository. It is looked up when a test runs, not when it is
// built: first in the folder named by $Z80_TEST_DATA, then in ../shared/z80
// beside the source tree.
#pragma once

#include <string>

namespace z80test {

// The full path of the file name in the first folder that holds it, or "".
std::string FindMaterial(const std::string& name);

// "NAME not found: looked in ... and ...", for skip and error messages.
std::string MissingMaterial(const std::string& name);

}  // namespace z80test

// For GTest tests: declares `const std::string var` holding the path of name,
// or skips the test with a message naming what is missing and where it was
// looked for.
#define Z80_TEST_MATERIAL(var, name)                                  \
    const std::string var = ::z80test::FindMaterial(name);            \
    if (var.empty()) GTEST_SKIP() << ::z80test::MissingMaterial(name)
