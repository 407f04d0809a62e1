// cpm-plover [--max-instructions N] FILE.COM: runs a CP/M program on plover's
// core, prints its console output, then "instructions=N tstates=N seconds=S".
// Exits 1 when the program printed ERROR or FAILED or did not finish within
// the limit.
#include "tests/support/cpm_runner.h"
#include "tests/support/plover_cpm.h"

int main(int argc, char** argv) {
    z80test::PloverCpm core;
    return z80test::cpm::ToolMain("cpm-plover", core, argc, argv);
}
