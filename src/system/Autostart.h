#pragma once
// The entries that start the program with the user's logon ("Run") or with the
// next logon only ("RunOnce"), per user or for all users. The registry is the
// only store of their state: every read asks it, every change writes it at once.
#include <string>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "ui/Component.h"

class TAutostart : public TComponent {
public:
    // The entries' value name starts as the application's title followed by
    // "#Autostart", until appName is set.
    TAutostart(std::string name, plat::IRegistry& registry, plat::IKernel& kernel,
               const std::string& applicationTitle);

    // The value name of the entries. Setting a new name (ignoring letter case)
    // moves every present entry to it.
    const std::string& appName() const { return FValueName; }
    void SetAppName(const std::string& value);

    // The logon entry in the current root: read live from the registry.
    bool autostart();
    void SetAutostart(bool value);
    // The next-logon entry in the current root.
    bool StartNextLogon();
    void SetStartNextLogon(bool value);
    // Entries in the machine-wide root instead of the user's. Setting it moves the
    // entries; it stays off when the machine-wide root is not writable.
    bool Global() const { return FMachineWide; }
    void SetGlobal(bool value);

    // Whether the logon entry exists in the current root right now. Unlike reading
    // autostart, it leaves the remembered state alone: it is what a check box that
    // shows the truth reads, even while the first write has not happened yet.
    bool Exists() const;
    // True until the first write request of this component has been made: that
    // request keeps the logon entry as it was found, so no entry is ever created
    // or removed by the program's own start-up values. A request whose reading of
    // the entry fails counts as made.
    bool FirstWritePending() const { return FFirstWritePending; }

    // An entry is present when its key opens and the value reads as a non-empty
    // string. A value of another type throws EVelantError.
    bool EntryExists(bool runOnce, bool machineWide) const;
    // Writes (value true) or deletes the entry; its presence afterwards. A refused
    // write throws EVelantError.
    bool WriteEntry(bool runOnce, bool machineWide, bool value);

    // The last known presence of the two entries.
    bool InRun() const { return FInRun; }
    bool InRunOnce() const { return FInRunOnce; }

private:
    bool MachineWideWritable();

    plat::IRegistry& FReg;
    plat::IKernel& FKernel;
    std::string FValueName;
    bool FInRun = false;
    bool FInRunOnce = false;
    bool FMachineWide = false;
    // One component per program: the rule covers the program's first write.
    bool FFirstWritePending = true;
};
