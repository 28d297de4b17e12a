#include "app/settings/Settings.h"

#include <stdexcept>

#include "app/settings/FormStorage.h"
#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"

namespace {

constexpr const char* kSection = "Software\\Corvane\\Velant! Pro 2001";

std::string ValueText(TComponent& control, const TSettingRow& row) {
    const auto prop = control.Property(row.property);
    if (!prop) throw std::logic_error(control.Name() + " has no property " + row.property);
    switch (row.type) {
        case TValueType::Bool:
            return BoolText(prop->getBool());
        case TValueType::Int:
            return std::to_string(prop->getInt());
        default:
            return prop->getText();
    }
}

// Two terminating zero bytes: outside readers of these values expect them.
void WriteValue(plat::RegKey& key, const std::string& name, const std::string& text) {
    if (key.WriteString(name, text, true) != plat::ERROR_SUCCESS) throw plat::SetDataError(name);
}

}  // namespace

std::string TSettings::KeyOf(TStoredIn where, const std::string& name) {
    switch (where) {
        case TStoredIn::MainMirror:
            return std::string(kSection) + "\\Main";
        case TStoredIn::MoreKey:
            return std::string(kSection) + "\\More";
        case TStoredIn::ListExport:
            return std::string(kSection) + "\\" + name;
        case TStoredIn::ListEntry:
            return std::string(kSection) + "." + name;
        default:
            return kSection;
    }
}

const TSettingRow& TSettings::Row(const std::string& name, TStoredIn where) const {
    // A value without a row would be a value nobody can find: a fault of the program's.
    const TSettingRow* row = FindSetting(name, where);
    if (!row) throw std::logic_error(name + " is not in the settings schema");
    return *row;
}

void TSettings::Save(TComponent& control, TStoredIn where) {
    if (where == TStoredIn::MoreKey && FLoadingMore) return;
    WriteText(where, control.Name(), ValueText(control, Row(control.Name(), where)));
}

void TSettings::WriteText(TStoredIn where, const std::string& name, const std::string& text) {
    Row(name, where);
    auto key = plat::RegKey::CreateOrThrow(FPlatform.registry, plat::HKEY_CURRENT_USER, KeyOf(where));
    WriteValue(key, name, text);
}

std::optional<std::string> TSettings::ReadText(TStoredIn where, const std::string& name) {
    Row(name, where);
    auto key = plat::RegKey::Open(FPlatform.registry, plat::HKEY_CURRENT_USER, KeyOf(where), plat::KEY_READ);
    if (!key.Valid()) return std::nullopt;
    return key.ReadString(name);
}

void TSettings::Reload(TComponent& control, TStoredIn where) {
    const TSettingRow& row = Row(control.Name(), where);
    auto key = plat::RegKey::CreateOrThrow(FPlatform.registry, plat::HKEY_CURRENT_USER, KeyOf(where));
    const std::string text = key.ReadString(control.Name()).value_or(row.def);
    if (const auto prop = control.Property(row.property); prop && prop->setText) prop->setText(text);
}

void TSettings::LoadMoreKey(const std::function<TComponent*(const std::string&)>& find) {
    auto key = plat::RegKey::Open(FPlatform.registry, plat::HKEY_CURRENT_USER, KeyOf(TStoredIn::MoreKey),
                                  plat::KEY_READ);
    if (!key.Valid()) return;
    FLoadingMore = true;
    const struct Done {
        bool& loading;
        ~Done() { loading = false; }
    } done{FLoadingMore};
    for (const TSettingRow& row : SettingsSchema()) {
        if (row.where != TStoredIn::MoreKey || !*row.property) continue;
        TComponent* control = find(row.name);
        const auto prop = control ? control->Property(row.property) : std::nullopt;
        if (!prop) continue;
        std::optional<std::string> text;
        try {
            text = key.ReadString(row.name);
        } catch (const EVelantError& error) {
            plat::Trace(FPlatform.kernel, std::string("Reading ") + row.name, error);
        }
        if (!text) continue;
        if (row.type == TValueType::Bool) {
            const std::string word = LowerCase(TrimControl(*text));
            if (word == "true" || word == "false") prop->setBool(word == "true");
        } else if (row.type == TValueType::Int) {
            if (auto value = TryStrToInt(*text); value && *value >= row.minimum && *value <= row.maximum)
                prop->setInt(*value);
        }
    }
}

void TSettings::ExportList(const TListBox& list) {
    const std::string total = list.Name() + " TotalItems";
    Row(list.Name(), TStoredIn::ListExport);
    // Written in slices like the settings store's own copy: this export is of
    // the list as it is now.
    const std::vector<std::string> items = list.Items();
    TListWriteSlices slices(FApp, FListExports);
    auto k = plat::RegKey::CreateOrThrow(FPlatform.registry, plat::HKEY_CURRENT_USER,
                                         KeyOf(TStoredIn::ListExport, list.Name()));
    // The count of the last index goes first, as "0", and again at the end:
    // the same values in the same order as writing it before every item, at
    // half the registry round trips.
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (slices.Superseded(i)) return;
        if (i == 0) WriteValue(k, total, "0");
        WriteValue(k, "Item" + std::to_string(i), items[i]);
    }
    if (!items.empty()) WriteValue(k, total, std::to_string(items.size() - 1));

    // Items of an earlier, longer list must not outlive it.
    std::vector<std::string> stale;
    std::string name;
    for (std::uint32_t i = 0;; ++i) {
        if (slices.Superseded(i)) return;
        if (FPlatform.registry.RegEnumValue(k.Get(), i, name) != plat::ERROR_SUCCESS) break;
        if (auto index = ListItemIndex(name); index && *index >= static_cast<int>(items.size()))
            stale.push_back(name);
    }
    for (std::size_t i = 0; i < stale.size(); ++i) {
        if (slices.Superseded(i)) return;
        if (k.DeleteValue(stale[i]) != plat::ERROR_SUCCESS) throw plat::DeleteValueError(stale[i]);
    }
}
