// A test fixture that starts kestrel as the program does, in a scratch working
// directory holding its own "mpf1b_u6.rom", with every message box recorded
// instead of shown and the remembered choices kept in that directory. Shared
// by the shell, debugger and debugging-engine tests.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <memory>
#include <vector>

#include "kestrel/gui/platform.h"
#include "kestrel/shell/emulator.h"
#include "kestrel/shell/main_window.h"
#include "kestrel/debug/machine_record.h"

namespace kestrel {

class KestrelProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        previous_ = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir_.path()));
        platform::RecordMessages(true);
        platform::TakeRecordedMessages();
        platform::UseSettingsFile(dir_.filePath(QStringLiteral("kestrel.conf")));
    }
    void TearDown() override {
        emulator_.reset();
        platform::TakeRecordedMessages();
        platform::RecordMessages(false);
        platform::UseSettingsFile({});
        QDir::setCurrent(previous_);
    }

    // Writes `rom` as "mpf1b_u6.rom", padded with `fill` to `size` bytes.
    static void WriteRom(std::vector<uint8_t> rom, size_t size = 4096, uint8_t fill = 0xFF) {
        rom.resize(size, fill);
        QFile f(QStringLiteral("mpf1b_u6.rom"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(reinterpret_cast<const char*>(rom.data()), static_cast<qint64>(rom.size())),
                  static_cast<qint64>(rom.size()));
    }

    // Starts kestrel with `rom` at 0x0000 (padded with `fill` to 4,096 bytes)
    // and expects start-up to succeed without a message.
    void StartWith(std::vector<uint8_t> rom, uint8_t fill = 0xFF) {
        WriteRom(std::move(rom), 4096, fill);
        emulator_ = std::make_unique<Emulator>();
        ASSERT_TRUE(emulator_->Start());
        ASSERT_TRUE(platform::TakeRecordedMessages().empty());
    }

    MachineRecord& M() { return emulator_->Machine(); }
    MainWindow& W() { return emulator_->Window(); }

    QTemporaryDir dir_;
    QString previous_;
    std::unique_ptr<Emulator> emulator_;
};

}  // namespace kestrel
