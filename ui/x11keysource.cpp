#include "x11keysource.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <dlfcn.h>

// Xlib's macros (None, KeyPress, Bool...) clash with Qt's names: its headers come last.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

int VirtualKeyFromKeysym(unsigned long keysym)
{
    if (keysym >= XK_a && keysym <= XK_z)
        return VirtualKey::LetterA + static_cast<int>(keysym - XK_a);
    if (keysym >= XK_A && keysym <= XK_Z)
        return VirtualKey::LetterA + static_cast<int>(keysym - XK_A);
    if (keysym >= XK_0 && keysym <= XK_9)
        return VirtualKey::Digit0 + static_cast<int>(keysym - XK_0);
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return VirtualKey::Numpad0 + static_cast<int>(keysym - XK_KP_0);
    if (keysym >= XK_F1 && keysym <= XK_F16)
        return VirtualKey::F1 + static_cast<int>(keysym - XK_F1);
    switch (keysym) {
    case XK_BackSpace:
        return VirtualKey::Backspace;
    case XK_Tab:
    case XK_ISO_Left_Tab:
        return VirtualKey::Tab;
    case XK_Clear:
    case XK_KP_Begin:
        return VirtualKey::Clear;
    case XK_Return:
    case XK_KP_Enter:
        return VirtualKey::Return;
    case XK_Shift_L:
    case XK_Shift_R:
        return VirtualKey::Shift;
    case XK_Control_L:
    case XK_Control_R:
        return VirtualKey::Control;
    case XK_Alt_L:
    case XK_Alt_R:
        return VirtualKey::Alt;
    case XK_Pause:
        return VirtualKey::Pause;
    case XK_Caps_Lock:
        return VirtualKey::CapsLock;
    case XK_Escape:
        return VirtualKey::Escape;
    case XK_space:
        return VirtualKey::Space;
    case XK_Prior:
    case XK_KP_Prior:
        return VirtualKey::PageUp;
    case XK_Next:
    case XK_KP_Next:
        return VirtualKey::PageDown;
    case XK_End:
    case XK_KP_End:
        return VirtualKey::End;
    case XK_Home:
    case XK_KP_Home:
        return VirtualKey::Home;
    case XK_Left:
    case XK_KP_Left:
        return VirtualKey::Left;
    case XK_Up:
    case XK_KP_Up:
        return VirtualKey::Up;
    case XK_Right:
    case XK_KP_Right:
        return VirtualKey::Right;
    case XK_Down:
    case XK_KP_Down:
        return VirtualKey::Down;
    case XK_Select:
        return VirtualKey::Select;
    case XK_Execute:
        return VirtualKey::Execute;
    case XK_Print:
        return VirtualKey::PrintScreen;
    case XK_Insert:
    case XK_KP_Insert:
        return VirtualKey::Insert;
    case XK_Delete:
    case XK_KP_Delete:
        return VirtualKey::Delete;
    case XK_Help:
        return VirtualKey::Help;
    case XK_Super_L:
        return VirtualKey::LeftMeta;
    case XK_Super_R:
        return VirtualKey::RightMeta;
    case XK_Menu:
        return VirtualKey::Menu;
    case XK_KP_Multiply:
        return VirtualKey::NumpadMultiply;
    case XK_KP_Add:
        return VirtualKey::NumpadAdd;
    case XK_KP_Separator:
        return VirtualKey::NumpadSeparator;
    case XK_KP_Subtract:
        return VirtualKey::NumpadSubtract;
    case XK_KP_Decimal:
        return VirtualKey::NumpadDecimal;
    case XK_KP_Divide:
        return VirtualKey::NumpadDivide;
    default:
        return VirtualKey::NoKey;
    }
}

namespace {

// The two calls of the X input library the key source makes. The library (and libXext with it) is
// loaded when keys are first read, after the first frame, rather than with the program.
struct XInputCalls
{
    int (*queryVersion)(Display *, int *, int *) = nullptr;
    int (*selectEvents)(Display *, Window, XIEventMask *, int) = nullptr;
};

const XInputCalls *LoadXInput()
{
    static const XInputCalls calls = [] {
        XInputCalls found;
        if (void *library = dlopen("libXi.so.6", RTLD_LAZY | RTLD_LOCAL)) {
            found.queryVersion
                = reinterpret_cast<decltype(found.queryVersion)>(dlsym(library, "XIQueryVersion"));
            found.selectEvents
                = reinterpret_cast<decltype(found.selectEvents)>(dlsym(library, "XISelectEvents"));
        }
        return found;
    }();
    return calls.queryVersion && calls.selectEvents ? &calls : nullptr;
}

} // namespace

std::unique_ptr<X11KeySource> X11KeySource::Open(const QByteArray &displayName)
{
    const XInputCalls *xinput = LoadXInput();
    if (!xinput)
        return nullptr;
    QByteArray name = displayName;
    if (name.isEmpty() && qGuiApp) {
        // Qt may have been given another display than $DISPLAY on its command line.
        if (auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()) {
            if (Display *qtDisplay = x11->display())
                name = DisplayString(qtDisplay);
        }
    }
    Display *display = XOpenDisplay(name.isEmpty() ? nullptr : name.constData());
    if (!display)
        return nullptr;

    int opcode = 0;
    int firstEvent = 0;
    int firstError = 0;
    // 2.2 rather than 2.0: from 2.1 on, raw events arrive even while another client holds a grab.
    int major = 2;
    int minor = 2;
    if (!XQueryExtension(display, "XInputExtension", &opcode, &firstEvent, &firstError)
        || xinput->queryVersion(display, &major, &minor) != Success) {
        XCloseDisplay(display);
        return nullptr;
    }

    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(bits, XI_RawKeyPress);
    XISetMask(bits, XI_RawKeyRelease);
    XIEventMask mask;
    mask.deviceid = XIAllMasterDevices;
    mask.mask_len = sizeof bits;
    mask.mask = bits;
    xinput->selectEvents(display, DefaultRootWindow(display), &mask, 1);
    // Num Lock changes the keypad's keys: follow its state as events rather than asking.
    int xkbOpcode = 0;
    int xkbEventBase = -1;
    int xkbErrorBase = 0;
    int xkbMajor = XkbMajorVersion;
    int xkbMinor = XkbMinorVersion;
    if (XkbQueryExtension(
            display, &xkbOpcode, &xkbEventBase, &xkbErrorBase, &xkbMajor, &xkbMinor)) {
        XkbSelectEventDetails(
            display, XkbUseCoreKbd, XkbStateNotify, XkbModifierLockMask, XkbModifierLockMask);
    } else {
        xkbEventBase = -1;
    }
    // The selections are in force once this returns, so no press after it is missed.
    XSync(display, False);

    return std::unique_ptr<X11KeySource>(new X11KeySource(display, opcode, xkbEventBase));
}

X11KeySource::X11KeySource(_XDisplay *display, int xinputOpcode, int xkbEventBase)
    : m_display(display)
    , m_xinputOpcode(xinputOpcode)
    , m_xkbEventBase(xkbEventBase)
{
    m_numLockMask = XkbKeysymToModifiers(m_display, XK_Num_Lock);
    BuildKeycodeTables();
    // What is down already; from here on the events tell.
    RefreshKeymap();
    m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11KeySource::ReadEvents);
}

X11KeySource::~X11KeySource()
{
    delete m_notifier; // before its socket closes
    XCloseDisplay(m_display);
}

bool X11KeySource::Query(int virtualKey)
{
    if (virtualKey < 0 || virtualKey >= VirtualKey::Count)
        return false;
    // Takes what has arrived on the socket; XPending waits for no reply from the server.
    ReadEvents();

    const KeycodeTable &table = m_numLock ? m_numLockKeyByKeycode : m_keyByKeycode;
    bool result = false;
    for (int keycode = 0; keycode < KeycodeCount; ++keycode) {
        if (table[keycode] != virtualKey)
            continue;
        if (m_heldKeycodes.test(keycode) || m_pressedKeycodes.test(keycode))
            result = true;
        m_pressedKeycodes.reset(keycode);
    }
    return result;
}

void X11KeySource::RefreshKeymap()
{
    m_numLock = NumLockOn();
    char keymap[32] = {};
    XQueryKeymap(m_display, keymap);
    // The keymap's reply comes after every event the server sent before it: reading the queue
    // after it sees every press made up to this moment.
    for (int keycode = 0; keycode < KeycodeCount; ++keycode)
        m_heldKeycodes[size_t(keycode)]
            = (static_cast<unsigned char>(keymap[keycode / 8]) >> (keycode % 8)) & 1;
}

void X11KeySource::ReadEvents()
{
    bool activity = false;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type == MappingNotify) {
            XRefreshKeyboardMapping(&event.xmapping);
            BuildKeycodeTables();
            m_numLockMask = XkbKeysymToModifiers(m_display, XK_Num_Lock);
            RefreshKeymap();
            continue;
        }
        if (m_xkbEventBase >= 0 && event.type == m_xkbEventBase) {
            const auto *xkb = reinterpret_cast<const XkbEvent *>(&event);
            if (xkb->any.xkb_type == XkbStateNotify)
                m_numLock = m_numLockMask != 0 && (xkb->state.locked_mods & m_numLockMask) != 0;
            continue;
        }
        if (event.type != GenericEvent || event.xcookie.extension != m_xinputOpcode)
            continue;
        if (!XGetEventData(m_display, &event.xcookie))
            continue;
        const auto *raw = static_cast<const XIRawEvent *>(event.xcookie.data);
        if (raw->detail >= 0 && raw->detail < KeycodeCount) {
            const auto keycode = static_cast<std::size_t>(raw->detail);
            if (event.xcookie.evtype == XI_RawKeyPress) {
                m_pressedKeycodes.set(keycode);
                m_heldKeycodes.set(keycode);
                activity = true;
            } else if (event.xcookie.evtype == XI_RawKeyRelease) {
                m_heldKeycodes.reset(keycode);
                activity = true;
            }
        }
        XFreeEventData(m_display, &event.xcookie);
    }
    if (activity)
        NotifyActivity();
}

void X11KeySource::BuildKeycodeTables()
{
    m_keyByKeycode.fill(VirtualKey::NoKey);
    m_numLockKeyByKeycode.fill(VirtualKey::NoKey);
    int minKeycode = 0;
    int maxKeycode = 0;
    XDisplayKeycodes(m_display, &minKeycode, &maxKeycode);
    for (int keycode = std::max(minKeycode, 0); keycode <= std::min(maxKeycode, KeycodeCount - 1);
         ++keycode) {
        const auto code = static_cast<KeyCode>(keycode);
        const KeySym base = XkbKeycodeToKeysym(m_display, code, 0, 0);
        const int key = VirtualKeyFromKeysym(base);
        m_keyByKeycode[keycode] = key;
        m_numLockKeyByKeycode[keycode] = key;
        // With Num Lock on the keypad gives its digits, not Home, End, Insert, Delete...
        if (IsKeypadKey(base)) {
            const KeySym numLocked = XkbKeycodeToKeysym(m_display, code, 0, 1);
            const int numLockedKey
                = IsKeypadKey(numLocked) ? VirtualKeyFromKeysym(numLocked) : VirtualKey::NoKey;
            if (numLockedKey != VirtualKey::NoKey)
                m_numLockKeyByKeycode[keycode] = numLockedKey;
        }
    }
}

bool X11KeySource::NumLockOn()
{
    if (m_numLockMask == 0)
        return false;
    XkbStateRec state;
    if (XkbGetState(m_display, XkbUseCoreKbd, &state) != Success)
        return false;
    return (state.locked_mods & m_numLockMask) != 0;
}
