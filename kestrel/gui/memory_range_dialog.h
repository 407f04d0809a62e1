// "Load Bin/Rom" and "Save Bin/Rom": the range dialog, the file choosers and
// the message boxes around the file work of memory_files.h. Shared by the main
// menu and the debugger's "File" menu.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>

#include "kestrel/debug/machine_record.h"

class QLineEdit;
class QPushButton;
class QWidget;

namespace kestrel {

// The file chooser settings of both actions.
inline constexpr char kLoadFileTitle[] = "Load BIN file";
inline constexpr char kSaveFileTitle[] = "Save BIN file";
inline constexpr char kImageFileFilter[] = "All supported files (*.bin)|*.bin;*.scr;*.rom";
inline constexpr char kLoadFailedText[] = "Can't read from file!";
inline constexpr char kCreateFailedText[] = "Can't open file!";
inline constexpr char kWriteFailedText[] = "Can't write to file!";

// A filter written as "label|pattern;pattern" in Qt's form "label (pattern
// pattern)": a pattern list in brackets at the end of the label is replaced by
// all the patterns.
QString QtFileFilter(const QString& filter);

// Where the file choosers start before a file has been chosen: the folder
// kestrel runs in (its working directory, where its ROM and listings are).
QString ImageFileStartDirectory();

// The range dialog: base address and byte count, typed in decimal or in
// marked hexadecimal (number_field.h).
class MemoryRangeDialog : public QDialog {
public:
    enum class Mode { Load, Save };

    explicit MemoryRangeDialog(Mode mode, QWidget* parent = nullptr);

    uint16_t BaseAddress() const { return base_; }
    uint16_t ByteCount() const { return count_; }

    QLineEdit* BaseField() const { return baseField_; }
    QLineEdit* CountField() const { return countField_; }
    QPushButton* U6Button() const { return u6_; }
    QPushButton* MoreButton() const { return more_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* OkButton() const { return ok_; }

    void reject() override {}  // no close button, Escape does nothing: only "Cancel" abandons

private:
    void Preset();
    // A change of `field`: a digit string in range becomes `value`, one out of range empties the field.
    void Follow(QLineEdit* field, const QString& text, uint16_t& value);
    void TryAccept();

    Mode mode_;
    uint16_t base_ = 0;
    uint16_t count_ = 0;
    QLineEdit* baseField_;
    QLineEdit* countField_;
    QPushButton* u6_;
    QPushButton* more_;
    QPushButton* cancel_;
    QPushButton* ok_;
};

// What a load took in, for loading it again.
struct LoadedImage {
    QString Path;
    uint16_t Base = 0;
    uint16_t Count = 0;
};

// The two menu actions. Each asks for the range, then for the file, does the
// transfer and reports a failure in a "Load BIN" or "Save BIN" message box.
// Loading at base 0 resets the processor. Neither refreshes any display.
// LoadBinFile returns whether a file was loaded, and then fills `loaded`.
bool LoadBinFile(MachineRecord& m, QWidget* parent, LoadedImage* loaded = nullptr);
void SaveBinFile(const MachineRecord& m, QWidget* parent);

}  // namespace kestrel
