// The thin layer between kestrel and the host: every message box, every file
// chooser, the beep and the remembered settings go through here, so the fixed
// titles live in one place and tests can answer dialogs without ever showing
// one or touching the user's settings.
//
// Test hooks (KeePassXC style): RecordMessages(true) makes ShowMessage record
// the box instead of showing it; SetNextFileName() answers the next file
// chooser. Both are process-wide and meant for one thread, like the rest of
// the program.
#pragma once

#include <QFont>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "kestrel/board/speaker_stream.h"

class QFileDialog;
class QWidget;

namespace kestrel::platform {

// --- fixed texts -----------------------------------------------------------
inline constexpr char kProgramName[] = "Kestrel";
inline constexpr char kProgramVersion[] = KESTREL_VERSION;  // the project's version, 0.01
inline constexpr char kMainWindowTitle[] = "Kestrel MicroProfessor Emulator - Pre-release beta";
inline constexpr char kTitleFatalError[] = "Fatal Error";
inline constexpr char kTitleError[] = "Error";
inline constexpr char kTitleInfo[] = "Info";
inline constexpr char kTitleLoadBin[] = "Load BIN";
inline constexpr char kTitleLoadHex[] = "Load HEX";
inline constexpr char kTitleSaveBin[] = "Save BIN";
inline constexpr char kTitleAbout[] = "About";
inline constexpr char kTitleDisassemble[] = "Disassemble to file";
inline constexpr char kTitleDebugToFile[] = "Debug to file";

// The window flags of a fixed-size dialog that only its own buttons close:
// a title bar with a minimise button and nothing else, and a fixed size, so
// the window manager offers no resizing. Window managers may still draw
// buttons of their own: openbox keeps its maximise (greyed) and close buttons
// whatever the hints say, and its title bar then leaves less room for the
// title.
inline constexpr Qt::WindowFlags kFixedDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
    Qt::MSWindowsFixedSizeDialogHint;

// Every secondary window's title: "Kestrel - " followed by `what`
// ("Kestrel - Debugger").
QString WindowTitle(const QString& what);

// --- fonts -------------------------------------------------------------------

// `font`, narrowed (down to 80 % of its width) and if need be made smaller
// until `text` fits into `width` pixels: the host's fallback fonts are wider
// than the ones the windows were laid out for.
QFont FitFont(QFont font, const QString& text, int width);

// --- message boxes and file choosers ----------------------------------------

// A modal message box with the title, the text and one OK button. Returns
// when the user has dismissed it (at once while messages are recorded).
void ShowMessage(QWidget* parent, const QString& title, const QString& text);

// A modal question with "Yes" and "No" buttons; true when the user chose Yes.
bool AskYesNo(QWidget* parent, const QString& title, const QString& text);

// File choosers: `filter` in Qt's form ("Binary files (*.bin *.scr *.rom)"),
// offered first, then "All files (*)". They open in the folder of the last
// chosen file of this run, or in `startDirectory` before the first choice.
// Return the chosen path, or an empty string when the user cancelled. The
// save chooser never asks about replacing a file: the caller decides the
// final name and asks about that one.
QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory);
QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory);

// The chooser that OpenFileName and SaveFileName run, ready to show: its
// filters, folder, and a size centred over the top-level window of `parent`
// (kept on that window's screen).
std::unique_ptr<QFileDialog> MakeFileChooser(QWidget* parent, const QString& title,
                                             const QString& filter,
                                             const QString& startDirectory, bool save);
inline constexpr char kAllFilesFilter[] = "All files (*)";
inline constexpr int kChooserWidth = 560;
inline constexpr int kChooserHeight = 400;

// Calls `onClose` when the window system asks `window` to close while a
// modal window blocks it (Qt drops such requests). Only X11 has this; on
// other platforms the call does nothing. The watch ends with the window.
void WatchBlockedCloseRequests(QWidget* window, std::function<void()> onClose);

// --- sound -------------------------------------------------------------------

// Opens the host's audio output if there is one. Never fails: without a
// device every beep and the speaker are silent, and nothing is printed about
// the missing device. Safe to call more than once.
void InitAudio();

// A sine tone of `frequencyHz` for `durationMs`, synchronous: returns after
// the duration has passed, with or without an audio device.
void Beep(int frequencyHz, int durationMs);

// Closes the audio output (at exit). A later InitAudio opens it again.
void ShutdownAudio();

// Whether InitAudio found an output device (for reports and tests).
bool AudioAvailable();

// The speaker's stream (real time) goes into SDL's queue of the output
// device: mono signed 16-bit samples at AudioSampleRate() (0 without a
// device), played behind what is queued. SpeakerStream
// (kestrel/board/speaker_stream.h) keeps its level.
int AudioSampleRate();
AudioQueue& SpeakerQueue();

// --- settings ------------------------------------------------------------------

// The choices remembered between runs live in QSettings under this
// organisation and application name (on Linux ~/.config/kestrel/kestrel.conf;
// the names of the choices are in kestrel/shell/emulation_settings.cpp).
inline constexpr char kSettingsOrganisation[] = "kestrel";
inline constexpr char kSettingsApplication[] = "kestrel";

// A remembered on/off choice, or `fallback` when it was never made.
bool LoadChoice(const char* name, bool fallback);
// Remembers a choice for the next runs.
void SaveChoice(const char* name, bool on);

// --- test hooks ----------------------------------------------------------------

struct RecordedMessage {
    QString Title;
    QString Text;
};

// While on, ShowMessage and AskYesNo record instead of showing (and turning
// it off keeps what has been recorded until taken). A recorded question is
// answered by SetNextAnswer, or with No when none is armed.
void RecordMessages(bool on);
// The messages recorded so far, oldest first; the record is emptied.
std::vector<RecordedMessage> TakeRecordedMessages();

// The next OpenFileName or SaveFileName returns `path` without showing a
// chooser (an empty path answers "cancelled"). One answer per call.
void SetNextFileName(const QString& path);

// The answer of the next recorded AskYesNo. One answer per call.
void SetNextAnswer(bool yes);

// Keeps the remembered choices in the INI file `path` instead of the user's
// settings (an empty path returns to those).
void UseSettingsFile(const QString& path);

// How many beeps have been requested since the process started.
int BeepCount();

// Called at the start of every Beep, before it waits (tests look at the
// window while the loop stands still). An empty function removes it.
void SetBeepObserver(std::function<void()> observer);

}  // namespace kestrel::platform
