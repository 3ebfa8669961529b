// The X11 watch: a window manager's doings told from other programs', from the X server's own
// events.
#include "forms/desktop/x11_watch.h"

#include "forms/desktop/keys.h"
#include "forms/windows/form.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <cstdint>
#include <cstdlib>

#include <xcb/xcb.h>
#ifdef VELTI_XKB
// The header names a field "explicit", a word of C++.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit
#endif

namespace velti::forms {

namespace {

xcb_connection_t* x11() {
    auto* application = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return application != nullptr ? application->connection() : nullptr;
}

// How a window that goes out of sight is told apart. A window manager unmaps windows for its own
// reasons: another workspace, shaded, minimised. By ICCCM a window is withdrawn only when, after
// the unmap, its WM_STATE is gone or Withdrawn, or when no window manager runs (nobody owns
// WM_Sn). Anything else is the manager's doing and left to it: xfwm4 leaves WM_STATE Normal on a
// window of another workspace or rolled up, others make it Iconic. A window withdrawn all the
// same was withdrawn by another program (xdotool windowunmap; a manager that believed a forged
// DestroyNotify and let it go): it is mapped again, in front, as it was, the typing and the
// memory panel kept. Nothing here closes a window on a guess. Only a window that another program
// destroys (xdotool windowclose) goes, as if closed, and a message box as if dismissed: nothing of
// it is left to show. Qt's requests on a destroyed window that follow (unmap, destroy, focus) fail
// as expected: their errors are not reported. Events that another client sent (the send_event
// bit) are not the server's word, and are ignored.
// With no window manager (nobody owns WM_Sn), the program gives the keyboard to its windows
// itself, whatever hints a manager that died left on the screen: Qt would ask that manager for it
// through _NET_ACTIVE_WINDOW, and nobody would answer. That holds when a window opens or goes, and
// when the manager dies under the program's windows.
class X11Watch final : public QObject, public QAbstractNativeEventFilter {
public:
    X11Watch(QObject* parent, Keys& keys) : QObject(parent), keys_(keys) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* /*result*/) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (event->response_type == 0)
            return gone_.contains(static_cast<const xcb_generic_error_t*>(message)->resource_id);
        // Qt would believe a DestroyNotify sent by another client and close the window.
        if (event->response_type == (XCB_DESTROY_NOTIFY | 0x80))
            return true;
        switch (event->response_type) {
        case XCB_KEY_PRESS: {
            // A repeat is dropped here, before the accessibility bridge copies the press (without
            // its time) for a screen reader's key listeners, unless the key moves the focus.
            const auto* press = static_cast<const xcb_key_press_event_t*>(message);
            return keys_.pressed(press->detail, press->time, keysym(press->detail));
        }
        case XCB_MAPPING_NOTIFY:
            keysyms_.clear();
            break;
        case XCB_KEY_RELEASE:
            keys_.released(static_cast<const xcb_key_release_event_t*>(message)->detail);
            break;
        case XCB_DESTROY_NOTIFY: {
            // At once, before the events that follow: a key typed to the window that now has
            // the focus must not find it blocked still by a modal window that is gone.
            const xcb_window_t window =
                static_cast<const xcb_destroy_notify_event_t*>(message)->window;
            if (QWidget* top = ours(window)) {
                gone_.insert(window);
                close(top);
            }
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            // The window manager has its say first: it marks the window, or lets it go.
            const xcb_window_t window =
                static_cast<const xcb_unmap_notify_event_t*>(message)->window;
            QPointer<QWidget> top = ours(window);
            if (top && top->isVisible())
                QTimer::singleShot(300, this, [this, top, window] {
                    if (top && top->isVisible() && withdrawn(window))
                        bringBack(window);
                });
            else if (!managed(window))
                // Closed (and often deleted by now): the keyboard goes to the modal window left,
                // or to the window the closed one spoke for.
                handOn(top && top->parentWidget() != nullptr ? top->parentWidget()->window()
                                                             : nullptr);
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            // Back on the root window: the manager that framed it has gone. One that replaces it
            // owns the selection before the old one lets go.
            const auto* reparent = static_cast<const xcb_reparent_notify_event_t*>(message);
            if (QPointer<QWidget> top = ours(reparent->window);
                top && top->isVisible() && reparent->parent == root())
                QTimer::singleShot(100, this, [this, top, window = reparent->window] {
                    if (top && top->isVisible() && !managed(window))
                        handOn(top);
                });
            break;
        }
        case XCB_MAP_NOTIFY: {
            const xcb_window_t window = static_cast<const xcb_map_notify_event_t*>(message)->window;
            QWidget* top = ours(window);
            if (top != nullptr && returning_.remove(window)) {
                top->raise();
                giveKeyboard(top);
            } else if (top != nullptr && !managed(window)) {
                handOn(top);
            }
            break;
        }
        case XCB_PROPERTY_NOTIFY: {
            const auto* change = static_cast<const xcb_property_notify_event_t*>(message);
            if (ours(change->window) != nullptr && change->atom == atom("WM_STATE") &&
                wmState(change->window) == kNormal)
                forgetIconic(change->window);
            break;
        }
        default:
            break;
        }
        return false;
    }

private:
    // Everything below runs on an X event, or a moment after one: the connection is there.
    static constexpr std::uint32_t kWithdrawn = 0, kNormal = 1, kIconic = 3;
    static constexpr std::uint32_t kStateHint = 1U << 1;
    static constexpr std::uint32_t kNoState = 0xFFFFFFFF;

    static QWidget* ours(xcb_window_t window) {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->testAttribute(Qt::WA_WState_Created) && top->internalWinId() == window)
                return top;
        }
        return nullptr;
    }
    // The key's first keysym, from the keyboard mapping read when first needed.
    std::uint32_t keysym(xcb_keycode_t code) {
        if (keysyms_.isEmpty()) {
            xcb_connection_t* connection = x11();
            const xcb_setup_t* setup = xcb_get_setup(connection);
            const int count = setup->max_keycode - setup->min_keycode + 1;
            xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
                connection,
                xcb_get_keyboard_mapping(connection, setup->min_keycode, std::uint8_t(count)),
                nullptr);
            keysyms_.resize(256);
            if (mapping != nullptr && mapping->keysyms_per_keycode > 0) {
                const auto* symbols = xcb_get_keyboard_mapping_keysyms(mapping);
                for (int i = 0; i < count; ++i)
                    keysyms_[setup->min_keycode + i] = symbols[i * mapping->keysyms_per_keycode];
            }
            free(mapping);
        }
        return keysyms_[code];
    }
    static xcb_window_t root() { return xcb_setup_roots_iterator(xcb_get_setup(x11())).data->root; }
    // The window that has the keyboard, and whether that is where nobody types: no window, the
    // pointer's, or the screen itself.
    static xcb_window_t focused() {
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(x11(), xcb_get_input_focus(x11()), nullptr);
        const xcb_window_t window = focus != nullptr ? focus->focus : xcb_window_t(XCB_NONE);
        free(focus);
        return window;
    }
    static bool nowhere(xcb_window_t focus) {
        return focus == XCB_NONE || focus == XCB_INPUT_FOCUS_POINTER_ROOT || focus == root();
    }
    xcb_atom_t atom(const char* name) {
        if (const auto known = atoms_.constFind(name); known != atoms_.cend())
            return *known;
        xcb_connection_t* connection = x11();
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, std::uint16_t(qstrlen(name)), name),
            nullptr);
        const xcb_atom_t value = reply != nullptr ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        atoms_.insert(name, value);
        return value;
    }
    // The first words of a property of 32-bit words, or none.
    static QList<std::uint32_t> words(xcb_window_t window, xcb_atom_t property, int count) {
        xcb_connection_t* connection = x11();
        QList<std::uint32_t> value;
        if (property == XCB_ATOM_NONE)
            return value;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                             std::uint32_t(count)),
            nullptr);
        if (reply != nullptr && reply->format == 32) {
            const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply));
            value = QList<std::uint32_t>(data, data + xcb_get_property_value_length(reply) / 4);
        }
        free(reply);
        return value;
    }
    std::uint32_t wmState(xcb_window_t window) {
        const QList<std::uint32_t> state = words(window, atom("WM_STATE"), 1);
        return state.isEmpty() ? kNoState : state.first();
    }
    // Whether a window manager runs on the screen of this window.
    bool managed(xcb_window_t window) {
        xcb_connection_t* connection = x11();
        xcb_get_geometry_reply_t* geometry =
            xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
        // A window destroyed already was on the program's screen.
        const xcb_window_t on = geometry != nullptr ? geometry->root : root();
        free(geometry);
        int screen = 0;
        for (auto roots = xcb_setup_roots_iterator(xcb_get_setup(connection));
             roots.rem > 0 && roots.data->root != on; xcb_screen_next(&roots))
            ++screen;
        const QByteArray selection = "WM_S" + QByteArray::number(screen);
        xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atom(selection.constData())), nullptr);
        const bool running = owner != nullptr && owner->owner != XCB_NONE;
        free(owner);
        return running;
    }
    bool withdrawn(xcb_window_t window) {
        xcb_connection_t* connection = x11();
        if (gone_.contains(window))
            return false;
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, window), nullptr);
        const bool unmapped =
            attributes != nullptr && attributes->map_state == XCB_MAP_STATE_UNMAPPED;
        free(attributes);
        if (!unmapped)
            return false;
        const std::uint32_t state = wmState(window);
        return state == kNoState || state == kWithdrawn || !managed(window);
    }
    // Mapped again, it is the window manager's once more (a new MapRequest), or straight on
    // screen when none runs; it gets the keyboard once it is there.
    void bringBack(xcb_window_t window) {
        xcb_connection_t* connection = x11();
        forgetIconic(window);
        returning_.insert(window);
        xcb_map_window(connection, window);
        const std::uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_configure_window(connection, window, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(connection);
    }
    // Qt minimises a window by marking it iconic at its next map (WM_HINTS), and the mark stays
    // after the window is restored: a window manager that takes the window over later (the one
    // that replaces it) would minimise it again, with nothing on screen to bring it back.
    void forgetIconic(xcb_window_t window) {
        QList<std::uint32_t> hints = words(window, XCB_ATOM_WM_HINTS, 9);
        if (hints.size() < 3 || !(hints[0] & kStateHint) || hints[2] != kIconic)
            return;
        hints[2] = kNormal;
        xcb_change_property(x11(), XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_HINTS,
                            XCB_ATOM_WM_HINTS, 32, std::uint32_t(hints.size()), hints.constData());
        xcb_flush(x11());
    }
    void close(QWidget* top) {
        const QPointer<QWidget> owner =
            top->parentWidget() ? top->parentWidget()->window() : nullptr;
        if (auto* form = dynamic_cast<FormBase*>(top))
            form->nativeWindowGone();
        else if (auto* box = qobject_cast<QDialog*>(top))
            box->reject();
        // Now, and again once the manager has had its say: it may hand the owner the keyboard
        // only a moment later (xfwm4 under load), when Qt no longer listens for it.
        const auto giveBack = [this, owner] {
            if (owner && owner->isVisible() && QApplication::activeModalWidget() == nullptr &&
                QApplication::activeWindow() != owner)
                refocus(owner);
        };
        giveBack();
        for (const int ms : {250, 750})
            QTimer::singleShot(ms, qApp, giveBack);
    }
    // A manager that let a window go before it went (xfwm4 believes a forged DestroyNotify) may
    // give its owner the keyboard while the window is still up for Qt, which then hands the
    // keyboard on to the modal window and leaves its owner inactive, deaf to its access keys. The
    // keyboard is taken away and given back, so that Qt hears it arrive.
    // When the keyboard went nowhere a person types (no window, the screen itself, or a window
    // of the manager's own while it says no window is active), the owner asks for it.
    void refocus(QWidget* owner) {
        xcb_connection_t* connection = x11();
        const xcb_window_t window = owner->internalWinId();
        const xcb_window_t focus = focused();
        if (focus == window) {
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, XCB_NONE, XCB_CURRENT_TIME);
            xcb_set_input_focus(connection, XCB_INPUT_FOCUS_PARENT, window, XCB_CURRENT_TIME);
            xcb_flush(connection);
        } else {
            const QList<std::uint32_t> active = words(root(), atom("_NET_ACTIVE_WINDOW"), 1);
            if (nowhere(focus) || (!active.isEmpty() && active.first() == XCB_NONE))
                giveKeyboard(owner);
        }
    }
    // Where the keyboard would have gone had a window manager been there: to the modal window
    // that blocks the others, or else to this one; unless another program has it.
    void handOn(QWidget* window) {
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* target = modal != nullptr && modal->isVisible() ? modal : window;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (target == nullptr && top->isVisible() && !top->isMinimized())
                target = top;
        }
        if (target == nullptr || !target->isVisible() ||
            !target->testAttribute(Qt::WA_WState_Created))
            return;
        const xcb_window_t focus = focused();
        if (focus != target->internalWinId() && (nowhere(focus) || ours(focus) != nullptr))
            giveKeyboard(target);
    }
    // A window manager is asked for the keyboard; with none, the program takes it.
    void giveKeyboard(QWidget* window) {
        if (managed(window->internalWinId())) {
            window->activateWindow();
            return;
        }
        xcb_set_input_focus(x11(), XCB_INPUT_FOCUS_PARENT, window->internalWinId(),
                            XCB_CURRENT_TIME);
        xcb_flush(x11());
    }

    Keys& keys_;
    QList<std::uint32_t> keysyms_; // by key code
    QSet<xcb_window_t> gone_, returning_;
    QHash<QByteArray, xcb_atom_t> atoms_;
};
} // namespace

void watchX11(QApplication& application, Keys& keys) {
    application.installNativeEventFilter(new X11Watch(&application, keys));
#ifdef VELTI_XKB
    // A key held down repeats as presses alone: Qt tells a repeat from a new press by the release
    // between them, and misses some under load. The watch tells the keys which presses repeat.
    xcb_connection_t* connection = x11();
    const xcb_query_extension_reply_t* xkb =
        connection != nullptr ? xcb_get_extension_data(connection, &xcb_xkb_id) : nullptr;
    if (xkb != nullptr && xkb->present) {
        constexpr std::uint32_t detectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
        xcb_discard_reply(connection, xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD,
                                                               detectable, detectable, 0, 0, 0)
                                          .sequence);
        xcb_flush(connection);
    }
#endif
}

} // namespace velti::forms
