// The thin layer between kestrel and the host: every message box, every file
// chooser and the beep go through here, so the fixed titles live in one place
// and tests can answer dialogs without ever showing one.
//
// Test hooks (KeePassXC style): RecordMessages(true) makes ShowMessage record
// the box instead of showing it; SetNextFileName() answers the next file
// chooser. Both are process-wide and meant for one thread, like the rest of
// the program.
#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace kestrel::platform {

// --- fixed texts -----------------------------------------------------------
inline constexpr char kProgramName[] = "Kestrel";
inline constexpr char kProgramVersion[] = "0.01";
inline constexpr char kMainWindowTitle[] = "Kestrel MicroProfessor Emulator - Pre-release beta";
inline constexpr char kTitleFatalError[] = "Fatal Error";
inline constexpr char kTitleError[] = "Error";
inline constexpr char kTitleInfo[] = "Info";
inline constexpr char kTitleLoadBin[] = "Load BIN";
inline constexpr char kTitleLoadHex[] = "Load HEX";
inline constexpr char kTitleSaveBin[] = "Save BIN";
inline constexpr char kTitleAbout[] = "About";

// Every secondary window's title: "Kestrel - " followed by `what`
// ("Kestrel - Debugger").
QString WindowTitle(const QString& what);

// --- message boxes and file choosers ----------------------------------------

// A modal message box with the title, the text and one OK button. Returns
// when the user has dismissed it (at once while messages are recorded).
void ShowMessage(QWidget* parent, const QString& title, const QString& text);

// File choosers: `filter` in Qt's form ("Binary files (*.bin *.scr *.rom)"),
// `startDirectory` the folder shown first. Return the chosen path, or an empty
// string when the user cancelled.
QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory);
QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory);

// --- sound -------------------------------------------------------------------

// Opens the host's audio output if there is one. Never fails: without a
// device every beep is silent. Safe to call more than once.
void InitAudio();

// A sine tone of `frequencyHz` for `durationMs`, synchronous: returns after
// the duration has passed, with or without an audio device.
void Beep(int frequencyHz, int durationMs);

// Closes the audio output (at exit). A later InitAudio opens it again.
void ShutdownAudio();

// Whether InitAudio found an output device (for reports and tests).
bool AudioAvailable();

// --- test hooks ----------------------------------------------------------------

struct RecordedMessage {
    QString Title;
    QString Text;
};

// While on, ShowMessage records instead of showing (and turning it off
// keeps what has been recorded until taken).
void RecordMessages(bool on);
// The messages recorded so far, oldest first; the record is emptied.
std::vector<RecordedMessage> TakeRecordedMessages();

// The next OpenFileName or SaveFileName returns `path` without showing a
// chooser (an empty path answers "cancelled"). One answer per call.
void SetNextFileName(const QString& path);

// How many beeps have been requested since the process started.
int BeepCount();

}  // namespace kestrel::platform
