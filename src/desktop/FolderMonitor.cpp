#include "desktop/FolderMonitor.h"

#include <utility>

#include "platform/constants.h"
#include "platform/error.h"

namespace {

// The message the worker posts to the monitor's window for each change.
constexpr std::uint32_t WM_FOLDERCHANGE = plat::WM_USER + 0x0101;
constexpr std::uintptr_t kDelayTimerId = 1;

}  // namespace

std::uint32_t ChangeNotifyMask(TFileChangeFilters filter) {
    // FILE_NOTIFY_CHANGE_*: the bits follow the filter's order, except that the
    // system has no flag at 0x080 and security is 0x100.
    static constexpr std::pair<TFileChangeFilter, std::uint32_t> kFlags[] = {
        {fnFileName, 0x001},  {fnDirName, 0x002},    {fnAttributes, 0x004}, {fnSize, 0x008},
        {fnLastWrite, 0x010}, {fnLastAccess, 0x020}, {fnCreation, 0x040},   {fnSecurity, 0x100},
    };
    std::uint32_t mask = 0;
    for (const auto& [kind, flag] : kFlags)
        if (filter & kind) mask |= flag;
    return mask;
}

std::string Win32ErrorMessage(plat::IKernel& kernel, long code) {
    return "Win32 Error.  Code: " + std::to_string(code) + ".\n" +
           kernel.FormatMessage(static_cast<std::uint32_t>(code));
}

// ---------------------------------------------------------------- TNotifyThread

TNotifyThread::TNotifyThread(plat::IKernel& kernel, plat::IUser& user, const std::string& folder,
                             bool subtree, TFileChangeFilters filter, plat::Hwnd window,
                             std::uint32_t message, plat::WParam tag)
    : FKernel(kernel), FUser(user), FWindow(window), FMessage(message), FTag(tag) {
    FNotifyHandle = kernel.FindFirstChangeNotification(folder, subtree, ChangeNotifyMask(filter));
    FOpenedHandle = FNotifyHandle;
    if (!FNotifyHandle) {
        FErrorCode = static_cast<long>(kernel.GetLastError());
        FOpenFailed = true;
    } else {
        FStopEvent = kernel.CreateEvent(true, false);
        if (!FStopEvent) {
            // Without its stop event the worker could only be stopped by a change.
            FErrorCode = static_cast<long>(kernel.GetLastError());
            FOpenFailed = true;
            kernel.FindCloseChangeNotification(FNotifyHandle);
            FNotifyHandle = 0;
        }
    }
    FThread = std::thread(&TNotifyThread::Run, this);
}

TNotifyThread::~TNotifyThread() {
    {
        std::lock_guard lock(FMutex);
        FCallback = nullptr;
        FTerminated = true;
        if (FStopEvent) FKernel.SetEvent(FStopEvent);
        FHandedOver.notify_all();
    }
    // A thread that frees itself was detached and is being destroyed by its own worker.
    if (FThread.joinable()) FThread.join();
}

void TNotifyThread::Run(TNotifyThread* self) {
    try {
        self->Execute();
    } catch (const std::exception& error) {
        // A kernel that throws ends the wait loop like a failed wait. Nothing on
        // this thread can show an error, and one escaping it would end the program.
        plat::Trace(self->FKernel, "Watching a folder", error);
    } catch (...) {
        self->FKernel.OutputDebugString("Watching a folder: an error of unknown type");
    }
    {
        std::lock_guard lock(self->FMutex);
        self->FFinishedLoop = true;
    }
    self->Finish();
    bool freeSelf;
    {
        std::lock_guard lock(self->FMutex);
        freeSelf = self->FFreeOnTerminate;
    }
    if (freeSelf) delete self;
}

void TNotifyThread::Execute() {
    while (!FTerminated && FNotifyHandle) {
        const plat::Handle handles[2] = {FNotifyHandle, FStopEvent};
        const std::uint32_t result = FKernel.WaitForMultipleObjects(2, handles, false, plat::INFINITE);
        if (result == plat::WAIT_FAILED) {
            FErrorCode = static_cast<long>(FKernel.GetLastError());
            break;
        }
        if (result == plat::WAIT_OBJECT_0) {
            if (FTerminated) continue;
            DoChange();
            if (!FKernel.FindNextChangeNotification(FNotifyHandle)) {
                FErrorCode = static_cast<long>(FKernel.GetLastError());
                break;
            }
        } else if (result == plat::WAIT_OBJECT_0 + 1) {
            break;
        }
    }
}

void TNotifyThread::DoChange() {
    std::unique_lock lock(FMutex);
    if (!FCallback || FTerminated) return;
    FPending = true;
    lock.unlock();
    // Without a window nobody would answer: the change is dropped rather than the worker stuck.
    const bool posted = FWindow && FUser.PostMessage(FWindow, FMessage, FTag, 0);
    lock.lock();
    // Once stopped, the worker no longer waits for the main thread, except while
    // the main thread is inside the callback: it still uses this object then.
    if (posted) FHandedOver.wait(lock, [this] { return !FPending || (FTerminated && !FInCall); });
    FPending = false;
}

void TNotifyThread::CallNotify() {
    TCallback callback;
    {
        std::lock_guard lock(FMutex);
        if (!FPending || FInCall) return;
        FInCall = true;
        callback = FCallback;
    }
    // Whatever the callback does (even throw), the worker must go on afterwards.
    struct Done {
        TNotifyThread& self;
        ~Done() {
            std::lock_guard lock(self.FMutex);
            self.FInCall = false;
            self.FPending = false;
            self.FHandedOver.notify_all();
        }
    } done{*this};
    if (callback) callback(*this);
}

void TNotifyThread::SetCallback(TCallback callback) {
    std::lock_guard lock(FMutex);
    FCallback = std::move(callback);
}

void TNotifyThread::Stop() {
    std::lock_guard lock(FMutex);
    FTerminated = true;
    if (FStopEvent) FKernel.SetEvent(FStopEvent);
    FHandedOver.notify_all();
}

void TNotifyThread::Release(std::unique_ptr<TNotifyThread> thread) {
    if (!thread) return;
    {
        std::lock_guard lock(thread->FMutex);
        thread->FCallback = nullptr;
        if (!thread->FFinishedLoop) {
            // The worker reads the flag only after its loop, under this lock, so
            // it frees the object itself; from here on nobody else touches it.
            thread->FFreeOnTerminate = true;
            thread->FTerminated = true;
            if (thread->FStopEvent) thread->FKernel.SetEvent(thread->FStopEvent);
            thread->FHandedOver.notify_all();
            thread->FThread.detach();
            static_cast<void>(thread.release());
            return;
        }
    }
    thread.reset();
}

bool TNotifyThread::FinishedLoop() const {
    std::lock_guard lock(FMutex);
    return FFinishedLoop;
}

void TNotifyThread::Finish() {
    if (FNotifyHandle) {
        FKernel.FindCloseChangeNotification(FNotifyHandle);
        FNotifyHandle = 0;
    }
    std::lock_guard lock(FMutex);
    if (FStopEvent) {
        FKernel.CloseHandle(FStopEvent);
        FStopEvent = 0;
    }
}

// ---------------------------------------------------------------- TFolderMonitor

TFolderMonitor::TFolderMonitor(std::string name, plat::IKernel& kernel, plat::IUser& user)
    : TComponent(std::move(name)), FKernel(&kernel), FUser(&user) {}

TFolderMonitor::~TFolderMonitor() {
    if (FTimerPending) FUser->KillTimer(FWnd, kDelayTimerId);
    FTimerPending = false;
    StopThread();
    if (FWnd) FUser->DestroyWindow(FWnd);
}

plat::Hwnd TFolderMonitor::Window() {
    if (!FWnd && FUser)
        FWnd = FUser->CreateHiddenWindow("TRxFolderMonitor",
                                         [this](std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
                                             return WndProc(msg, wParam, lParam);
                                         });
    return FWnd;
}

plat::LResult TFolderMonitor::WndProc(std::uint32_t msg, plat::WParam wParam, plat::LParam) {
    if (msg == WM_FOLDERCHANGE) {
        // A change of a worker let go since is not this monitor's any more.
        if (FThread && FThread->Tag() == wParam) FThread->CallNotify();
    } else if (msg == plat::WM_TIMER && wParam == kDelayTimerId) {
        DelayElapsed();
    }
    return 0;
}

void TFolderMonitor::SetActive(bool value) {
    if (FLoading && value) {
        FStreamedActive = true;
        return;
    }
    if (value != Active()) Restart(value);
}

void TFolderMonitor::Loaded() {
    FLoading = false;
    if (FStreamedActive) {
        FStreamedActive = false;
        SetActive(true);
    }
}

void TFolderMonitor::SetFolderName(const std::string& value) {
    if (value == FFolderName) return;
    FFolderName = value;
    Restart(Active());
}

void TFolderMonitor::SetMonitorSubtree(bool value) {
    if (value == FMonitorSubtree) return;
    FMonitorSubtree = value;
    Restart(Active());
}

void TFolderMonitor::SetFilter(TFileChangeFilters value) {
    if (value == FFilter) return;
    const bool wasActive = Active();
    const TFileChangeFilters old = FFilter;
    FFilter = value;
    try {
        Restart(wasActive);
    } catch (...) {
        FFilter = old;
        if (wasActive) {
            try {
                Restart(true);
            } catch (const EVelantError& error) {
                // The first error is the one the user needs to see.
                plat::Trace(*FKernel, "Restarting the folder monitor", error);
            }
        }
        throw;
    }
}

void TFolderMonitor::SetDelayTime(std::uint32_t value) {
    if (FTimerPending) {
        if (value != 0) {
            FUser->SetTimer(FWnd, kDelayTimerId, value);
        } else {
            FUser->KillTimer(FWnd, kDelayTimerId);
            FTimerPending = false;
        }
    }
    FDelayTime = value;
}

void TFolderMonitor::Restart(bool activate) {
    StopThread();
    if (!activate || !FKernel) return;
    const std::uint32_t attributes = FKernel->GetFileAttributes(FFolderName);
    if (attributes == plat::INVALID_FILE_ATTRIBUTES || !(attributes & plat::FILE_ATTRIBUTE_DIRECTORY)) return;
    auto thread = std::make_unique<TNotifyThread>(*FKernel, *FUser, FFolderName, FMonitorSubtree, FFilter,
                                                  Window(), WM_FOLDERCHANGE, ++FLastTag);
    if (thread->Failed()) {
        const long code = thread->ErrorCode();
        thread.reset();
        throw EVelantError(Win32ErrorMessage(*FKernel, code));
    }
    thread->SetCallback([this](TNotifyThread&) { ThreadNotify(); });
    FThread = std::move(thread);
}

void TFolderMonitor::StopThread() {
    // Release never waits for a worker that is still running; the monitor forgets it either way.
    TNotifyThread::Release(std::move(FThread));
}

void TFolderMonitor::ThreadNotify() {
    if (FDelayTime == 0) {
        Changed();
        return;
    }
    if (FTimerPending) return;  // this change is covered by the pending delay
    if (FUser->SetTimer(Window(), kDelayTimerId, FDelayTime)) {
        FTimerPending = true;
    } else {
        // Better an early event than a lost one.
        Changed();
    }
}

void TFolderMonitor::DelayElapsed() {
    if (!FTimerPending) return;
    FUser->KillTimer(FWnd, kDelayTimerId);
    FTimerPending = false;
    Changed();
}

void TFolderMonitor::Changed() {
    if (OnChange) OnChange();
}
