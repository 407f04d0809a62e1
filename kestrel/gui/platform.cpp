// Message boxes and file choosers of kestrel, with their test hooks.
#include "kestrel/gui/platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <cstdio>
#include <optional>

namespace kestrel::platform {

namespace {

bool g_recordMessages = false;
std::vector<RecordedMessage> g_recorded;
std::optional<QString> g_nextFileName;

// Hands out the armed answer once.
std::optional<QString> TakeNextFileName() {
    std::optional<QString> answer = g_nextFileName;
    g_nextFileName.reset();
    return answer;
}

}  // namespace

QString WindowTitle(const QString& what) {
    return QString::fromLatin1(kProgramName) + QStringLiteral(" - ") + what;
}

void ShowMessage(QWidget* parent, const QString& title, const QString& text) {
    if (g_recordMessages) {
        g_recorded.push_back({title, text});
        return;
    }
    if (QApplication::instance() == nullptr) {  // no window system to show it in
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("kestrelMessageBox"));
    box.exec();
}

QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory) {
    if (auto answer = TakeNextFileName()) return *answer;
    return QFileDialog::getOpenFileName(parent, title, startDirectory, filter);
}

QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory) {
    if (auto answer = TakeNextFileName()) return *answer;
    return QFileDialog::getSaveFileName(parent, title, startDirectory, filter);
}

void RecordMessages(bool on) { g_recordMessages = on; }

std::vector<RecordedMessage> TakeRecordedMessages() {
    std::vector<RecordedMessage> taken;
    taken.swap(g_recorded);
    return taken;
}

void SetNextFileName(const QString& path) { g_nextFileName = path; }

}  // namespace kestrel::platform
