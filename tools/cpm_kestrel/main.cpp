// cpm-kestrel [--max-instructions N] FILE.COM: runs a CP/M program on
// kestrel's Z80 core and prints its console output, then
// "instructions=N tstates=N seconds=S". Exits 1 when the program printed
// ERROR or FAILED or did not finish within the limit.
#include <memory>

#include "tests/support/cpm_runner.h"
#include "tests/support/kestrel_cpm.h"

int main(int argc, char** argv) {
    auto m = std::make_unique<kestrel::Processor>();
    z80test::KestrelCpm core(*m);
    return z80test::cpm::ToolMain("cpm-kestrel", core, argc, argv);
}
