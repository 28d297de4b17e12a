#include "desktop/FolderMenu.h"

#include <algorithm>
#include <cctype>
#include <memory>
#include <set>

#include "platform/Owned.h"
#include "platform/constants.h"

namespace {

constexpr int SM_CYMENU = 15;
constexpr std::uint32_t SPI_GETNONCLIENTMETRICS = 41;

constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr std::uint32_t FILE_ATTRIBUTE_VOLUMEID = 0x08;

// NONCLIENTMETRICSA without the padded-border field added in Vista: every
// version of Windows accepts this size.
struct NonClientMetrics {
    std::uint32_t cbSize = 0;
    std::int32_t iBorderWidth = 0, iScrollWidth = 0, iScrollHeight = 0, iCaptionWidth = 0, iCaptionHeight = 0;
    std::uint8_t lfCaptionFont[60] = {};
    std::int32_t iSmCaptionWidth = 0, iSmCaptionHeight = 0;
    std::uint8_t lfSmCaptionFont[60] = {};
    std::int32_t iMenuWidth = 0, iMenuHeight = 0;
    std::uint8_t lfMenuFont[60] = {}, lfStatusFont[60] = {}, lfMessageFont[60] = {};
};
static_assert(sizeof(NonClientMetrics) == 340);

// The user's collation without case, as the shell lists names; names it holds
// equal (differing only in case) count as one. Where the system cannot
// compare, byte order with letters folded stands in.
struct CollateLess {
    plat::IKernel* kernel;
    bool operator()(const std::string& a, const std::string& b) const {
        const int order = kernel->CompareString(plat::LOCALE_USER_DEFAULT, plat::NORM_IGNORECASE, a, b);
        if (order == plat::CSTR_LESS_THAN || order == plat::CSTR_EQUAL || order == plat::CSTR_GREATER_THAN)
            return order == plat::CSTR_LESS_THAN;
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
        });
    }
};
using TSortedNames = std::set<std::string, CollateLess>;

}  // namespace

std::uint32_t FileAttributeMask(TFileType type) {
    static constexpr std::pair<TFileAttr, std::uint32_t> kAttributes[] = {
        {ftReadOnly, 0x01}, {ftHidden, 0x02},    {ftSystem, 0x04},
        {ftVolumeID, 0x08}, {ftDirectory, 0x10}, {ftArchive, 0x20},
    };
    std::uint32_t mask = 0;
    for (const auto& [attr, bit] : kAttributes)
        if (type & attr) mask |= bit;
    return mask;
}

TFolderMenu::TFolderMenu(std::string name, plat::IUser& user, plat::IKernel& kernel, plat::IShell& shell,
                         TApplication& app)
    : TComponent(std::move(name)), FUser(&user), FKernel(&kernel), FShell(&shell), FApp(&app) {}

TFolderMenu::~TFolderMenu() { Clear(); }

void TFolderMenu::SetFolderName(const std::string& value) {
    if (value == FFolderName) return;
    std::string name = value;
    if (!name.empty() && name.back() != '\\') name += '\\';
    const std::size_t dots = name.find("..");
    if (dots != std::string::npos) {
        // "C:\Desktop\Sub\..\" and anything after the ".." name the parent of Sub.
        std::string before = name.substr(0, dots);
        if (!before.empty() && before.back() == '\\') before.pop_back();
        const std::size_t slash = before.rfind('\\');
        name = slash == std::string::npos ? std::string() : before.substr(0, slash + 1);
    }
    FFolderName = name;
    if (OnChanged) OnChanged();
}

void TFolderMenu::SetEntryRenderer(IMenuEntryRenderer* renderer) {
    if (renderer == FEntryRenderer) return;
    DestroyEntries();
    FEntryRenderer = renderer;
}

void TFolderMenu::SetMenuItem(TMenuItem* item) {
    if (item == FMenuItem) return;
    Clear();
    FMenuItem = item;
}

int TFolderMenu::MeasureItemHeight() {
    if (FEntryRenderer) return FUser->GetSystemMetrics(SM_CYMENU) + 1;
    NonClientMetrics metrics;
    metrics.cbSize = sizeof metrics;
    FUser->SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    return metrics.iMenuHeight - 1;
}

void TFolderMenu::Rebuild() {
    if (!FMenuItem || FFolderName.empty() || !FUser) return;
    const std::uint32_t mask = FileAttributeMask(FileType);
    if (mask == 0) return;

    // Handlers run while the items are added; the user must not pick from a half-built menu.
    struct Guard {
        TMenuItem* item;
        ~Guard() {
            if (item) item->SetEnabled(true);
        }
    } guard{SafeMode ? FMenuItem : nullptr};
    if (guard.item) guard.item->SetEnabled(false);

    FItemHeight = MeasureItemHeight();
    FScreenHeight = FUser->GetSystemMetrics(plat::SM_CYSCREEN);
    Clear();
    Fill(mask);
}

void TFolderMenu::DestroyEntries() {
    while (!FEntries.empty()) {
        const Entry entry = FEntries.back();
        FEntries.pop_back();
        if (FEntryRenderer) FEntryRenderer->DestroyEntry(*entry.item);
        if (entry.icon) FUser->DestroyIcon(entry.icon);
    }
}

void TFolderMenu::Clear() {
    if (!FMenuItem) return;
    // A fill in progress (further up the stack) must not go on adding to a cleared menu.
    ++FGeneration;
    DestroyEntries();
    FColumnBreaks.clear();
    FMenuItem->Clear();
}

void TFolderMenu::Fill(std::uint32_t mask) {
    if (!FMenuItem || !FKernel) return;
    const unsigned generation = ++FGeneration;

    TSortedNames folders(CollateLess{FKernel}), files(CollateLess{FKernel});
    // As FindFirst with an attribute set: hidden, system, volume-label and directory
    // entries only when asked for, and then any entry sharing a bit with the mask.
    const std::uint32_t excluded = (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_VOLUMEID |
                                    plat::FILE_ATTRIBUTE_DIRECTORY) &
                                   ~mask;
    plat::FindData data;
    if (const plat::TOwnedFind find(*FKernel, FKernel->FindFirstFile(FFolderName + "*.*", data)); find) {
        do {
            if ((data.attributes & excluded) || !(data.attributes & mask) || data.name == ".") continue;
            if (data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY)
                folders.insert(data.name);
            else
                files.insert(data.name);
        } while (FKernel->FindNextFile(find.Get(), data));
    }

    FColumnHeight = 0;
    if (AddEntries(folders, generation)) AddEntries(files, generation);
}

template <class Names>
bool TFolderMenu::AddEntries(const Names& names, unsigned generation) {
    for (const std::string& name : names) {
        if (FApp->Terminated() || !FUser->ProcessMessages()) return false;
        if (generation != FGeneration || !FMenuItem) return false;

        FColumnHeight += FItemHeight;
        bool newColumn = false;
        if (FColumnHeight >= FScreenHeight && AutoBreak) {
            newColumn = true;
            FColumnHeight = 0;
        }

        auto owned = std::make_unique<TMenuItem>("", name);
        TMenuItem& item = *owned;
        item.OnClick = [this, &item] { Click(item); };
        FMenuItem->Add(std::move(owned));
        if (newColumn) FColumnBreaks.push_back(&item);

        if (FEntryRenderer) {
            const std::string path = FFolderName + name;
            // The parent folder's entry has no icon of its own.
            const plat::Hicon icon =
                path.find("..") == std::string::npos ? FShell->SHGetFileInfoSmallIcon(path) : 0;
            FEntries.push_back({&item, icon});
            FEntryRenderer->CreateEntry(item, icon);
        }
    }
    return true;
}

void TFolderMenu::Click(TMenuItem& sender) {
    if (OnClick) OnClick(sender);
}

void TFolderMenu::OpenEntry(const TMenuItem& item) {
    if (!FShell) return;
    const std::string file = FFolderName + item.Caption;
    FShell->ShellExecute(0, nullptr, file.c_str(), nullptr, nullptr, plat::SW_SHOWNORMAL);
}
