#pragma once
// Watches a folder for changes with a worker thread and tells the main thread,
// coalescing a burst of changes into one event.
//
// The worker waits in the kernel on the folder's change notification and a stop
// event. For each change it posts a message to the monitor's hidden window and
// stays blocked until the main thread has handled it, so everything the monitor
// does with a change (its delay timer, OnChange, the handlers behind it) runs on
// the main thread, one handler at a time. Stopping never blocks the main thread:
// the stop event wakes the worker, which closes its handles and frees itself.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/kernel.h"
#include "platform/types.h"
#include "platform/user.h"
#include "ui/Component.h"
#include "ui/Controls.h"

// Kinds of change watched; a set of them is a bit mask.
enum TFileChangeFilter : unsigned {
    fnFileName = 1u << 0,
    fnDirName = 1u << 1,
    fnAttributes = 1u << 2,
    fnSize = 1u << 3,
    fnLastWrite = 1u << 4,
    fnLastAccess = 1u << 5,
    fnCreation = 1u << 6,
    fnSecurity = 1u << 7,
};
using TFileChangeFilters = unsigned;
constexpr TFileChangeFilters kDefaultChangeFilter = fnFileName | fnDirName | fnSize | fnLastWrite;

// The FILE_NOTIFY_CHANGE_* mask the system is given for a filter set.
std::uint32_t ChangeNotifyMask(TFileChangeFilters filter);

// The error text for a system error code: "Win32 Error.  Code: <code>.\n<the system's text>".
std::string Win32ErrorMessage(plat::IKernel& kernel, long code);

// The worker of one active monitor.
class TNotifyThread {
public:
    using TCallback = std::function<void(TNotifyThread& sender)>;

    // Opens the change notification and the stop event on the calling thread, then
    // starts the worker. Each change is handed over by posting `message` (wParam
    // `tag`) to `window`, whose owner must answer it with CallNotify on the main
    // thread; the worker stays blocked until then. When opening fails, Failed()
    // says so and the worker ends at once.
    TNotifyThread(plat::IKernel& kernel, plat::IUser& user, const std::string& folder, bool subtree,
                  TFileChangeFilters filter, plat::Hwnd window, std::uint32_t message, plat::WParam tag);
    // Detaches the callback, wakes the worker and waits for it to end.
    ~TNotifyThread();
    TNotifyThread(const TNotifyThread&) = delete;
    TNotifyThread& operator=(const TNotifyThread&) = delete;

    // Main thread. An empty callback detaches: no change reaches it afterwards.
    void SetCallback(TCallback callback);
    // Main thread, on the posted message: runs the callback for the change the
    // worker is waiting on, then lets the worker go on.
    void CallNotify();
    // Any thread: sets the terminated flag, then signals the stop event.
    void Stop();
    // Lets go of a thread without waiting for its worker: a thread whose wait loop
    // has ended is destroyed at once; any other is stopped and frees itself when
    // its worker ends. The callback is detached first in both cases.
    static void Release(std::unique_ptr<TNotifyThread> thread);

    // Opening the notification or the stop event failed (ErrorCode has the code
    // when the system reported one).
    bool Failed() const { return FOpenFailed; }
    // The system error that ended the worker, or that made opening fail; 0 when none.
    long ErrorCode() const { return FErrorCode.load(); }
    bool FinishedLoop() const;
    bool Terminated() const { return FTerminated.load(); }
    plat::WParam Tag() const { return FTag; }
    // The change notification the worker waits on (kept after the worker closes it).
    plat::Handle NotifyHandle() const { return FOpenedHandle; }

private:
    static void Run(TNotifyThread* self);
    void Execute();
    void DoChange();
    void Finish();

    plat::IKernel& FKernel;
    plat::IUser& FUser;
    const plat::Hwnd FWindow;
    const std::uint32_t FMessage;
    const plat::WParam FTag;

    // Written only before the worker starts, or by the worker itself.
    plat::Handle FNotifyHandle = 0;
    plat::Handle FOpenedHandle = 0;
    bool FOpenFailed = false;

    std::atomic<long> FErrorCode{0};
    std::atomic<bool> FTerminated{false};

    // Guards everything below, shared by the worker and the main thread.
    mutable std::mutex FMutex;
    std::condition_variable FHandedOver;
    plat::Handle FStopEvent = 0;
    TCallback FCallback;
    bool FFinishedLoop = false;
    bool FFreeOnTerminate = false;
    bool FPending = false;  // the worker waits for the main thread
    bool FInCall = false;   // the main thread runs the callback

    std::thread FThread;
};

class TFolderMonitor : public TComponent {
public:
    TFolderMonitor(std::string name, plat::IKernel& kernel, plat::IUser& user);
    // Unhooks a pending delay timer, stops the worker, then frees the timer.
    ~TFolderMonitor() override;

    // Read as `Active()`; writing (`SetActive(v)`, or `Active = v`) switches the
    // worker on or off. True exactly while a worker is kept.
    struct TActiveProperty {
        TFolderMonitor& FOwner;
        TActiveProperty& operator=(bool value) {
            FOwner.SetActive(value);
            return *this;
        }
        bool operator()() const { return FOwner.FThread != nullptr; }
    } Active{*this};
    void SetActive(bool value);

    // Read as `FolderName()`; writing restarts the worker on the new folder.
    struct TFolderNameProperty {
        TFolderMonitor& FOwner;
        TFolderNameProperty& operator=(const std::string& value) {
            FOwner.SetFolderName(value);
            return *this;
        }
        const std::string& operator()() const { return FOwner.FFolderName; }
    } FolderName{*this};
    void SetFolderName(const std::string& value);

    // Milliseconds between the first change of a burst and OnChange; 0 raises
    // OnChange for every change. Zero while a delay is pending drops it.
    std::uint32_t DelayTime() const { return FDelayTime; }
    void SetDelayTime(std::uint32_t value);
    TFileChangeFilters Filter() const { return FFilter; }
    // A filter the system refuses puts the old one back (restarted) and raises the error.
    void SetFilter(TFileChangeFilters value);
    bool MonitorSubtree() const { return FMonitorSubtree; }
    void SetMonitorSubtree(bool value);

    // Raised on the main thread after a change (after the delay, when there is one).
    TNotifyEvent OnChange;

    // While the design values are set, switching on waits for Loaded().
    void BeginLoading() { FLoading = true; }
    void Loaded();

    // Stops the worker, then starts a new one when asked to and the folder exists.
    // EVelantError when the system refuses to watch the folder.
    virtual void Restart(bool activate);
    void StopThread();
    // Main thread, once per change handed over by the worker.
    void ThreadNotify();
    bool DelayPending() const { return FTimerPending; }
    const TNotifyThread* Thread() const { return FThread.get(); }
    plat::Hwnd WindowHandle() const { return FWnd; }

protected:
    virtual void Changed();

private:
    plat::Hwnd Window();
    plat::LResult WndProc(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    void DelayElapsed();

    plat::IKernel* FKernel = nullptr;
    plat::IUser* FUser = nullptr;
    std::unique_ptr<TNotifyThread> FThread;
    plat::Hwnd FWnd = 0;
    plat::WParam FLastTag = 0;
    bool FTimerPending = false;
    std::uint32_t FDelayTime = 0;
    TFileChangeFilters FFilter = kDefaultChangeFilter;
    std::string FFolderName;
    bool FMonitorSubtree = true;
    bool FLoading = false;
    bool FStreamedActive = false;
};
