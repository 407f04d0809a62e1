// Memory image files: the file work behind "Load Bin/Rom" and "Save Bin/Rom".
#include "kestrel/gui/memory_files.h"

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "kestrel/z80/cpu.h"

namespace kestrel {

namespace {

// Closes a descriptor when it goes out of scope, unless released.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

}  // namespace

ImageLoadResult LoadMemoryImage(MachineRecord& m, const std::string& path, uint16_t base,
                                uint16_t count, SkippedBytes* skipped) {
    // O_NONBLOCK keeps a FIFO from hanging the open; it is refused below anyway.
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.get() < 0) return ImageLoadResult::CannotOpen;
    // Only a regular file is a memory image. A folder opens for reading on
    // Linux but cannot be read; a device or a FIFO could block or never end.
    struct stat info {};
    if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return ImageLoadResult::CannotOpen;

    // Read everything first, so that a failing read changes nothing.
    const uint32_t limit = count == 0 ? kMaxImageBytes : count;
    std::vector<uint8_t> bytes(limit);
    uint32_t got = 0;
    while (got < limit) {
        ssize_t n = ::read(file.get(), bytes.data() + got, limit - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ImageLoadResult::ReadFailed;
        }
        if (n == 0) break;  // end of file
        got += static_cast<uint32_t>(n);
    }
    file.Close();  // a failing close of a file opened for reading loses nothing

    if (base == 0) ResetCpu(m);
    // A load at base 0 is the monitor's own image and writes everything.
    const bool guarded = m.WriteProtectRom && base != 0;
    SkippedBytes left;
    for (uint32_t i = 0; i < got; ++i) {
        const uint32_t address = base + i;
        if (guarded && address > 0xFFFF) {
            ++left.PastTop;
        } else if (guarded && RomWriteProtected(m, static_cast<uint16_t>(address))) {
            ++left.InRom;
        } else {
            m.MemoryImage[address & 0xFFFF] = bytes[i];
        }
    }
    if (skipped != nullptr) *skipped = left;
    return ImageLoadResult::Loaded;
}

std::string DescribeSkippedBytes(const SkippedBytes& skipped) {
    auto bytes = [](uint32_t n) { return std::to_string(n) + (n == 1 ? " byte" : " bytes"); };
    std::string text;
    if (skipped.PastTop != 0)
        text += bytes(skipped.PastTop) + " past FFFFh not written: they would have wrapped round to 0000h, "
                "into the monitor ROM.\n";
    if (skipped.InRom != 0)
        text += bytes(skipped.InRom) + " at 0000h-0FFFh not written: that is the monitor ROM.\n";
    if (!text.empty())
        text += "\"Write Protect ROM\" (Emulation menu) is checked: only a load at base 0 replaces the "
                "monitor.";
    return text;
}

ImageSaveResult SaveMemoryImage(const MachineRecord& m, const std::string& path, uint16_t base,
                                uint16_t count) {
    Descriptor file(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.get() < 0) return ImageSaveResult::CannotCreate;

    std::vector<uint8_t> bytes(count);
    uint16_t address = base;
    for (uint32_t i = 0; i < count; ++i) bytes[i] = m.MemoryImage[address++];

    uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::write(file.get(), bytes.data() + done, count - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ImageSaveResult::WriteFailed;
        }
        if (n == 0) return ImageSaveResult::WriteFailed;
        done += static_cast<uint32_t>(n);
    }
    if (!file.Close()) return ImageSaveResult::WriteFailed;
    return ImageSaveResult::Saved;
}

std::string WithImageExtension(const std::string& name, uint16_t base, uint16_t count) {
    // Only the last path component counts: "my.dir/ram" has no extension. A
    // leading dot marks a hidden file, not an extension.
    const std::string::size_type slash = name.find_last_of('/');
    const std::string::size_type start = slash == std::string::npos ? 0 : slash + 1;
    const std::string::size_type dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > start) return name;
    if (base == 0x4000 && count == 0x1B00) return name + ".scr";
    if (base == 0 && count == 0x4000) return name + ".rom";
    return name + ".bin";
}

}  // namespace kestrel
