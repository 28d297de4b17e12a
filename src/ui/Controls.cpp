#include "ui/Controls.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr int kDesignPixelsPerInch = 96;

int MulDivRound(int a, int b, int c) {
    long long p = static_cast<long long>(a) * b;
    long long q = p >= 0 ? (p + c / 2) / c : -((-p + c / 2) / c);
    return static_cast<int>(q);
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

int TFont::Size() const { return -MulDivRound(FHeight, 72, kDesignPixelsPerInch); }

void TFont::SetSize(int points) { FHeight = -MulDivRound(points, kDesignPixelsPerInch, 72); }

// --- TControl ---

void TControl::SetEnabled(bool value) {
    if (FEnabled == value) return;
    FEnabled = value;
    Changed();
}

void TControl::SetHint(const std::string& value) {
    if (Hint == value) return;
    Hint = value;
    Changed();
}

void TControl::SetVisible(bool value) {
    if (FVisible == value) return;
    FVisible = value;
    Changed();
}

void TControl::Changed() {
    for (auto& listener : FListeners) listener(*this);
}

// --- TCheckBox ---

TCheckBox::TCheckBox(std::string name, std::string caption, bool checked)
    : TControl(std::move(name)), FChecked(checked) {
    Caption = std::move(caption);
}

void TCheckBox::SetChecked(bool value) {
    if (FChecked == value) return;
    FChecked = value;
    Changed();
    if (OnClick) OnClick();
}

std::optional<TPropRef> TCheckBox::Property(const std::string& name) {
    if (name != "Checked") return std::nullopt;
    TPropRef p;
    p.kind = TPropKind::Boolean;
    p.getBool = [this] { return FChecked; };
    p.setBool = [this](bool v) { SetChecked(v); };
    return p;
}

// --- TEdit ---

TEdit::TEdit(std::string name, std::string text) : TControl(std::move(name)), FText(std::move(text)) {}

void TEdit::SetText(const std::string& value) {
    if (FText == value) return;
    FText = value;
    Changed();
    if (OnChange) OnChange();
}

std::optional<TPropRef> TEdit::Property(const std::string& name) {
    if (name != "Text") return std::nullopt;
    TPropRef p;
    p.kind = TPropKind::Text;
    p.getText = [this] { return FText; };
    p.setText = [this](const std::string& v) { SetText(v); };
    return p;
}

// --- TSpinEdit ---

TSpinEdit::TSpinEdit(std::string name, int value) : TControl(std::move(name)), FText(std::to_string(value)) {}

void TSpinEdit::SetText(const std::string& value) {
    if (FText == value) return;
    FText = value;
    Changed();
    if (OnChange) OnChange();
}

int TSpinEdit::Value() const {
    // The whole text must read as a decimal integer; anything else counts as 0.
    const char* begin = FText.c_str();
    while (*begin == ' ') ++begin;
    if (*begin == '\0') return 0;
    char* end = nullptr;
    long long v = std::strtoll(begin, &end, 10);
    if (end == begin || *end != '\0' || v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<int>(v);
}

std::optional<TPropRef> TSpinEdit::Property(const std::string& name) {
    if (name != "Value") return std::nullopt;
    TPropRef p;
    p.kind = TPropKind::Integer;
    p.getInt = [this] { return Value(); };
    p.setInt = [this](long long v) { SetValue(static_cast<int>(v)); };
    return p;
}

// --- TRadioGroup ---

TRadioGroup::TRadioGroup(std::string name, std::string caption, std::vector<std::string> items)
    : TControl(std::move(name)), FItems(std::move(items)) {
    Caption = std::move(caption);
}

void TRadioGroup::SetItemIndex(int value) {
    if (value < -1 || value >= static_cast<int>(FItems.size())) value = -1;
    if (FItemIndex == value) return;
    FItemIndex = value;
    Changed();
    if (OnClick) OnClick();
}

std::optional<TPropRef> TRadioGroup::Property(const std::string& name) {
    if (name != "ItemIndex") return std::nullopt;
    TPropRef p;
    p.kind = TPropKind::Integer;
    p.getInt = [this] { return FItemIndex; };
    p.setInt = [this](long long v) { SetItemIndex(static_cast<int>(v)); };
    return p;
}

// --- TListBox ---

TListBox::TListBox(std::string name) : TControl(std::move(name)) {}

void TListBox::SetItems(const std::vector<std::string>& items) {
    std::vector<std::string> next = items;
    if (FSorted) std::stable_sort(next.begin(), next.end(), LessNoCase);
    // The same entries again (each showing of the window restores them) keep
    // the selection, which is the rotation's position.
    if (next == FItems) return;
    FItems = std::move(next);
    ++FItemsRevision;
    FItemIndex = -1;
    Changed();
}

int TListBox::Add(const std::string& item) {
    int index;
    if (FSorted) {
        auto it = std::upper_bound(FItems.begin(), FItems.end(), item, LessNoCase);
        index = static_cast<int>(it - FItems.begin());
        FItems.insert(it, item);
        if (FItemIndex >= index) ++FItemIndex;
    } else {
        FItems.push_back(item);
        index = Count() - 1;
    }
    ++FItemsRevision;
    Changed();
    return index;
}

void TListBox::Delete(int index) {
    if (index < 0 || index >= Count()) return;
    FItems.erase(FItems.begin() + index);
    ++FItemsRevision;
    if (FItemIndex == index)
        FItemIndex = -1;
    else if (FItemIndex > index)
        --FItemIndex;
    Changed();
}

void TListBox::Clear() {
    if (FItems.empty() && FItemIndex == -1) return;
    if (!FItems.empty()) ++FItemsRevision;
    FItems.clear();
    FItemIndex = -1;
    Changed();
}

void TListBox::SetItemIndex(int value) {
    if (value < -1 || value >= Count()) value = -1;
    if (FItemIndex == value) return;
    FItemIndex = value;
    Changed();
}

void TListBox::SetSorted(bool value) {
    if (FSorted == value) return;
    FSorted = value;
    if (FSorted) {
        std::string selected = FItemIndex >= 0 ? FItems[FItemIndex] : std::string();
        bool had = FItemIndex >= 0;
        Sort();
        ++FItemsRevision;
        if (had) {
            auto it = std::find(FItems.begin(), FItems.end(), selected);
            FItemIndex = static_cast<int>(it - FItems.begin());
        }
    }
    Changed();
}

void TListBox::Sort() { std::stable_sort(FItems.begin(), FItems.end(), LessNoCase); }

void TListBox::Click(int index) {
    SetItemIndex(index);
    if (OnClick) OnClick();
}

std::optional<TPropRef> TListBox::Property(const std::string& name) {
    if (name != "Items") return std::nullopt;
    TPropRef p;
    p.kind = TPropKind::Strings;
    p.getList = [this] { return FItems; };
    p.setList = [this](const std::vector<std::string>& v) { SetItems(v); };
    p.getRevision = [this] { return FItemsRevision; };
    return p;
}

// --- TLabel ---

TLabel::TLabel(std::string name, std::string caption) : TControl(std::move(name)) {
    Caption = std::move(caption);
    Font.OnChange = [this] { Changed(); };
}

void TLabel::SetColor(unsigned value) {
    if (FColor == value) return;
    FColor = value;
    Changed();
}

void TLabel::SetTransparent(bool value) {
    if (FTransparent == value) return;
    FTransparent = value;
    Changed();
}

std::optional<TPropRef> TLabel::Property(const std::string& name) {
    TPropRef p;
    if (name == "Color") {
        p.kind = TPropKind::Integer;
        p.getInt = [this] { return static_cast<long long>(static_cast<int>(FColor)); };
        p.setInt = [this](long long v) { SetColor(static_cast<unsigned>(v)); };
        return p;
    }
    if (name == "Transparent") {
        p.kind = TPropKind::Boolean;
        p.getBool = [this] { return FTransparent; };
        p.setBool = [this](bool v) { SetTransparent(v); };
        return p;
    }
    if (name == "Font") {
        p.kind = TPropKind::Font;
        p.font = &Font;
        return p;
    }
    return std::nullopt;
}

// --- TButton, TImage, pages ---

TButton::TButton(std::string name, std::string caption) : TControl(std::move(name)) {
    Caption = std::move(caption);
}

void TButton::Click() {
    if (Enabled() && OnClick) OnClick();
}

TImage::TImage(std::string name, int width, int height)
    : TControl(std::move(name)), Width(width), Height(height) {}

void TImage::SetStretch(bool value) {
    if (FStretch == value) return;
    FStretch = value;
    Changed();
}

void TImage::SetPicture(std::shared_ptr<const TBitmap> picture) {
    if (!picture && !FPicture) return;
    FPicture = std::move(picture);
    Changed();
}

TTabSheet::TTabSheet(std::string name, std::string caption) : TControl(std::move(name)) {
    Caption = std::move(caption);
}

TPageControl::TPageControl(std::string name) : TControl(std::move(name)) {}

void TPageControl::SetActivePageIndex(int index) {
    if (index < 0 || index >= static_cast<int>(Pages.size()) || index == FActivePage) return;
    FActivePage = index;
    Changed();
}

// --- menus ---

TMenuItem::TMenuItem(std::string name, std::string caption) : TControl(std::move(name)) {
    static std::uint64_t serials = 0;
    FSerial = ++serials;
    Caption = std::move(caption);
}

void TMenuItem::SetChecked(bool value) {
    if (FChecked == value) return;
    FChecked = value;
    Changed();
}

void TMenuItem::SetCaption(const std::string& caption) {
    if (Caption == caption) return;
    Caption = caption;
    Changed();
}

TMenuItem& TMenuItem::Add(std::unique_ptr<TMenuItem> item) {
    FItems.push_back(std::move(item));
    return *FItems.back();
}

void TMenuItem::Click() {
    if (Enabled() && OnClick) OnClick();
}

std::optional<TPropRef> TMenuItem::Property(const std::string& name) {
    if (name != "Checked") return std::nullopt;
    TPropRef p;
    p.kind = TPropKind::Boolean;
    p.getBool = [this] { return FChecked; };
    p.setBool = [this](bool v) { SetChecked(v); };
    return p;
}
