#include "tests/support/fuse_vectors.h"

#include <fstream>
#include <sstream>

namespace z80test::fuse {
namespace {

// Two lines: thirteen register pairs, then I R IFF1 IFF2 IM halted T-states.
bool ReadState(std::istream& in, State& s) {
    std::string line;
    if (!std::getline(in, line)) return false;
    std::istringstream regs(line);
    for (uint16_t* r : {&s.af, &s.bc, &s.de, &s.hl, &s.af2, &s.bc2, &s.de2, &s.hl2, &s.ix, &s.iy, &s.sp, &s.pc,
                        &s.memptr})
        regs >> std::hex >> *r;
    if (!std::getline(in, line)) return false;
    std::istringstream rest(line);
    rest >> std::hex >> s.i >> s.r >> std::dec >> s.iff1 >> s.iff2 >> s.im >> s.halted >> s.tstates;
    return static_cast<bool>(regs) && static_cast<bool>(rest);
}

// "addr byte byte ... -1"; false for the closing "-1" line or a blank one.
bool ReadMemoryLine(const std::string& line, std::vector<MemoryBlock>& blocks) {
    std::istringstream in(line);
    std::string word;
    if (!(in >> word) || word == "-1") return false;
    MemoryBlock block{static_cast<uint16_t>(std::stoul(word, nullptr, 16)), {}};
    while (in >> word && word != "-1") block.second.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
    blocks.push_back(std::move(block));
    return true;
}

// "time type address [data]", e.g. "   11 PR 7ffe 3f"; only port reads and
// writes are kept.
void ReadBusEvent(const std::string& line, std::vector<PortEvent>& ports) {
    std::istringstream in(line);
    unsigned time = 0;
    std::string type, address, data;
    in >> time >> type >> address >> data;
    if (type != "PR" && type != "PW") return;
    ports.push_back({type == "PW", static_cast<uint16_t>(std::stoul(address, nullptr, 16)),
                     static_cast<uint8_t>(std::stoul(data, nullptr, 16))});
}

}  // namespace

std::vector<Vector> ReadInputs(const std::string& path) {
    std::ifstream in(path);
    std::vector<Vector> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        Vector v;
        v.name = line;
        if (!ReadState(in, v.state)) break;
        while (std::getline(in, line) && ReadMemoryLine(line, v.memory)) {
        }
        out.push_back(std::move(v));
    }
    return out;
}

std::vector<Vector> ReadExpected(const std::string& path) {
    std::ifstream in(path);
    std::vector<Vector> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        Vector v;
        v.name = line;
        // Bus events are indented; the state follows them.
        while (in.peek() == ' ' || in.peek() == '\t') {
            std::getline(in, line);
            ReadBusEvent(line, v.ports);
        }
        if (!ReadState(in, v.state)) break;
        while (std::getline(in, line) && ReadMemoryLine(line, v.memory)) {
        }
        out.push_back(std::move(v));
    }
    return out;
}

void Apply(const std::vector<MemoryBlock>& blocks, uint8_t* memory) {
    for (const auto& [address, bytes] : blocks)
        for (size_t k = 0; k < bytes.size(); ++k) memory[(address + k) & 0xFFFF] = bytes[k];
}

}  // namespace z80test::fuse
