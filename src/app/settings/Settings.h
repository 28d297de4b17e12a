#pragma once
// The one reader and writer of the values the handlers store themselves: the
// mirror values under "Main", the "More" page's key and the list export. What
// each value is and where it lives comes from the settings schema; the settings
// store (FormStorage) keeps the rest.
#include <functional>
#include <optional>
#include <string>

#include "app/settings/SettingsSchema.h"
#include "platform/platform.h"
#include "ui/Application.h"
#include "ui/Component.h"
#include "ui/Controls.h"

class TSettings {
public:
    TSettings(plat::Platform& platform, TApplication& app) : FPlatform(platform), FApp(app) {}

    // The key below HKEY_CURRENT_USER that holds the values stored in `where`.
    static std::string KeyOf(TStoredIn where, const std::string& name = "");

    // Writes what the control holds now to its row in `where`. Nothing is written
    // to the "More" key while that key is being read back into its controls.
    void Save(TComponent& control, TStoredIn where);
    // A value of no control.
    void WriteText(TStoredIn where, const std::string& name, const std::string& text);
    // The value's text, nullopt when missing; EVelantError when it cannot be read.
    std::optional<std::string> ReadText(TStoredIn where, const std::string& name);
    // Reads the control's stored value back into it; a missing one empties it.
    void Reload(TComponent& control, TStoredIn where);

    // Reads every control's row of the "More" key into it, without writing anything:
    // a user who never changes them leaves no trace. A value that cannot be read,
    // or holds what its row does not accept, keeps the control as it is.
    void LoadMoreKey(const std::function<TComponent*(const std::string&)>& find);

    // The list's export, written in slices with window messages between them.
    void ExportList(const TListBox& list);

private:
    const TSettingRow& Row(const std::string& name, TStoredIn where) const;

    plat::Platform& FPlatform;
    TApplication& FApp;
    bool FLoadingMore = false;
    unsigned FListExports = 0;  // ExportList calls begun
};
