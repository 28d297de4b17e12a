#pragma once
// The property store: keeps a fixed list of the form's control properties in the
// per-user registry, restores them into the controls and writes them back.
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/registry.h"
#include "platform/user.h"
#include "ui/Application.h"
#include "ui/Component.h"
#include "ui/Form.h"

// The index N of a value named "Item" followed by N in decimal, as the list
// items are named; nullopt for any other name (leading zeros included, since
// "Item01" is not the value "Item1").
std::optional<int> ListItemIndex(const std::string& valueName);

// Values of a stored list written between two rounds of window messages: a
// few dozen milliseconds of registry round trips.
constexpr int kListSlice = 256;

// The key beside a list's own key that holds the whole new list while the
// list's own key is being rewritten: its name is the list key's and this.
inline constexpr const char* kListCopySuffix = " (being written)";

// Writing a list of tens of thousands of pictures is that many registry round
// trips, so it runs a slice at a time with window messages in between; called
// before writing item `done`, this lets them run at a slice's end (true then).
// Once the program is closing, the rest is written at once.
inline bool BetweenListSlices(TApplication& app, std::size_t done) {
    if (done == 0 || done % kListSlice != 0 || app.Terminated()) return false;
    app.ProcessMessages();
    return true;
}

// The slices of one write of a list export. A handler among them may start a
// newer write of the same list; the older one then ends.
class TListWriteSlices {
public:
    // `writes` counts the writes of one list; this one is the newest.
    TListWriteSlices(TApplication& app, unsigned& writes) : FApp(app), FWrites(writes), FWrite(++writes) {}
    // Called before writing item `done`: true when a newer write has begun.
    bool Superseded(std::size_t done) { return BetweenListSlices(FApp, done) && FWrite != FWrites; }

private:
    TApplication& FApp;
    const unsigned& FWrites;
    const unsigned FWrite;
};

class TFormStorage : public TComponent {
public:
    TFormStorage(std::string name, plat::IRegistry& registry, plat::IUser& user, plat::IKernel& kernel,
                 TForm& form, TApplication& app);

    bool UseRegistry = true;
    std::string IniFileName = "Software\\Corvane";
    std::string IniSection = "Velant! Pro 2001";
    bool StoreActiveControl = true;  // the only placement option
    int Version = 0;
    bool Active = true;
    std::vector<std::string> StoredProps;

    // The form has been built: drop entries whose component is missing, attach to
    // the form's showing, close query and destruction, and keep each stored value
    // current as its control changes.
    void Loaded();

    void RestoreStoredSettings();
    // Makes the record of one entry what its control holds now.
    void StoreCurrentValue(const std::string& entry) { WriteProperty(entry); }
    void SaveStoredSettings() { Save(false); }

    // The key of the stored values below HKEY_CURRENT_USER.
    std::string SectionPath() const { return IniFileName + "\\" + IniSection; }

private:
    void Save(bool destroying);
    void RestoreProperty(const std::string& entry);
    // A sliced write of a long list lets window messages run between slices.
    void WriteProperty(const std::string& entry, bool sliced = false);
    void PropertyChanged(const std::string& entry);
    void WriteList(const std::string& entry, const TPropRef& prop, const std::string& listKey, bool sliced);

    plat::IRegistry& FRegistry;
    plat::IUser& FUser;
    plat::IKernel& FKernel;
    TForm& FForm;
    TApplication& FApp;
    bool FRestoring = false;
    bool FListWriting = false;
    // Lists whose entries changed while one was being written: written again then.
    std::set<std::string> FListWritePending;
    // The entries' revision each list's key holds, as last written or read whole.
    std::map<std::string, std::uint64_t> FListStored;
    bool FSavedSinceRestore = false;
    std::set<std::string> FChangedWhileRestoring;
};
