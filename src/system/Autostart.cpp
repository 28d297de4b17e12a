#include "system/Autostart.h"

#include <array>
#include <cctype>

#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"

namespace {

constexpr const char* kRunKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kRunOnceKey = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
// Created and deleted again to learn whether the machine-wide root takes writes.
constexpr const char* kProbeKey = "Software\\Taviron\\test";

plat::Hkey Root(bool machineWide) { return machineWide ? plat::HKEY_LOCAL_MACHINE : plat::HKEY_CURRENT_USER; }
const char* EntryKey(bool runOnce) { return runOnce ? kRunOnceKey : kRunKey; }

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

TAutostart::TAutostart(std::string name, plat::IRegistry& registry, plat::IKernel& kernel,
                       const std::string& applicationTitle)
    : TComponent(std::move(name)), FReg(registry), FKernel(kernel) {
    if (FValueName.empty()) FValueName = applicationTitle + "#Autostart";
}

bool TAutostart::EntryExists(bool runOnce, bool machineWide) const {
    if (FValueName.empty()) return false;
    plat::RegKey key = plat::RegKey::Open(FReg, Root(machineWide), EntryKey(runOnce), plat::KEY_ALL_ACCESS);
    if (!key.Valid()) return false;
    auto text = key.ReadString(FValueName);
    return text && !text->empty();
}

bool TAutostart::WriteEntry(bool runOnce, bool machineWide, bool value) {
    if (FFirstWritePending) {
        // The program's first request keeps the logon entry as it is found. It is
        // spent even when the entry cannot be read (a value of another type), or
        // else that value would turn every later request, the user's too, into
        // the same failed read.
        FFirstWritePending = false;
        FInRun = EntryExists(false, FMachineWide);
        value = FInRun;
    }
    if (FValueName.empty()) return false;
    plat::RegKey key = plat::RegKey::Create(FReg, Root(machineWide), EntryKey(runOnce), plat::KEY_ALL_ACCESS);
    if (!key.Valid()) return false;
    if (!value) {
        key.DeleteValue(FValueName);  // a missing value is no error
        return false;
    }
    // Quoted, so a path with spaces stays one argument.
    if (key.WriteString(FValueName, "\"" + FKernel.GetModuleFileName() + "\"") != plat::ERROR_SUCCESS)
        throw plat::SetDataError(FValueName);
    return true;
}

bool TAutostart::Exists() const { return EntryExists(false, FMachineWide); }

bool TAutostart::autostart() {
    FInRun = EntryExists(false, FMachineWide);
    return FInRun;
}

void TAutostart::SetAutostart(bool value) { FInRun = WriteEntry(false, FMachineWide, value); }

bool TAutostart::StartNextLogon() {
    FInRunOnce = EntryExists(true, FMachineWide);
    return FInRunOnce;
}

void TAutostart::SetStartNextLogon(bool value) { FInRunOnce = WriteEntry(true, FMachineWide, value); }

void TAutostart::SetAppName(const std::string& value) {
    if (Upper(value) == Upper(FValueName)) return;

    struct Entry {
        bool runOnce;
        bool machineWide;
        bool present;
    };
    std::array<Entry, 4> entries{
        {{false, false, false}, {false, true, false}, {true, false, false}, {true, true, false}}};
    for (auto& e : entries) e.present = EntryExists(e.runOnce, e.machineWide);
    for (const auto& e : entries)
        if (e.present) WriteEntry(e.runOnce, e.machineWide, false);
    FValueName = value;
    for (const auto& e : entries)
        if (e.present) WriteEntry(e.runOnce, e.machineWide, true);
    autostart();
    StartNextLogon();
}

bool TAutostart::MachineWideWritable() {
    plat::RegKey probe =
        plat::RegKey::Create(FReg, plat::HKEY_LOCAL_MACHINE, kProbeKey, plat::KEY_ALL_ACCESS);
    if (!probe.Valid()) return false;
    probe.Close();
    FReg.RegDeleteKey(plat::HKEY_LOCAL_MACHINE, kProbeKey);
    return true;
}

void TAutostart::SetGlobal(bool value) {
    if (value && !MachineWideWritable()) value = false;
    if (value == FMachineWide) return;
    // From the old root to the new one: the logon entry first, then the next-logon one.
    const bool from = FMachineWide;
    const bool to = value;
    for (bool runOnce : {false, true}) {
        if (EntryExists(runOnce, from)) {
            WriteEntry(runOnce, to, true);
            WriteEntry(runOnce, from, false);
        }
    }
    FMachineWide = value;
}
