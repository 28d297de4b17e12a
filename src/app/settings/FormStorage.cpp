#include "app/settings/FormStorage.h"

#include <algorithm>
#include <cstdio>

#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Controls.h"
#include "ui/Convert.h"

namespace {

struct PropPath {
    TComponent* component = nullptr;
    std::string property;
    std::string valueName;  // the entry with "." replaced by "_"
};

const char* const kPitchNames[] = {"fpDefault", "fpVariable", "fpFixed"};
const char* const kStyleNames[] = {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"};

// Longer texts cannot have come from the controls: an edit takes at most this
// many characters, a font's face name fewer than 32 bytes.
constexpr std::size_t kMaxEditText = 32767;
constexpr std::size_t kMaxFontName = 31;

std::string StyleText(unsigned style) {
    std::string text = "[";
    bool first = true;
    for (int i = 0; i < 4; ++i)
        if (style & (1u << i)) {
            if (!first) text += ",";
            text += kStyleNames[i];
            first = false;
        }
    return text + "]";
}

unsigned ParseStyle(const std::string& text) {
    unsigned style = 0;
    std::string word;
    auto flush = [&] {
        for (int i = 0; i < 4; ++i)
            if (!word.empty() && SameText(word, kStyleNames[i])) style |= 1u << i;
        word.clear();
    };
    for (char c : text) {
        if (c == ' ' || c == ',' || c == '[' || c == ']')
            flush();
        else
            word += c;
    }
    flush();
    return style;
}

// Empty entries that the gaps of a damaged stored list may add to the items it
// still has; more, and the items close up instead.
constexpr int kDamagedListGaps = 256;

// The seven published properties of a font, in their published order.
struct FontProp {
    const char* name;
    std::string (*get)(const TFont&);
    void (*set)(TFont&, const std::string&);
};

const FontProp kFontProps[] = {
    {"Charset", [](const TFont& f) { return std::to_string(f.Charset); },
     [](TFont& f, const std::string& t) { f.Charset = StrToIntDef(t, 0); }},
    {"Color", [](const TFont& f) { return std::to_string(static_cast<int>(f.Color)); },
     [](TFont& f, const std::string& t) { f.Color = static_cast<unsigned>(StrToIntDef(t, 0)); }},
    {"Height", [](const TFont& f) { return std::to_string(f.Height()); },
     [](TFont& f, const std::string& t) { f.SetHeight(StrToIntDef(t, 0)); }},
    {"Name", [](const TFont& f) { return f.Name; },
     [](TFont& f, const std::string& t) {
         if (t.size() <= kMaxFontName) f.Name = t;
     }},
    {"Pitch", [](const TFont& f) { return std::string(kPitchNames[static_cast<int>(f.Pitch)]); },
     [](TFont& f, const std::string& t) {
         for (int i = 0; i < 3; ++i)
             if (SameText(t, kPitchNames[i])) f.Pitch = static_cast<TFontPitch>(i);
     }},
    {"Size", [](const TFont& f) { return std::to_string(f.Size()); },
     // The height, read just before, is the finer of the two: when it already has
     // this size it stays, as not every height is what some size gives.
     [](TFont& f, const std::string& t) {
         if (const int size = StrToIntDef(t, 0); size != f.Size()) f.SetSize(size);
     }},
    {"Style", [](const TFont& f) { return StyleText(f.Style); },
     [](TFont& f, const std::string& t) { f.Style = ParseStyle(t); }},
};

PropPath Resolve(const TForm& form, const std::string& entry) {
    PropPath p;
    auto dot = entry.find('.');
    if (dot == std::string::npos) return p;
    p.component = form.FindComponent(entry.substr(0, dot));
    p.property = entry.substr(dot + 1);
    p.valueName = entry.substr(0, dot) + "_" + p.property;
    return p;
}

// The text form of a scalar property (integers, enumerations, texts).
std::string ScalarText(const TPropRef& prop) {
    switch (prop.kind) {
        case TPropKind::Integer:
            return std::to_string(prop.getInt());
        case TPropKind::Boolean:
            return prop.getBool() ? "True" : "False";
        case TPropKind::Text:
            return prop.getText();
        default:
            return std::string();
    }
}

void AssignScalar(const TPropRef& prop, const std::string& text) {
    switch (prop.kind) {
        case TPropKind::Integer:
            prop.setInt(StrToIntDef(text, 0));
            break;
        case TPropKind::Boolean:
            if (SameText(text, "True"))
                prop.setBool(true);
            else if (SameText(text, "False"))
                prop.setBool(false);
            break;
        case TPropKind::Text:
            if (text.size() <= kMaxEditText) prop.setText(text);
            break;
        default:
            break;
    }
}

void Check(long status, const std::string& name) {
    if (status != plat::ERROR_SUCCESS) throw plat::SetDataError(name);
}

}  // namespace

std::optional<int> ListItemIndex(const std::string& valueName) {
    if (valueName.size() < 5 || valueName.size() > 13 || !SameText(valueName.substr(0, 4), "Item"))
        return std::nullopt;
    const std::string digits = valueName.substr(4);
    if (digits.size() > 1 && digits[0] == '0') return std::nullopt;
    int index = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        index = index * 10 + (c - '0');  // nine digits at most: no overflow
    }
    return index;
}

TFormStorage::TFormStorage(std::string name, plat::IRegistry& registry, plat::IUser& user,
                           plat::IKernel& kernel, TForm& form, TApplication& app)
    : TComponent(std::move(name)),
      FRegistry(registry),
      FUser(user),
      FKernel(kernel),
      FForm(form),
      FApp(app) {}

void TFormStorage::Loaded() {
    std::vector<std::string> kept;
    for (const auto& entry : StoredProps) {
        PropPath p = Resolve(FForm, entry);
        if (!p.component || !p.component->Property(p.property)) continue;
        kept.push_back(entry);
        if (auto* control = dynamic_cast<TControl*>(p.component))
            control->AddListener([this, entry](TControl&) { PropertyChanged(entry); });
    }
    StoredProps = kept;

    FForm.BeforeShowHooks.push_back([this] { FApp.Dispatch([this] { RestoreStoredSettings(); }); });
    FForm.AfterCloseQueryHooks.push_back([this] { FApp.Dispatch([this] { Save(false); }); });
    FForm.DestroyingHooks.push_back([this] {
        if (!FSavedSinceRestore) FApp.Dispatch([this] { Save(true); });
    });
}

// A change of a stored control is written at once, so that the record always
// matches what the window shows and a later restore never reverts it. While a
// restore runs, values are still being read; changes that its handlers make to
// other stored controls are written when it ends.
void TFormStorage::PropertyChanged(const std::string& entry) {
    if (!Active || !UseRegistry) return;
    if (FRestoring) {
        FChangedWhileRestoring.insert(entry);
        return;
    }
    // The save at close writes everything again and reports what fails; here a
    // failure must not break the code that changed the control.
    try {
        WriteProperty(entry, true);
    } catch (const EVelantError& error) {
        plat::Trace(FKernel, "Writing " + entry, error);
    }
}

void TFormStorage::WriteProperty(const std::string& entry, bool sliced) {
    PropPath p = Resolve(FForm, entry);
    if (!p.component) return;
    auto prop = p.component->Property(p.property);
    if (!prop) return;

    auto base = plat::RegKey::CreateOrThrow(FRegistry, plat::HKEY_CURRENT_USER, IniFileName);

    if (prop->kind == TPropKind::Strings) {
        base.Close();
        WriteList(entry, *prop, IniSection + "." + p.valueName, sliced);
        return;
    }

    auto key = plat::RegKey::CreateOrThrow(FRegistry, base.Get(), IniSection);
    if (prop->kind == TPropKind::Font) {
        for (const auto& fp : kFontProps) {
            const std::string name = p.valueName + fp.name;
            Check(key.WriteString(name, TrimControl(fp.get(*prop->font))), name);
        }
        return;
    }
    std::string text = TrimControl(ScalarText(*prop));
    if (text.empty() && prop->kind != TPropKind::Text) return;
    Check(key.WriteString(p.valueName, text), p.valueName);
}

// A list is written so that a process that dies at any moment leaves a whole
// list for the next start, the old one or the new one: the new list first goes
// to a key beside the old, with its count last, and only a whole copy there
// lets the list's own key be rewritten (a restore reads the copy while it is).
// A long list is written a slice at a time with window messages in between; a
// change of the entries among them starts the copy again, but a rewrite of the
// list's own key always ends first, as the copy is what protects it.
void TFormStorage::WriteList(const std::string& entry, const TPropRef& prop, const std::string& listKey,
                             bool sliced) {
    if (FListWriting) {
        FListWritePending.insert(entry);
        return;
    }
    FListWriting = true;
    struct Running {
        bool& writing;
        ~Running() { writing = false; }
    } running{FListWriting};
    auto betweenSlices = [&](std::size_t done) {
        if (sliced) BetweenListSlices(FApp, done);
    };
    const std::string copyKey = listKey + kListCopySuffix;
    for (;;) {
        FListWritePending.erase(entry);
        // Every change of the selection comes here: the entries are compared by
        // their revision before any of them is copied.
        const std::uint64_t revision = prop.getRevision ? prop.getRevision() : 0;
        if (auto stored = FListStored.find(entry); stored != FListStored.end()) {
            if (stored->second == revision) return;  // the entries the key already holds
            FListStored.erase(stored);
        }
        const std::vector<std::string> items = prop.getList();
        auto base = plat::RegKey::CreateOrThrow(FRegistry, plat::HKEY_CURRENT_USER, IniFileName);
        // A copy left by a write that never ended is older than the list's own key.
        FRegistry.RegDeleteKey(base.Get(), copyKey);
        if (items.empty()) {
            FRegistry.RegDeleteKey(base.Get(), listKey);
            FListStored[entry] = revision;
            return;
        }

        auto copy = plat::RegKey::CreateOrThrow(FRegistry, base.Get(), copyKey);
        std::size_t copied = 0;
        for (; copied < items.size(); ++copied) {
            betweenSlices(copied);
            if (FListWritePending.count(entry)) break;
            const std::string name = "Item" + std::to_string(copied);
            Check(copy.WriteString(name, items[copied]), name);
        }
        if (copied < items.size()) continue;
        Check(copy.WriteString("Count", std::to_string(items.size())), "Count");
        copy.Close();

        FRegistry.RegDeleteKey(base.Get(), listKey);
        auto key = plat::RegKey::CreateOrThrow(FRegistry, base.Get(), listKey);
        Check(key.WriteString("Count", std::to_string(items.size())), "Count");
        for (std::size_t i = 0; i < items.size(); ++i) {
            betweenSlices(i);
            const std::string name = "Item" + std::to_string(i);
            Check(key.WriteString(name, items[i]), name);
        }
        key.Close();
        FRegistry.RegDeleteKey(base.Get(), copyKey);
        if (!FListWritePending.count(entry)) {
            FListStored[entry] = revision;
            return;
        }
    }
}

void TFormStorage::Save(bool destroying) {
    if (!Active || !UseRegistry) return;
    auto base = plat::RegKey::CreateOrThrow(FRegistry, plat::HKEY_CURRENT_USER, IniFileName);
    auto key = plat::RegKey::CreateOrThrow(FRegistry, base.Get(), IniSection);
    auto write = [&](const std::string& name, const std::string& text) {
        Check(key.WriteString(name, text), name);
    };

    write("FormVersion", std::to_string(Version));

    plat::WindowPlacement wp;
    FUser.GetWindowPlacement(FForm.Handle(), wp);
    if (FApp.Minimized()) wp.showCmd = plat::SW_SHOWMINIMIZED;
    char buf[64];
    const int cx = FUser.GetSystemMetrics(plat::SM_CXSCREEN);
    const int cy = FUser.GetSystemMetrics(plat::SM_CYSCREEN);
    std::snprintf(buf, sizeof buf, "(%dx%d)", cx, cy);
    const std::string screen = buf;
    write("Flags", std::to_string(wp.flags));
    write("ShowCmd", std::to_string(wp.showCmd));
    write("PixelsPerInch", std::to_string(FUser.GetScreenDeviceCaps(plat::LOGPIXELSY)));
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", wp.minPosition.x, wp.minPosition.y, wp.maxPosition.x,
                  wp.maxPosition.y);
    write("MinMaxPos" + screen, buf);
    write("MinMaxPos", buf);
    std::snprintf(buf, sizeof buf, "%d,%d,%d,%d", wp.normalPosition.left, wp.normalPosition.top,
                  wp.normalPosition.right, wp.normalPosition.bottom);
    write("NormPos" + screen, buf);
    write("NormPos", buf);
    if (StoreActiveControl && FForm.ActiveControl()) write("ActiveControl", FForm.ActiveControl()->Name());
    write("Visible", destroying ? "1" : "0");
    key.Close();
    base.Close();

    for (const auto& entry : StoredProps) WriteProperty(entry);
    FSavedSinceRestore = true;
}

void TFormStorage::RestoreProperty(const std::string& entry) {
    PropPath p = Resolve(FForm, entry);
    if (!p.component) return;
    auto prop = p.component->Property(p.property);
    if (!prop) return;

    if (prop->kind == TPropKind::Strings) {
        // A list being written between window messages is what the control
        // holds; its key is not whole until the write ends.
        if (FListWriting) return;
        // Every change of the entries is written as it is made, so a key that
        // holds this revision holds what the control shows: reading it back would
        // cost one round trip per entry at every showing of the window.
        if (auto stored = FListStored.find(entry); stored != FListStored.end()) {
            if (prop->getRevision && stored->second == prop->getRevision()) return;
            FListStored.erase(stored);
        }
        const std::string listKey = IniFileName + "\\" + IniSection + "." + p.valueName;
        // A whole copy beside the list's own key is the newer list, whose write
        // into its own key did not end.
        auto key =
            plat::RegKey::Open(FRegistry, plat::HKEY_CURRENT_USER, listKey + kListCopySuffix, plat::KEY_READ);
        std::optional<std::string> countText;
        if (key.Valid()) countText = key.ReadString("Count");
        const bool fromCopy = countText.has_value();
        if (!fromCopy) {
            key = plat::RegKey::Open(FRegistry, plat::HKEY_CURRENT_USER, listKey, plat::KEY_READ);
            if (!key.Valid()) return;
            countText = key.ReadString("Count");
        }
        const int count = StrToIntDef(TrimControl(countText.value_or("0")), 0);
        if (count <= 0) return;
        // A count the key's values cannot back is damaged: then only the items
        // that are there are read, so the read stays as small as the key. Their
        // gaps read as empty, unless the gaps alone would outgrow the key; then
        // the items close up. Counting the values is one round trip, where
        // listing their names is one per value (50,000 after a big scan).
        std::vector<int> present;  // damaged: the indexes there, ascending
        if (const auto values = key.ValueCount(); !values || static_cast<std::uint32_t>(count) > *values) {
            for (const auto& name : key.ValueNames())
                if (auto index = ListItemIndex(name); index && *index < count) present.push_back(*index);
            if (present.empty()) return;
            std::sort(present.begin(), present.end());
        }
        auto read = [&](int index) {
            try {
                return key.ReadString("Item" + std::to_string(index)).value_or("");
            } catch (const EVelantError& error) {
                // An item of the wrong type reads as a missing one.
                plat::Trace(FKernel, "Reading " + entry, error);
                return std::string();
            }
        };
        std::vector<std::string> items;
        if (present.empty()) {
            items.reserve(static_cast<std::size_t>(count));
            for (int i = 0; i < count; ++i) items.push_back(read(i));
        } else if (present.back() >= static_cast<int>(present.size()) + kDamagedListGaps) {
            for (int index : present) items.push_back(read(index));
        } else {
            // A gap needs no round trip.
            items.resize(static_cast<std::size_t>(present.back()) + 1);
            for (int index : present) items[static_cast<std::size_t>(index)] = read(index);
        }
        prop->setList(items);
        // The list's own key holds what the control shows: the next change of
        // the selection alone has nothing to write.
        if (!fromCopy && present.empty() && prop->getRevision) FListStored[entry] = prop->getRevision();
        return;
    }

    auto key = plat::RegKey::Open(FRegistry, plat::HKEY_CURRENT_USER, SectionPath(), plat::KEY_READ);
    if (!key.Valid()) return;
    if (prop->kind == TPropKind::Font) {
        // Each of the font's values is its own property: one bad value leaves the others.
        for (const auto& fp : kFontProps) {
            try {
                auto text = key.ReadString(p.valueName + fp.name);
                if (text) fp.set(*prop->font, TrimControl(*text));
            } catch (const EVelantError& error) {
                plat::Trace(FKernel, "Reading " + entry + fp.name, error);
            }
        }
        prop->font->Changed();
        return;
    }
    auto text = key.ReadString(p.valueName);
    AssignScalar(*prop, TrimControl(text.value_or(ScalarText(*prop))));
}

void TFormStorage::RestoreStoredSettings() {
    if (!Active || !UseRegistry) return;
    // The store's own key is created even though it is only read here.
    auto base = plat::RegKey::CreateOrThrow(FRegistry, plat::HKEY_CURRENT_USER, IniFileName);
    auto section = plat::RegKey::Open(FRegistry, base.Get(), IniSection, plat::KEY_READ);
    std::optional<std::string> versionText, activeName;
    if (section.Valid()) {
        // Either value of the wrong type only loses itself.
        try {
            versionText = section.ReadString("FormVersion");
        } catch (const EVelantError& error) {
            plat::Trace(FKernel, "Reading FormVersion", error);
        }
        try {
            activeName = section.ReadString("ActiveControl");
        } catch (const EVelantError& error) {
            plat::Trace(FKernel, "Reading ActiveControl", error);
        }
    }
    section.Close();
    if (StrToIntDef(TrimControl(versionText.value_or("0")), 0) < Version) return;

    FRestoring = true;
    FChangedWhileRestoring.clear();
    // An error that is none of the program's own ends the restore on its way to the
    // error report; the changes made from then on must still be written at once.
    struct RestoreEnd {
        bool& restoring;
        ~RestoreEnd() { restoring = false; }
    } restoreEnd{FRestoring};
    for (const auto& entry : StoredProps) {
        try {
            RestoreProperty(entry);
        } catch (const EVelantError& error) {
            // One unreadable value must not cost the user the others.
            plat::Trace(FKernel, "Reading " + entry, error);
        }
    }
    FRestoring = false;
    FSavedSinceRestore = false;

    for (const auto& entry : FChangedWhileRestoring) {
        try {
            WriteProperty(entry, true);
        } catch (const EVelantError& error) {
            plat::Trace(FKernel, "Writing " + entry, error);
        }
    }
    FChangedWhileRestoring.clear();

    if (StoreActiveControl && activeName && !activeName->empty()) {
        auto* control = dynamic_cast<TControl*>(FForm.FindComponent(*activeName));
        if (control && control->CanFocus()) FForm.SetActiveControl(control);
    }
}
