#pragma once
// The whole simulated Windows: one of each family sharing one journal, one
// virtual clock and one file-system root, as a test's single fixture.
//
//   sim::SimWindows win;                 // temp root, removed at destruction
//   TMainForm form(win.platform());
//   win.Advance(1000);                   // timers and posted messages run
//   EXPECT_EQ(win.Count("SystemParametersInfo("), 1u);
//
// It starts as a running desktop: the shell's windows exist (see
// SimUser::CreateShellWindows), HKCU\Software and HKLM\SOFTWARE exist,
// HKCU\Control Panel\Desktop holds the current
// screensaver, wallpaper and drag settings, the screensaver is active with a
// 600 s timeout, there is no wallpaper.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimDialogs.h"
#include "platform/sim/SimImaging.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimKernel.h"
#include "platform/sim/SimMultimedia.h"
#include "platform/sim/SimPower.h"
#include "platform/sim/SimRegistry.h"
#include "platform/sim/SimShell.h"
#include "platform/sim/SimUser.h"

namespace sim {

// What the program holds at one moment, by kind, for leak checks over a long run.
struct Held {
    std::size_t windows = 0;        // program windows alive
    std::size_t timers = 0;         // window and thread timers
    std::size_t hotKeys = 0;        // registered combinations
    std::size_t menus = 0;          // menus not destroyed
    std::size_t icons = 0;          // icons not destroyed
    std::size_t trayIcons = 0;      // notification icons in the taskbar
    std::size_t registryKeys = 0;   // open registry handles
    std::size_t kernelObjects = 0;  // events, change notifications, process handles
    std::size_t findHandles = 0;    // open listings
    std::size_t watches = 0;        // open change notifications (also kernel objects)
    std::size_t idLists = 0;        // shell id lists not freed
};

class SimWindows {
public:
    // Files live in a fresh temporary folder, deleted with the object.
    SimWindows();
    // Files live under `root` (which must exist), left in place afterwards.
    explicit SimWindows(const std::filesystem::path& root);
    ~SimWindows();
    SimWindows(const SimWindows&) = delete;
    SimWindows& operator=(const SimWindows&) = delete;

    plat::Platform platform();

    SimUser& User() { return user_; }
    SimRegistry& Registry() { return registry_; }
    SimShell& Shell() { return shell_; }
    SimKernel& Kernel() { return kernel_; }
    SimMultimedia& Multimedia() { return multimedia_; }
    SimPower& Power() { return power_; }
    SimDialogs& Dialogs() { return dialogs_; }
    SimImaging& Imaging() { return imaging_; }
    SimClock& Clock() { return clock_; }
    SimJournal& CallJournal() { return journal_; }
    const SimJournal& CallJournal() const { return journal_; }

    // The shared journal and failure switchboard (see SimJournal.h).
    std::vector<std::string> Journal() const { return journal_.Entries(); }
    void ClearJournal() { journal_.Clear(); }
    std::size_t Count(const std::string& prefix) const { return journal_.Count(prefix); }
    bool Contains(const std::string& entry) const { return journal_.Contains(entry); }
    void FailNext(const std::string& operation, long code = 0) { journal_.FailNext(operation, code); }
    void SetFailing(const std::string& operation, bool on, long code = 0) {
        journal_.SetFailing(operation, on, code);
    }

    // Virtual time (see SimUser.h).
    void Advance(std::uint64_t ms) { user_.Advance(ms); }
    bool ProcessMessages() { return user_.ProcessMessages(); }
    void SetLocalTime(int year, int month, int day, int hour, int minute, int second) {
        clock_.SetLocalTime(year, month, day, hour, minute, second);
    }

    const std::filesystem::path& Root() const { return root_; }

    Held Holding() const;
    // Empties the journal and the history the simulation keeps for tests (see
    // SimUser::ForgetHistory): a long run's memory then grows only with the program's.
    void ForgetHistory() {
        journal_.Clear();
        user_.ForgetHistory();
    }

    // A user without administrator rights: the Windows folder, Program Files,
    // HKEY_LOCAL_MACHINE and the machine-wide classes refuse writes (see
    // SimKernel.h and SimRegistry.h).
    void SetStandardUser(bool on) {
        kernel_.SetStandardUser(on);
        registry_.SetStandardUser(on);
    }

private:
    static std::filesystem::path MakeTempRoot();

    std::filesystem::path root_;
    bool ownsRoot_;
    SimJournal journal_;
    SimClock clock_;
    SimRegistry registry_;
    SimUser user_;
    SimKernel kernel_;
    SimShell shell_;
    SimMultimedia multimedia_;
    SimPower power_;
    SimDialogs dialogs_;
    SimImaging imaging_;
};

}  // namespace sim
