// The thread's message queue: posted messages, window timers, the quit
// message, window lifetimes and default handling, and the sources that turn
// the system's news into messages (X events, termination signals, power).
// Gyrelle has one thread, so the queue is a single process-wide object.
#include "platform/linux/system/watchers.h"
#include "platform/linux/window_object.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Timer {
    HWND window;
    UINT_PTR id;
    std::chrono::milliseconds period;
    Clock::time_point due;
};

// Signals end the saver as a close does: the handler only writes to a
// pipe, which the message loop reads.
struct SignalSource : PlatformEventSource {
    int fd() const override { return readEnd; }
    void pump() override;
    int readEnd = -1;
    int writeEnd = -1;
};

struct MessageQueue {
    std::deque<MSG> posted;
    std::vector<Timer> timers;
    std::set<PlatformWindow*> live;
    // Destroyed windows stay allocated until the loop is back at the top,
    // since the procedure that destroyed them may still be on the stack.
    std::vector<std::unique_ptr<PlatformWindow>> graveyard;
    std::vector<PlatformEventSource*> sources;
    bool quitPosted = false;
    int quitCode = 0;
    PlatformMessageBoxHandler messageBox = nullptr;
    bool messagesToStandardError = false;
    std::map<std::wstring, UINT> registeredMessages;
    SignalSource signals;
    bool signalsWatched = false;
    bool systemWatched = false;
};

MessageQueue& queue()
{
    static MessageQueue instance;
    return instance;
}

DWORD messageTime()
{
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  Clock::now().time_since_epoch())
                                  .count());
}

bool matches(const MSG& msg, HWND window, UINT filterMin, UINT filterMax)
{
    if (window != nullptr && msg.hwnd != window)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

void pumpSources()
{
    // A source may remove itself while pumping; walk a copy.
    std::vector<PlatformEventSource*> sources = queue().sources;
    for (PlatformEventSource* source : sources)
        source->pump();
}

void freeDestroyedWindows()
{
    queue().graveyard.clear();
}

// Takes the first posted message that matches, or a due timer.
bool takeMessage(MSG* out, HWND window, UINT filterMin, UINT filterMax, bool remove)
{
    MessageQueue& q = queue();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!matches(*it, window, filterMin, filterMax))
            continue;
        *out = *it;
        if (remove)
            q.posted.erase(it);
        return true;
    }
    const Clock::time_point now = Clock::now();
    for (Timer& timer : q.timers) {
        MSG msg{timer.window, WM_TIMER, timer.id, 0, messageTime(), {0, 0}};
        if (timer.due > now || !matches(msg, window, filterMin, filterMax))
            continue;
        *out = msg;
        // Like Windows, a late timer yields one WM_TIMER, not a backlog.
        if (remove)
            timer.due = now + timer.period;
        return true;
    }
    return false;
}

int millisecondsToNextTimer()
{
    MessageQueue& q = queue();
    if (q.timers.empty())
        return -1;
    Clock::time_point next = q.timers.front().due;
    for (const Timer& timer : q.timers)
        next = std::min(next, timer.due);
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return wait < 0 ? 0 : static_cast<int>(wait + 1);
}

void waitForInput(int timeoutMs)
{
    std::vector<pollfd> fds;
    for (PlatformEventSource* source : queue().sources) {
        if (source->fd() >= 0)
            fds.push_back(pollfd{source->fd(), POLLIN, 0});
    }
    if (fds.empty() && timeoutMs < 0)
        return;  // Nothing can ever arrive: let the caller notice.
    poll(fds.data(), fds.size(), timeoutMs);
}

void SignalSource::pump()
{
    char buffer[64];
    bool signalled = false;
    while (read(readEnd, buffer, sizeof buffer) > 0)
        signalled = true;
    if (!signalled)
        return;
    bool closing = false;
    for (PlatformWindow* window : platformOwnWindows()) {
        if (window->parent == nullptr || platformOwnWindow(window->parent) == nullptr) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            closing = true;
        }
    }
    if (!closing)
        PostQuitMessage(0);
}

volatile sig_atomic_t terminationSignal = 0;

void onTerminationSignal(int signal)
{
    if (terminationSignal == 0)
        terminationSignal = signal;
    const char byte = 1;
    ssize_t written = write(queue().signals.writeEnd, &byte, 1);
    static_cast<void>(written);
}

void watchTerminationSignals()
{
    int ends[2];
    if (pipe(ends) != 0)
        return;
    for (int end : ends) {
        fcntl(end, F_SETFL, fcntl(end, F_GETFL) | O_NONBLOCK);
        fcntl(end, F_SETFD, FD_CLOEXEC);
    }
    queue().signals.readEnd = ends[0];
    queue().signals.writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        // A signal ignored when the program started stays ignored: nohup's
        // SIGHUP, a background job's SIGINT.
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
    platformAddEventSource(&queue().signals);
}

}  // namespace

void PlatformDeviceContext::setPixel(int, int, COLORREF) {}
void PlatformDeviceContext::fillRect(const RECT&, COLORREF) {}

PlatformWindow::PlatformWindow() = default;
PlatformWindow::~PlatformWindow() = default;

LRESULT PlatformWindow::deliver(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (proc != nullptr)
        return proc(this, message, wParam, lParam);
    return DefWindowProcW(this, message, wParam, lParam);
}

PlatformGLContext* PlatformWindow::createGLContext(HDC)
{
    return nullptr;
}

HDC PlatformWindow::deviceContext()
{
    if (!ownDC)
        ownDC = std::make_unique<PlatformDeviceContext>(this);
    return ownDC.get();
}

HWND platformAdoptWindow(PlatformWindow* window)
{
    MessageQueue& q = queue();
    q.live.insert(window);
    if (window->onScreen() && !q.signalsWatched) {
        q.signalsWatched = true;
        watchTerminationSignals();
    }
    if (window->onScreen() && window->parent == nullptr && !q.systemWatched) {
        q.systemWatched = true;
        watchPowerEvents();
        watchMonitorPower();
        watchDisplayChanges();
    }
    return window;
}

int platformTerminationSignal()
{
    return terminationSignal;
}

int platformTerminationSignalFd()
{
    return queue().signals.readEnd;
}

void platformSendMessagesToStandardError()
{
    queue().messagesToStandardError = true;
}

void platformAddEventSource(PlatformEventSource* source)
{
    queue().sources.push_back(source);
}

void platformRemoveEventSource(PlatformEventSource* source)
{
    auto& sources = queue().sources;
    sources.erase(std::remove(sources.begin(), sources.end(), source), sources.end());
}

void PlatformPolledSource::pump()
{
    const uint64_t now = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
        Clock::now().time_since_epoch()).count());
    if (now < nextPollMs)
        return;
    nextPollMs = now + 1000;
    poll();
}

void postToTopLevelWindows(UINT message, WPARAM wParam, LPARAM lParam)
{
    for (PlatformWindow* window : platformOwnWindows()) {
        if (window->parent == nullptr)
            PostMessageW(window, message, wParam, lParam);
    }
}

void platformSetMessageBoxHandler(PlatformMessageBoxHandler handler)
{
    queue().messageBox = handler;
}

PlatformWindow* platformOwnWindow(HWND window)
{
    if (window == nullptr || queue().live.count(window) == 0 || window->destroyed)
        return nullptr;
    return window;
}

std::vector<PlatformWindow*> platformOwnWindows()
{
    std::vector<PlatformWindow*> windows;
    for (PlatformWindow* window : queue().live) {
        if (!window->destroyed)
            windows.push_back(window);
    }
    return windows;
}

BOOL IsWindow(HWND window)
{
    if (window == nullptr)
        return FALSE;
    return platformOwnWindow(window) != nullptr || platformForeignWindowExists(window);
}

BOOL DestroyWindow(HWND window)
{
    if (platformOwnWindow(window) == nullptr)
        return FALSE;
    MessageQueue& q = queue();
    window->deliver(WM_DESTROY, 0, 0);
    // Children go with their parent, as on Windows.
    std::vector<PlatformWindow*> children;
    for (PlatformWindow* other : q.live) {
        if (other->parent == window)
            children.push_back(other);
    }
    for (PlatformWindow* child : children)
        DestroyWindow(child);
    window->destroyed = true;
    window->destroyNative();
    q.live.erase(window);
    q.timers.erase(std::remove_if(q.timers.begin(), q.timers.end(),
                                  [window](const Timer& t) { return t.window == window; }),
                   q.timers.end());
    q.graveyard.emplace_back(window);
    return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect)
{
    if (rect == nullptr)
        return FALSE;
    if (platformOwnWindow(window) == nullptr)
        return platformForeignClientRect(window, rect) ? TRUE : FALSE;
    *rect = RECT{0, 0, window->width, window->height};
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL)
{
    if (platformOwnWindow(window) == nullptr)
        return FALSE;
    // X sizes are 16-bit and never zero.
    width = std::min(std::max(width, 1), 32767);
    height = std::min(std::max(height, 1), 32767);
    const bool movedTo = x != window->x || y != window->y;
    const bool resized = width != window->width || height != window->height;
    window->x = x;
    window->y = y;
    window->width = width;
    window->height = height;
    window->moveNative();
    // Windows sends WM_MOVE and WM_SIZE from inside the move, each only for
    // what changed; the scene lays its viewports out from them.
    if (movedTo && platformOwnWindow(window) != nullptr)
        window->deliver(WM_MOVE, 0, MAKELPARAM(x, y));
    if (resized && platformOwnWindow(window) != nullptr)
        window->deliver(WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
    return TRUE;
}

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    default:
        return 0;
    }
}

BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    // Another client's window cannot take our messages.
    if (window != nullptr && platformOwnWindow(window) == nullptr)
        return FALSE;
    queue().posted.push_back(MSG{window, message, wParam, lParam, messageTime(), {0, 0}});
    return TRUE;
}

LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (platformOwnWindow(window) == nullptr)
        return 0;
    return window->deliver(message, wParam, lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return SendMessageW(window, message, wParam, lParam);
}

void PostQuitMessage(int exitCode)
{
    queue().quitPosted = true;
    queue().quitCode = exitCode;
}

BOOL PeekMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    pumpSources();
    if (takeMessage(msg, window, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0))
        return TRUE;
    MessageQueue& q = queue();
    if (q.quitPosted && (filterMin == 0 && filterMax == 0)) {
        *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(q.quitCode)), 0, messageTime(), {0, 0}};
        if (removeFlags & PM_REMOVE)
            q.quitPosted = false;
        return TRUE;
    }
    return FALSE;
}

BOOL GetMessageW(LPMSG msg, HWND window, UINT filterMin, UINT filterMax)
{
    freeDestroyedWindows();
    MessageQueue& q = queue();
    for (;;) {
        pumpSources();
        if (takeMessage(msg, window, filterMin, filterMax, true))
            return TRUE;
        if (q.quitPosted) {
            q.quitPosted = false;
            *msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<intptr_t>(q.quitCode)), 0, messageTime(), {0, 0}};
            return FALSE;
        }
        const int timeout = millisecondsToNextTimer();
        if (timeout < 0 && q.sources.empty() && q.posted.empty()) {
            // No window, no timer, no input: nothing could ever end the wait.
            *msg = MSG{nullptr, WM_QUIT, 0, 0, messageTime(), {0, 0}};
            return FALSE;
        }
        waitForInput(timeout);
    }
}

BOOL TranslateMessage(const MSG*)
{
    return FALSE;
}

LRESULT DispatchMessageW(const MSG* msg)
{
    if (msg == nullptr || platformOwnWindow(msg->hwnd) == nullptr)
        return 0;
    return msg->hwnd->deliver(msg->message, msg->wParam, msg->lParam);
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT periodMs, void*)
{
    if (platformOwnWindow(window) == nullptr)
        return 0;
    MessageQueue& q = queue();
    const std::chrono::milliseconds period(std::max<UINT>(periodMs, 10));
    for (Timer& timer : q.timers) {
        if (timer.window == window && timer.id == id) {
            timer.period = period;
            timer.due = Clock::now() + period;
            return id == 0 ? 1 : id;
        }
    }
    q.timers.push_back(Timer{window, id, period, Clock::now() + period});
    return id == 0 ? 1 : id;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    auto& timers = queue().timers;
    const auto before = timers.size();
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [&](const Timer& t) { return t.window == window && t.id == id; }),
                 timers.end());
    return timers.size() != before;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    if (queue().messageBox != nullptr && !queue().messagesToStandardError)
        return queue().messageBox(owner, text, caption, type);
    std::fprintf(stderr, "%s: %s\n", caption != nullptr ? caption : "", text != nullptr ? text : "");
    return IDOK;
}

HDC GetDC(HWND window)
{
    if (platformOwnWindow(window) == nullptr)
        return nullptr;
    return window->deviceContext();
}

int ReleaseDC(HWND, HDC dc)
{
    return dc != nullptr ? 1 : 0;
}

UINT RegisterWindowMessageW(LPCWSTR name)
{
    if (name == nullptr || *name == 0)
        return 0;
    auto found = queue().registeredMessages.find(name);
    if (found != queue().registeredMessages.end())
        return found->second;
    const UINT id = 0xC000 + static_cast<UINT>(queue().registeredMessages.size());
    queue().registeredMessages[name] = id;
    return id;
}
