// Message boxes and file choosers of kestrel, with their test hooks.
#include "kestrel/gui/platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace kestrel::platform {

namespace {

bool g_recordMessages = false;
std::vector<RecordedMessage> g_recorded;
std::optional<QString> g_nextFileName;
std::optional<bool> g_nextAnswer;
QString g_lastChooserFolder;  // the folder of the last chosen file of this run

// Hands out the armed answer once.
std::optional<QString> TakeNextFileName() {
    std::optional<QString> answer = g_nextFileName;
    g_nextFileName.reset();
    return answer;
}

// Remembers the folder of a chosen path for the next chooser.
QString Chosen(const QString& path) {
    if (!path.isEmpty()) g_lastChooserFolder = QFileInfo(path).absolutePath();
    return path;
}

// Centres `dialog` over the top-level window of `parent`, inside the
// available area of that window's screen.
void CentreOver(QWidget* dialog, QWidget* parent) {
    if (parent == nullptr) return;
    QWidget* top = parent->window();
    QRect frame(QPoint(0, 0), dialog->size());
    frame.moveCenter(top->frameGeometry().center());
    if (QScreen* screen = top->screen()) {
        const QRect area = screen->availableGeometry();
        frame.moveRight(std::min(frame.right(), area.right()));
        frame.moveBottom(std::min(frame.bottom(), area.bottom()));
        frame.moveLeft(std::max(frame.left(), area.left()));
        frame.moveTop(std::max(frame.top(), area.top()));
    }
    dialog->move(frame.topLeft());
}

QString RunChooser(QWidget* parent, const QString& title, const QString& filter,
                   const QString& startDirectory, bool save) {
    if (auto answer = TakeNextFileName()) return Chosen(*answer);
    std::unique_ptr<QFileDialog> chooser = MakeFileChooser(parent, title, filter, startDirectory, save);
    if (chooser->exec() != QDialog::Accepted || chooser->selectedFiles().isEmpty()) return {};
    return Chosen(chooser->selectedFiles().constFirst());
}

}  // namespace

QString WindowTitle(const QString& what) {
    return QString::fromLatin1(kProgramName) + QStringLiteral(" - ") + what;
}

QFont FitFont(QFont font, const QString& text, int width) {
    if (font.stretch() == QFont::AnyStretch) font.setStretch(QFont::Unstretched);
    while (QFontMetrics(font).horizontalAdvance(text) > width) {
        if (font.stretch() > 80) {
            font.setStretch(font.stretch() - 3);
        } else if (font.pointSizeF() > 6) {
            font.setPointSizeF(font.pointSizeF() - 0.5);
        } else {
            break;
        }
    }
    return font;
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

bool AskYesNo(QWidget* parent, const QString& title, const QString& text) {
    if (g_recordMessages) {
        g_recorded.push_back({title, text});
        const bool yes = g_nextAnswer.value_or(false);
        g_nextAnswer.reset();
        return yes;
    }
    if (QApplication::instance() == nullptr) return false;
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setObjectName(QStringLiteral("kestrelQuestionBox"));
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

std::unique_ptr<QFileDialog> MakeFileChooser(QWidget* parent, const QString& title,
                                             const QString& filter,
                                             const QString& startDirectory, bool save) {
    auto chooser = std::make_unique<QFileDialog>(
        parent, title, g_lastChooserFolder.isEmpty() ? startDirectory : g_lastChooserFolder);
    chooser->setObjectName(QStringLiteral("kestrelFileChooser"));
    chooser->setNameFilters({filter, QString::fromLatin1(kAllFilesFilter)});
    chooser->selectNameFilter(filter);
    if (save) {
        chooser->setAcceptMode(QFileDialog::AcceptSave);
        chooser->setFileMode(QFileDialog::AnyFile);
        chooser->setOption(QFileDialog::DontConfirmOverwrite, true);
    } else {
        chooser->setAcceptMode(QFileDialog::AcceptOpen);
        chooser->setFileMode(QFileDialog::ExistingFile);
    }
    chooser->resize(kChooserWidth, kChooserHeight);
    CentreOver(chooser.get(), parent);
    return chooser;
}

QString OpenFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory) {
    return RunChooser(parent, title, filter, startDirectory, false);
}

QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                     const QString& startDirectory) {
    return RunChooser(parent, title, filter, startDirectory, true);
}

void RecordMessages(bool on) { g_recordMessages = on; }

std::vector<RecordedMessage> TakeRecordedMessages() {
    std::vector<RecordedMessage> taken;
    taken.swap(g_recorded);
    return taken;
}

void SetNextFileName(const QString& path) { g_nextFileName = path; }

void SetNextAnswer(bool yes) { g_nextAnswer = yes; }

}  // namespace kestrel::platform
