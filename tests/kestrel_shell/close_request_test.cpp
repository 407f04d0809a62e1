// A close request for the main window, sent the way a window manager's close
// button sends it (a WM_DELETE_WINDOW client message), while the debugger has
// a dialog or the hex dump open on top of it. Qt drops such requests for a
// window that a modal one blocks; kestrel must still end, with status 0, once
// the debugger has returned. Runs on the xcb platform in its own Xvfb server
// (run_on_xvfb.sh): the offscreen platform has no such requests.
#include <gtest/gtest.h>

#include <QAbstractNativeEventFilter>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>

#include <xcb/xcb.h>

#include "kestrel/debugger_ui/debugger_menu_ids.h"
#include "kestrel/shell/emulator.h"
#include "kestrel/shell/main_window.h"
#include "tests/kestrel_shell/kestrel_program_fixture.h"

namespace kestrel {
namespace {

xcb_connection_t* Connection() {
    return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

xcb_atom_t Atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        Connection(), xcb_intern_atom(Connection(), 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// What a window manager sends when its close button is clicked.
void SendCloseRequest(QWidget* window) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window->winId());
    event.type = Atom("WM_PROTOCOLS");
    event.data.data32[0] = Atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(Connection(), 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(Connection());
}

// Notes when a close request for `window` has come back from the X server:
// the program's own filter has seen it by the time the event loop goes on.
class CloseWitness : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) == XCB_CLIENT_MESSAGE &&
            reinterpret_cast<xcb_client_message_event_t*>(event)->window == Window)
            Seen = true;
        return false;
    }
    xcb_window_t Window = 0;
    bool Seen = false;
};

bool Exposed(const QWidget* w) {
    return w != nullptr && w->isVisible() && w->windowHandle() != nullptr && w->windowHandle()->isExposed();
}

QWidget* TopLevel(const char* objectName) {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(objectName) && w->isVisible()) return w;
    return nullptr;
}

// After a failure: every window but the main one closed, and the program asked to end.
void Abandon() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible() || w->objectName() == QLatin1String("mainWindow")) continue;
        if (auto* dialog = qobject_cast<QDialog*>(w)) dialog->done(QDialog::Rejected);
        else w->close();
    }
    if (auto* main = qobject_cast<MainWindow*>(TopLevel("mainWindow"))) main->RequestQuit();
}

// Runs `then` once `ready` holds, polled every 20 ms for up to 10 s. `then`
// may enter a nested event loop: the poll has ended before.
void When(std::function<bool()> ready, std::function<void()> then, const char* what) {
    auto* timer = new QTimer;
    auto polls = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [=] {
        const bool done = ready();
        if (!done && ++*polls < 500) return;
        timer->stop();
        timer->deleteLater();
        if (done) {
            then();
        } else {
            ADD_FAILURE() << "never happened: " << what;
            Abandon();
        }
    });
    timer->start(20);
}

// The window the debugger opened: anything shown besides the main window,
// the debugger and the debugger's Code window.
QWidget* NestedWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!Exposed(w) || w->objectName() == QLatin1String("mainWindow") ||
            w->objectName() == QLatin1String("debuggerWindow") || w->objectName() == QLatin1String("codeWindow"))
            continue;
        return w;
    }
    return nullptr;
}

class CloseWhileNested : public KestrelProgramFixture, public ::testing::WithParamInterface<int> {};

TEST_P(CloseWhileNested, EndsTheProgramWithStatusZeroOnceTheDebuggerReturns) {
    WriteRom({}, 4096, 0x00);  // NOPs
    CloseWitness witness;
    QCoreApplication::instance()->installNativeEventFilter(&witness);
    bool debuggerStayed = false, nestedStayed = false, forgotten = false;
    const int item = GetParam();

    When([] { return Exposed(TopLevel("mainWindow")); }, [&] {
        auto* main = static_cast<MainWindow*>(TopLevel("mainWindow"));
        witness.Window = static_cast<xcb_window_t>(main->winId());
        When([] { return Exposed(TopLevel("debuggerWindow")); }, [&, main] {
            QWidget* debugger = TopLevel("debuggerWindow");
            When([] { return NestedWindow() != nullptr; }, [&, main, debugger] {
                SendCloseRequest(main);
                When([&] { return witness.Seen; }, [&, main, debugger] {
                    debuggerStayed = Exposed(debugger);
                    QWidget* nested = NestedWindow();
                    nestedStayed = nested != nullptr;
                    if (auto* dialog = qobject_cast<QDialog*>(nested)) dialog->done(QDialog::Rejected);
                    else if (nested != nullptr) nested->close();  // the hex dump ends on any close
                    When([] { return NestedWindow() == nullptr; }, [&, main, debugger] {
                        debugger->findChild<QPushButton*>(QStringLiteral("buttonRUN"))->click();
                        // Forgotten: the program runs on after RUN.
                        QTimer::singleShot(5000, main, [&, main] {
                            forgotten = true;
                            main->RequestQuit();
                        });
                    }, "the nested window closed");
                }, "the close request arrived");
            }, "the nested window opened");
            debugger->findChild<QAction*>(QStringLiteral("debuggerMenu%1").arg(item))->trigger();
        }, "the debugger opened");
        main->OpenDebugger();
    }, "the main window shown");

    EXPECT_EQ(RunKestrel(), 0);
    QCoreApplication::instance()->removeNativeEventFilter(&witness);
    EXPECT_TRUE(witness.Seen);
    EXPECT_TRUE(debuggerStayed);
    EXPECT_TRUE(nestedStayed);
    EXPECT_FALSE(forgotten) << "the close request was forgotten";
}

// The hex dump, peek, poke, a register load, the opcode and the register
// breakpoints, the range of "Disassemble to file" and the file chooser.
INSTANTIATE_TEST_SUITE_P(DebuggerTools, CloseWhileNested,
                         ::testing::Values(debugger_menu::kHexDump, debugger_menu::kPeek,
                                           debugger_menu::kPoke, debugger_menu::kLoadRegisterFirst,
                                           debugger_menu::kBreakOnOpcode,
                                           debugger_menu::kBreakOnRegisterFirst,
                                           debugger_menu::kDisassembleToFile,
                                           debugger_menu::kLoadBin));

}  // namespace
}  // namespace kestrel
