#pragma once
// One copy of the program per user session. The first start holds a mutex named
// in the session's namespace for as long as it runs; a later start finds it held,
// asks the running copy's window to show itself (as a double click on its icon
// does) and ends without touching anything: no second icon, timers, hotkeys or
// caption clock. Everything a later start tells the running copy goes through
// HandOver, and the running copy recognises it with IsShowRequest; a start with
// a command sends it as a WM_COPYDATA message and ends with the copy's answer.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/user.h"

class TSingleCopy {
public:
    static constexpr const char* kMutexName = "Local\\Velant! Pro 2001";
    static constexpr const char* kWindowClass = "TQuorvForm";
    static constexpr const char* kShowMessage = "Velant! Pro 2001 show";
    // How long a later start waits for the window of a copy that is still starting.
    static constexpr std::uint32_t kWindowWaitMs = 10000;
    static constexpr std::uint32_t kWindowPollMs = 100;

    TSingleCopy(plat::IKernel& kernel, plat::IUser& user);
    ~TSingleCopy();
    TSingleCopy(const TSingleCopy&) = delete;
    TSingleCopy& operator=(const TSingleCopy&) = delete;

    // How long a later start waits for the running copy to carry out its command.
    static constexpr std::uint32_t kCommandWaitMs = 60000;
    // The hidden window whose handle a command message names as its sender.
    static constexpr const char* kSenderClass = "Velant! Pro 2001 command";

    // A command for the running copy: the message, and what the later start
    // makes of the copy's answer (nullopt when none came): its exit code.
    struct THandOver {
        std::uintptr_t magic = 0;
        std::vector<std::uint8_t> message;
        std::function<int(std::optional<plat::LResult>)> answered;
    };

    // Runs the program when no other copy runs in this session and returns its exit
    // code; otherwise hands over to the running copy: the show request, and 0, without
    // a command; with one, the command, and the exit code its answer gives.
    int Run(const std::function<int()>& program, const THandOver* command = nullptr);

    // The running copy's side: true for the message a later start sends to show the window.
    bool IsShowRequest(std::uint32_t msg) const { return msg != 0 && msg == FShowMessage; }

private:
    // True when this process is the session's first copy (it then holds the mutex).
    bool Claim();
    // Asks the running copy to show its window; false when no copy's window came.
    bool HandOver();
    // The running copy's window once it exists, or null after kWindowWaitMs.
    plat::Hwnd WaitForWindow();
    std::optional<plat::LResult> SendCommand(const THandOver& command);

    plat::IKernel& FKernel;
    plat::IUser& FUser;
    plat::Handle FMutex = 0;
    std::uint32_t FShowMessage = 0;
};
