// gtest main for the window tests that share no other main.
#include "tests/kestrel_debugger_ui/qt_test_support.h"

int main(int argc, char** argv) { return kestrel::testing::RunQtTests(argc, argv); }
