#include "system/SingleCopy.h"

#include "platform/constants.h"

TSingleCopy::TSingleCopy(plat::IKernel& kernel, plat::IUser& user)
    : FKernel(kernel), FUser(user), FShowMessage(user.RegisterWindowMessage(kShowMessage)) {}

TSingleCopy::~TSingleCopy() {
    if (FMutex) FKernel.CloseHandle(FMutex);
}

int TSingleCopy::Run(const std::function<int()>& program, const THandOver* command) {
    if (Claim()) return program();
    if (command) return command->answered(SendCommand(*command));
    if (!HandOver()) FKernel.OutputDebugString("The running copy's window did not answer; this start ends.");
    return 0;
}

bool TSingleCopy::Claim() {
    FMutex = FKernel.CreateMutex(false, kMutexName);
    if (!FMutex) {
        // A copy started elevated or by another user of this session owns the name.
        // Any other failure leaves no way to tell, and running beats refusing to.
        return FKernel.GetLastError() != static_cast<std::uint32_t>(plat::ERROR_ACCESS_DENIED);
    }
    return FKernel.GetLastError() != static_cast<std::uint32_t>(plat::ERROR_ALREADY_EXISTS);
}

plat::Hwnd TSingleCopy::WaitForWindow() {
    // The first copy makes its window a moment after it takes the mutex.
    plat::Hwnd wnd = FUser.FindWindow(kWindowClass, nullptr);
    for (std::uint32_t waited = 0; !wnd && waited < kWindowWaitMs; waited += kWindowPollMs) {
        FKernel.Sleep(kWindowPollMs);
        wnd = FUser.FindWindow(kWindowClass, nullptr);
    }
    return wnd;
}

bool TSingleCopy::HandOver() {
    const plat::Hwnd wnd = WaitForWindow();
    if (!wnd) return false;
    // The user started this process, so it may bring a window to the front; the
    // running copy may do so in its stead. A posted message keeps a hung copy
    // from holding this one.
    FUser.AllowSetForegroundWindow(plat::ASFW_ANY);
    return FUser.PostMessage(wnd, FShowMessage, 0, 0);
}

std::optional<plat::LResult> TSingleCopy::SendCommand(const THandOver& command) {
    const plat::Hwnd wnd = WaitForWindow();
    if (!wnd) return std::nullopt;
    // The running copy asks whose the sending window is before it acts.
    const plat::Hwnd sender = FUser.CreateHiddenWindow(
        kSenderClass, [](std::uint32_t, plat::WParam, plat::LParam) { return plat::LResult{0}; });
    FUser.AllowSetForegroundWindow(plat::ASFW_ANY);
    const plat::CopyData data{command.magic, static_cast<std::uint32_t>(command.message.size()),
                              command.message.data()};
    std::uintptr_t answer = 0;
    // A hung copy must not hold this start: it gives up after a while.
    const bool sent = FUser.SendMessageTimeout(wnd, plat::WM_COPYDATA, sender.Value(),
                                               reinterpret_cast<plat::LParam>(&data), plat::SMTO_ABORTIFHUNG,
                                               kCommandWaitMs, &answer) != 0;
    if (sender) FUser.DestroyWindow(sender);
    if (!sent) return std::nullopt;
    return static_cast<plat::LResult>(answer);
}
