#include "notice.h"

#include <dbus/dbus.h>

namespace vel {

std::string noticeText(std::string_view reason, std::string_view jobUser) {
    std::string text(reason);
    text += ' ';
    text += jobUser;
    return text;
}

namespace {

// A private connection, so that libdbus never ends the process on a
// disconnect and the connection can be closed when the notice is out.
struct Connection {
    DBusConnection* conn = nullptr;
    ~Connection() {
        if (conn) {
            dbus_connection_close(conn);
            dbus_connection_unref(conn);
        }
    }
};

struct Message {
    DBusMessage* msg = nullptr;
    ~Message() {
        if (msg) dbus_message_unref(msg);
    }
};

} // namespace

bool sendNotice(const std::string& text, const LogFn& log) {
    DBusError err;
    dbus_error_init(&err);
    Connection c;
    c.conn = dbus_bus_get_private(DBUS_BUS_SYSTEM, &err);
    if (dbus_error_is_set(&err)) {
        log(format("Connection Error (%s)\n", err.message));
        dbus_error_free(&err);
    }
    if (!c.conn) return false;
    dbus_connection_set_exit_on_disconnect(c.conn, FALSE);

    // Every filter lets a later one take the name over and never waits in the
    // queue: concurrent jobs must not fail because of each other. A name held
    // by someone who does not let go is no reason to lose the notice either;
    // only the bus refusing the name (its policy) is.
    int reply =
        dbus_bus_request_name(c.conn, "com.velmora.filter",
                              DBUS_NAME_FLAG_REPLACE_EXISTING | DBUS_NAME_FLAG_ALLOW_REPLACEMENT |
                                  DBUS_NAME_FLAG_DO_NOT_QUEUE,
                              &err);
    if (dbus_error_is_set(&err)) {
        log(format("Name Error (%s)\n", err.message));
        dbus_error_free(&err);
        return false;
    }
    if (reply == DBUS_REQUEST_NAME_REPLY_EXISTS)
        log("DEBUG: com.velmora.filter is held by another process\n");

    Message m;
    m.msg =
        dbus_message_new_method_call("com.velmora.orvui", "/", "local.orvd.orvdbus", "showMessage");
    if (!m.msg) {
        log("Message Null\n");
        return false;
    }
    // libdbus aborts the process on a string that is not UTF-8; a user name
    // from the print client may be anything.
    std::string safe = text.c_str();
    if (!dbus_validate_utf8(safe.c_str(), nullptr))
        for (char& ch : safe)
            if (static_cast<unsigned char>(ch) >= 0x80) ch = '?';
    const char* arg = safe.c_str();
    DBusPendingCall* pending = nullptr;
    if (!dbus_message_append_args(m.msg, DBUS_TYPE_STRING, &arg, DBUS_TYPE_INVALID) ||
        !dbus_connection_send_with_reply(c.conn, m.msg, &pending, DBUS_TIMEOUT_USE_DEFAULT)) {
        log("Out Of Memory!\n");
        return false;
    }
    if (!pending) {
        log("Pending Call Null\n");
        return false;
    }
    dbus_pending_call_unref(pending);
    log("Done sending message\n");
    dbus_connection_flush(c.conn);
    return true;
}

} // namespace vel
