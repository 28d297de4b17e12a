#pragma once
// Every value the program stores, once: its registry name, where it lives, its
// type, its default and its place in the order of writing. The settings store,
// the mirror values, the "More" key and the list export all read this table.
#include <string>
#include <vector>

// Where a value lives, below HKEY_CURRENT_USER\Software\Corvane.
enum class TStoredIn {
    Section,     // "Velant! Pro 2001": "<component>_<property>", written by the settings store
    ListEntry,   // "Velant! Pro 2001.<component>_<property>": a list, one value per entry
    MainMirror,  // "Velant! Pro 2001\Main": "<name>" as text, written when the user changes it
    MoreKey,     // "Velant! Pro 2001\More": "<name>" as text, written only when the user changes it
    ListExport,  // "Velant! Pro 2001\<component>": "<component> TotalItems" and "ItemN"
};

enum class TValueType { Bool, Int, Text, Strings, Color, Font };

struct TSettingRow {
    const char* name;      // the component's name, or the value's own for a value of no control
    const char* property;  // the control's property that holds it; "" for a value of no control
    TStoredIn where;
    TValueType type;
    const char* def;  // the text a missing value stands for; "" where the control's design value is
    int order = -1;   // Section and ListEntry: the place in the store's order of writing and restoring
    int minimum = 0, maximum = 0;  // Int values read from the More key: the range that is accepted
};

const std::vector<TSettingRow>& SettingsSchema();

// The row of a value, or nullptr.
const TSettingRow* FindSetting(const std::string& name, TStoredIn where);

// "Name.Property" of every value the settings store keeps, in its order.
std::vector<std::string> StoredProperties();

// Text of a boolean as the mirror values and the "More" key hold it.
inline const char* BoolText(bool value) { return value ? "true" : "false"; }
