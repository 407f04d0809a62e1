// Helpers for driving kestrel's modal windows in Qt offscreen tests.
#pragma once

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>

namespace kestrel::testing {

// Runs `action` on the first modal window of type T that becomes active, from
// inside its own event loop. Call before the code that opens the window.
// Polls every few milliseconds, so nested modal windows work too: arm the
// next one from inside `action` before triggering it.
template <class T>
void WhenModal(std::function<void(T*)> action, int attempts = 2000) {
    QTimer::singleShot(1, qApp, [action, attempts] {
        if (auto* w = dynamic_cast<T*>(QApplication::activeModalWidget())) {
            action(w);
        } else if (attempts > 0) {
            WhenModal<T>(action, attempts - 1);
        } else {
            ADD_FAILURE() << "no modal window of the expected kind appeared";
        }
    });
}

// Runs `action` on the first visible top-level window of type T (modal or
// not), from inside whatever event loop is running then.
template <class T>
void WhenShown(std::function<void(T*)> action, int attempts = 2000) {
    QTimer::singleShot(1, qApp, [action, attempts] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* t = dynamic_cast<T*>(w); t && t->isVisible()) {
                action(t);
                return;
            }
        }
        if (attempts > 0)
            WhenShown<T>(action, attempts - 1);
        else
            ADD_FAILURE() << "no window of the expected kind appeared";
    });
}

// Every label and push button under `root` shows its text whole: not wider
// than the widget (less `margin` pixels at each end), its ink not taller. With
// the host's fallback fonts a text laid out for narrower fonts is cut at both
// ends when it is centred (")pcode").
inline void ExpectTextsWhole(QWidget* root, int margin = 0) {
    auto check = [&](QWidget* w, const QString& text, int room) {
        if (text.isEmpty()) return;
        const QFontMetrics metrics(w->font());
        EXPECT_LE(metrics.horizontalAdvance(text), room - 2 * margin)
            << text.toStdString() << " in " << w->objectName().toStdString();
        EXPECT_LE(metrics.tightBoundingRect(text).height(), w->height())
            << text.toStdString() << " in " << w->objectName().toStdString();
    };
    for (QLabel* label : root->findChildren<QLabel*>())
        check(label, label->text(), label->contentsRect().width());
    for (QPushButton* button : root->findChildren<QPushButton*>())
        check(button, button->text(), button->width() - 4);  // inside the bevel
}

// main() of every gtest program that needs a QApplication. It sets the
// environment itself, so a test run outside CTest (and CTest's discovery run)
// sees the same: the offscreen platform and SDL's silent audio driver unless
// the caller chose others, and the user's stored settings (QSettings) kept in
// a scratch folder.
inline int RunQtTests(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) qputenv("SDL_AUDIODRIVER", "dummy");
    ::testing::InitGoogleTest(&argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QTemporaryDir settings;
    if (!settings.isValid()) return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    return RUN_ALL_TESTS();
}

}  // namespace kestrel::testing
