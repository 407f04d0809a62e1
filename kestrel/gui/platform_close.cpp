// Close requests that Qt drops: while a modal window (the debugger, a
// dialog) is open, Qt refuses the window manager's close request for every
// window the modal one blocks, so closing the main window then would be lost.
// On X11 the request is a WM_PROTOCOLS / WM_DELETE_WINDOW client message; it
// is seen here before Qt drops it and handed to the caller, who remembers it.
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <xcb/xcb.h>

#include "kestrel/gui/platform.h"

namespace kestrel::platform {

namespace {

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr);
    if (reply == nullptr) return XCB_ATOM_NONE;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    return atom;
}

class BlockedCloseWatcher : public QObject, public QAbstractNativeEventFilter {
public:
    BlockedCloseWatcher(QWidget* window, xcb_connection_t* connection, std::function<void()> onClose)
        : QObject(window),
          window_(window),
          protocols_(InternAtom(connection, "WM_PROTOCOLS")),
          deleteWindow_(InternAtom(connection, "WM_DELETE_WINDOW")),
          onClose_(std::move(onClose)) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~BlockedCloseWatcher() override {
        if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t" || window_.isNull()) return false;
        auto* event = static_cast<xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE) return false;
        auto* client = reinterpret_cast<xcb_client_message_event_t*>(event);
        if (client->format != 32 || client->type != protocols_ ||
            client->data.data32[0] != deleteWindow_ ||
            client->window != static_cast<xcb_window_t>(window_->winId())) {
            return false;
        }
        // Without a modal window Qt delivers the request itself.
        if (QApplication::activeModalWidget() != nullptr) onClose_();
        return false;  // Qt may go on with it as it will
    }

private:
    QPointer<QWidget> window_;
    xcb_atom_t protocols_;
    xcb_atom_t deleteWindow_;
    std::function<void()> onClose_;
};

}  // namespace

void WatchBlockedCloseRequests(QWidget* window, std::function<void()> onClose) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (x11 == nullptr || x11->connection() == nullptr) return;
    new BlockedCloseWatcher(window, x11->connection(), std::move(onClose));
}

}  // namespace kestrel::platform
