// Memory image files on real files in a scratch folder: loading, saving,
// extensions, and every way a file can fail to open, be read or be written.
#include "kestrel/gui/memory_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using kestrel::ImageLoadResult;
using kestrel::ImageSaveResult;
using kestrel::MachineRecord;

namespace {

// A fresh scratch folder per test, removed afterwards.
class MemoryFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kestrel-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        m_ = std::make_unique<MachineRecord>();
        // Memory as after start-up: a recognisable pattern everywhere.
        for (int a = 0; a < 65536; ++a) m_->MemoryImage[a] = static_cast<uint8_t>(a * 7 + 3);
        SetRegisters();
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    // Every register nonzero, so a reset shows.
    void SetRegisters() {
        auto& c = m_->Cpu;
        c.A = 0x11; c.F = 0x22; c.B = 0x33; c.C = 0x44; c.D = 0x55; c.E = 0x66; c.H = 0x77; c.L = 0x88;
        c.AltA = 0x99; c.AltF = 0xAA; c.AltB = 0xBB; c.AltC = 0xCC;
        c.AltD = 0xDD; c.AltE = 0xEE; c.AltH = 0x12; c.AltL = 0x34;
        c.IX = 0x1234; c.IY = 0x5678; c.SP = 0x1FF0; c.PC = 0x0123; c.MEMPTR = 0x4321;
        c.I = 0x0F; c.R = 0x55; c.IFF = 4; c.IM = 2; c.Halted = true; c.TStates = 999;
    }
    void ExpectRegistersUntouched() const {
        const auto& c = m_->Cpu;
        EXPECT_EQ(c.A, 0x11); EXPECT_EQ(c.L, 0x88); EXPECT_EQ(c.AltL, 0x34);
        EXPECT_EQ(c.SP, 0x1FF0); EXPECT_EQ(c.PC, 0x0123); EXPECT_EQ(c.MEMPTR, 0x4321);
        EXPECT_EQ(c.IFF, 4); EXPECT_EQ(c.IM, 2); EXPECT_TRUE(c.Halted); EXPECT_EQ(c.TStates, 999);
    }
    void ExpectRegistersCleared() const {
        const auto& c = m_->Cpu;
        for (uint8_t v : {c.A, c.F, c.B, c.C, c.D, c.E, c.H, c.L, c.AltA, c.AltF, c.AltB, c.AltC,
                          c.AltD, c.AltE, c.AltH, c.AltL, c.I, c.R, c.IFF, c.IM})
            EXPECT_EQ(v, 0);
        for (uint16_t v : {c.IX, c.IY, c.SP, c.PC, c.MEMPTR, c.TStates}) EXPECT_EQ(v, 0);
        EXPECT_FALSE(c.Halted);
    }
    uint8_t Original(int address) const { return static_cast<uint8_t>(address * 7 + 3); }
    void ExpectMemoryOriginal() const {
        for (int a = 0; a < 65536; ++a)
            if (m_->MemoryImage[a] != Original(a)) {
                ADD_FAILURE() << "memory changed at " << a;
                return;
            }
    }

    std::string MakeFile(const std::string& name, size_t size, uint8_t seed = 0) {
        std::string path = (dir_ / name).string();
        std::ofstream out(path, std::ios::binary);
        for (size_t i = 0; i < size; ++i) out.put(static_cast<char>(static_cast<uint8_t>(i + seed)));
        return path;
    }
    static std::vector<uint8_t> ReadAll(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // The folder's entries, to show that a failed operation left nothing behind.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
    std::unique_ptr<MachineRecord> m_;
};

// --- loading -----------------------------------------------------------------

TEST_F(MemoryFilesTest, MonitorImageAtBaseZeroReplacesRomAndClearsRegisters) {
    std::string path = MakeFile("new.rom", 4096, 0x40);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 0, 4096), ImageLoadResult::Loaded);
    EXPECT_EQ(m_->MemoryImage[0x0000], 0x40);
    EXPECT_EQ(m_->MemoryImage[0x0FFF], static_cast<uint8_t>(0x0FFF + 0x40));
    EXPECT_EQ(m_->MemoryImage[0x1000], Original(0x1000));
    ExpectRegistersCleared();
}

TEST_F(MemoryFilesTest, HundredBytesAtRamWithCountZeroLeaveRegistersAlone) {
    std::string path = MakeFile("prog.bin", 100, 1);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 6144, 0), ImageLoadResult::Loaded);
    EXPECT_EQ(m_->MemoryImage[0x17FF], Original(0x17FF));
    EXPECT_EQ(m_->MemoryImage[0x1800], 1);
    EXPECT_EQ(m_->MemoryImage[0x1863], 100);
    EXPECT_EQ(m_->MemoryImage[0x1864], Original(0x1864));
    ExpectRegistersUntouched();
}

TEST_F(MemoryFilesTest, LoadWrapsFromTopOfMemoryToZero) {
    std::string path = MakeFile("wrap.bin", 10, 0xA0);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 65530, 0), ImageLoadResult::Loaded);
    EXPECT_EQ(m_->MemoryImage[65529], Original(65529));
    EXPECT_EQ(m_->MemoryImage[65530], 0xA0);
    EXPECT_EQ(m_->MemoryImage[65535], 0xA5);
    EXPECT_EQ(m_->MemoryImage[0], 0xA6);
    EXPECT_EQ(m_->MemoryImage[3], 0xA9);
    EXPECT_EQ(m_->MemoryImage[4], Original(4));
    ExpectRegistersUntouched();  // base 65530 is not base 0
}

// "Write Protect ROM" checked: only base 0 writes the ROM; no load wraps.
TEST_F(MemoryFilesTest, ProtectedLoadsStopAtFFFFhAndKeepOutOfTheRom) {
    struct Row { uint16_t base; uint32_t size, pastTop, inRom; };
    const Row rows[] = {{0xFFF8, 8, 0, 0},         // ends at FFFFh exactly
                        {0xFFF8, 9, 1, 0},         // one past
                        {0x0800, 0x1000, 0, 0x800},  // from inside the ROM
                        {0x0000, 0x1000, 0, 0}};   // the monitor's own image
    m_->WriteProtectRom = true;
    for (const Row& row : rows) {
        for (int a = 0; a < 65536; ++a) m_->MemoryImage[a] = Original(a);
        kestrel::SkippedBytes skipped;
        ASSERT_EQ(kestrel::LoadMemoryImage(*m_, MakeFile("p.bin", row.size, 0x80), row.base, 0, &skipped),
                  ImageLoadResult::Loaded);
        EXPECT_EQ(skipped.PastTop, row.pastTop) << row.base;
        EXPECT_EQ(skipped.InRom, row.inRom) << row.base;
        for (uint32_t i = 0; i < row.size; ++i) {
            const uint32_t a = row.base + i;
            const bool written = a <= 0xFFFF && (row.base == 0 || a > 0x0FFF);
            ASSERT_EQ(m_->MemoryImage[a & 0xFFFF], written ? uint8_t(0x80 + i) : Original(a & 0xFFFF)) << a;
        }
    }
    EXPECT_EQ(kestrel::DescribeSkippedBytes({1, 0}).rfind("1 byte past FFFFh not written", 0), 0u);
    EXPECT_EQ(kestrel::DescribeSkippedBytes({}), "");
}

TEST_F(MemoryFilesTest, EmptyFileChangesNoMemoryButBaseZeroStillResets) {
    std::string path = MakeFile("empty.bin", 0);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 6144, 0), ImageLoadResult::Loaded);
    ExpectMemoryOriginal();
    ExpectRegistersUntouched();
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 0, 0), ImageLoadResult::Loaded);
    ExpectMemoryOriginal();
    ExpectRegistersCleared();
}

TEST_F(MemoryFilesTest, CountLimitsTheTransferAndShortFileStopsAtItsEnd) {
    std::string path = MakeFile("ten.bin", 10, 0x10);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 0x2000, 4), ImageLoadResult::Loaded);
    EXPECT_EQ(m_->MemoryImage[0x2003], 0x13);
    EXPECT_EQ(m_->MemoryImage[0x2004], Original(0x2004));

    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 0x3000, 500), ImageLoadResult::Loaded);
    EXPECT_EQ(m_->MemoryImage[0x3009], 0x19);
    for (int a = 0x300A; a < 0x3000 + 500; ++a) ASSERT_EQ(m_->MemoryImage[a], Original(a)) << a;
}

TEST_F(MemoryFilesTest, FileLongerThanMemoryFillsMemoryOnceWithCountZero) {
    // 70,000 bytes: with count 0 the first 65,536 land once around the whole
    // address space from the base on; the remaining 4,464 are not wrapped over them.
    std::string path = MakeFile("big.bin", 70000, 0);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 100, 0), ImageLoadResult::Loaded);
    EXPECT_EQ(m_->MemoryImage[100], 0);          // byte 0
    EXPECT_EQ(m_->MemoryImage[355], 255);        // byte 255
    EXPECT_EQ(m_->MemoryImage[0], 0x9C);         // byte 65436 = 0xFF9C
    EXPECT_EQ(m_->MemoryImage[99], 0xFF);        // byte 65535, the last one taken
    ExpectRegistersUntouched();

    // With a count the file is cut as usual.
    std::unique_ptr<MachineRecord> before = std::make_unique<MachineRecord>(*m_);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, MakeFile("big2.bin", 70000, 0x50), 0x8000, 3),
              ImageLoadResult::Loaded);
    EXPECT_EQ(m_->MemoryImage[0x8000], 0x50);
    EXPECT_EQ(m_->MemoryImage[0x8002], 0x52);
    EXPECT_EQ(m_->MemoryImage[0x8003], before->MemoryImage[0x8003]);
}

TEST_F(MemoryFilesTest, MissingFileIsRefusedAndChangesNothing) {
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, (dir_ / "absent.bin").string(), 0, 0),
              ImageLoadResult::CannotOpen);
    ExpectMemoryOriginal();
    ExpectRegistersUntouched();
}

TEST_F(MemoryFilesTest, UnreadableFileIsRefusedAndChangesNothing) {
    // Tests may run as root, where permission bits do not stop a read. A path
    // that goes through a regular file as if it were a folder cannot be opened
    // by anyone (ENOTDIR), so it stands for an unreadable file here.
    std::string plain = MakeFile("plain.bin", 16);
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, plain + "/inner.bin", 0, 0),
              ImageLoadResult::CannotOpen);
    ExpectMemoryOriginal();
    ExpectRegistersUntouched();
}

TEST_F(MemoryFilesTest, FolderChosenAsFileIsRefusedAndChangesNothing) {
    fs::create_directory(dir_ / "folder.bin");
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, (dir_ / "folder.bin").string(), 0, 0),
              ImageLoadResult::CannotOpen);
    ExpectMemoryOriginal();
    ExpectRegistersUntouched();
}

// --- saving ------------------------------------------------------------------

TEST_F(MemoryFilesTest, ExtensionRules) {
    using kestrel::WithImageExtension;
    EXPECT_EQ(WithImageExtension("monitor", 0, 16384), "monitor.rom");
    EXPECT_EQ(WithImageExtension("screen", 16384, 6912), "screen.scr");
    EXPECT_EQ(WithImageExtension("ram", 6144, 2048), "ram.bin");
    EXPECT_EQ(WithImageExtension("ram.dat", 6144, 2048), "ram.dat");
    EXPECT_EQ(WithImageExtension("monitor", 0, 4096), "monitor.bin");
    EXPECT_EQ(WithImageExtension("screen", 16384, 6913), "screen.bin");
    EXPECT_EQ(WithImageExtension("a/my.dir/ram", 0, 16384), "a/my.dir/ram.rom");
    EXPECT_EQ(WithImageExtension("a/.hidden", 6144, 1), "a/.hidden.bin");
    EXPECT_EQ(WithImageExtension("a/b.rom", 16384, 6912), "a/b.rom");
}

TEST_F(MemoryFilesTest, SaveWritesTheRangeWithWrapAndChangesNoMemory) {
    std::unique_ptr<MachineRecord> before = std::make_unique<MachineRecord>(*m_);
    std::string path = (dir_ / "top.bin").string();
    EXPECT_EQ(kestrel::SaveMemoryImage(*m_, path, 0xFFFC, 8), ImageSaveResult::Saved);
    std::vector<uint8_t> expected;
    for (int a : {0xFFFC, 0xFFFD, 0xFFFE, 0xFFFF, 0, 1, 2, 3}) expected.push_back(Original(a));
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(std::memcmp(before.get(), m_.get(), sizeof(MachineRecord)), 0);
}

TEST_F(MemoryFilesTest, SaveReplacesALongerFileAndRoundTrips) {
    std::string path = MakeFile("ram.bin", 5000, 9);
    EXPECT_EQ(kestrel::SaveMemoryImage(*m_, path, 6144, 2048), ImageSaveResult::Saved);
    std::vector<uint8_t> saved = ReadAll(path);
    ASSERT_EQ(saved.size(), 2048u);
    EXPECT_EQ(saved[0], Original(6144));
    EXPECT_EQ(saved[2047], Original(8191));

    // Loading it back elsewhere gives the same bytes.
    EXPECT_EQ(kestrel::LoadMemoryImage(*m_, path, 0x9000, 0), ImageLoadResult::Loaded);
    for (int i = 0; i < 2048; ++i) ASSERT_EQ(m_->MemoryImage[0x9000 + i], Original(6144 + i));
}

TEST_F(MemoryFilesTest, SaveIntoReadOnlyFolderIsRefusedAndWritesNothing) {
    // Tests may run as root, for whom a folder's permission bits do not stop a
    // write. Two places refuse a new file to everyone: the process filesystem
    // /proc, and a "folder" that is in fact a regular file.
    EXPECT_EQ(kestrel::SaveMemoryImage(*m_, "/proc/kestrel-save-test.bin", 0, 16),
              ImageSaveResult::CannotCreate);
    EXPECT_FALSE(fs::exists("/proc/kestrel-save-test.bin"));

    std::string plain = MakeFile("plain.bin", 16, 5);
    std::vector<std::string> listing = Listing();
    EXPECT_EQ(kestrel::SaveMemoryImage(*m_, plain + "/out.bin", 0, 16),
              ImageSaveResult::CannotCreate);
    EXPECT_EQ(Listing(), listing);
    EXPECT_EQ(ReadAll(plain).size(), 16u);
    EXPECT_EQ(ReadAll(plain)[0], 5);
    ExpectMemoryOriginal();
}

TEST_F(MemoryFilesTest, SaveOntoAFolderIsRefusedAndLeavesTheFolder) {
    fs::create_directory(dir_ / "keep.bin");
    MakeFile("keep.bin/inside.txt", 3);
    EXPECT_EQ(kestrel::SaveMemoryImage(*m_, (dir_ / "keep.bin").string(), 0, 16),
              ImageSaveResult::CannotCreate);
    EXPECT_TRUE(fs::is_directory(dir_ / "keep.bin"));
    EXPECT_TRUE(fs::exists(dir_ / "keep.bin" / "inside.txt"));
}

TEST_F(MemoryFilesTest, WriteFailingAfterCreationIsReported) {
    // /dev/full opens for writing like any file and fails every write with
    // "no space left": the failure after creation that must not pass as success.
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    EXPECT_EQ(kestrel::SaveMemoryImage(*m_, "/dev/full", 0, 16), ImageSaveResult::WriteFailed);
}

}  // namespace
