#pragma once
// The control model of the configuration window. A control holds its state;
// changing it, by the user or by the program, runs its handler only when the
// state really changes. Listeners (the Win32 view, the settings store) hear every
// change before the handler runs.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/types.h"
#include "platform/user.h"
#include "ui/Component.h"

using TNotifyEvent = std::function<void()>;

enum class TFontPitch { fpDefault, fpVariable, fpFixed };
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

// A font as the form designs it; heights are at 96 pixels per inch.
class TFont {
public:
    int Charset = 1;
    unsigned Color = 0;
    std::string Name = "MS Sans Serif";
    TFontPitch Pitch = TFontPitch::fpDefault;
    unsigned Style = 0;  // TFontStyle bits

    int Height() const { return FHeight; }
    void SetHeight(int h) { FHeight = h; }
    int Size() const;
    void SetSize(int points);

    void Changed() const {
        if (OnChange) OnChange();
    }
    TNotifyEvent OnChange;

private:
    int FHeight = -11;
};

class TControl : public TComponent {
public:
    using TComponent::TComponent;
    using Listener = std::function<void(TControl&)>;

    std::string Caption;
    std::string Hint;
    bool Bold = false;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // A hint that changes while the window shows must reach it too.
    void SetHint(const std::string& value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    // Whether the control can take the keyboard focus (windowed and enabled).
    virtual bool CanFocus() const { return false; }

    void AddListener(Listener listener) { FListeners.push_back(std::move(listener)); }

protected:
    void Changed();

private:
    bool FEnabled = true;
    bool FVisible = true;
    std::vector<Listener> FListeners;
};

class TCheckBox : public TControl {
public:
    TCheckBox(std::string name, std::string caption, bool checked);
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    void Toggle() { SetChecked(!FChecked); }
    bool CanFocus() const override { return Enabled() && Visible(); }
    std::optional<TPropRef> Property(const std::string& name) override;

    TNotifyEvent OnClick;

private:
    bool FChecked;
};

class TEdit : public TControl {
public:
    TEdit(std::string name, std::string text);
    const std::string& Text() const { return FText; }
    void SetText(const std::string& value);
    bool CanFocus() const override { return Enabled() && Visible(); }
    std::optional<TPropRef> Property(const std::string& name) override;

    TNotifyEvent OnChange;

private:
    std::string FText;
};

// A numeric editor over its text: Value reads the text as a decimal integer (0
// when it is none); MinValue = MaxValue = 0 means no bounds.
class TSpinEdit : public TControl {
public:
    TSpinEdit(std::string name, int value);
    const std::string& Text() const { return FText; }
    void SetText(const std::string& value);
    int Value() const;
    void SetValue(int value) { SetText(std::to_string(value)); }
    bool CanFocus() const override { return Enabled() && Visible(); }
    std::optional<TPropRef> Property(const std::string& name) override;

    int MinValue = 0;
    int MaxValue = 0;
    TNotifyEvent OnChange;

private:
    std::string FText;
};

class TRadioGroup : public TControl {
public:
    TRadioGroup(std::string name, std::string caption, std::vector<std::string> items);
    const std::vector<std::string>& Items() const { return FItems; }
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int value);
    bool CanFocus() const override { return Enabled() && Visible() && FItemIndex >= 0; }
    std::optional<TPropRef> Property(const std::string& name) override;

    TNotifyEvent OnClick;

private:
    std::vector<std::string> FItems;
    int FItemIndex = -1;
};

// Program changes of the entries run no handler; OnClick is the user's selection.
class TListBox : public TControl {
public:
    explicit TListBox(std::string name);
    const std::vector<std::string>& Items() const { return FItems; }
    int Count() const { return static_cast<int>(FItems.size()); }
    void SetItems(const std::vector<std::string>& items);
    int Add(const std::string& item);
    void Delete(int index);
    void Clear();
    int ItemIndex() const { return FItemIndex; }
    void SetItemIndex(int value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    // Counts the changes of the entries (not of the selection): a listener that
    // hears a change can tell whether the entries are still those it last saw.
    std::uint64_t ItemsRevision() const { return FItemsRevision; }
    bool CanFocus() const override { return Enabled() && Visible(); }
    std::optional<TPropRef> Property(const std::string& name) override;
    // The user picks an entry: selection, then OnClick.
    void Click(int index);
    // Horizontal scroll extent in pixels, so long paths can be scrolled.
    int HorizontalExtent = 0;

    TNotifyEvent OnClick;

private:
    void Sort();
    std::vector<std::string> FItems;
    int FItemIndex = -1;
    bool FSorted = false;
    std::uint64_t FItemsRevision = 0;
};

class TLabel : public TControl {
public:
    TLabel(std::string name, std::string caption);
    TFont Font;
    unsigned Color() const { return FColor; }
    void SetColor(unsigned value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    std::optional<TPropRef> Property(const std::string& name) override;

private:
    unsigned FColor = 0x00C0C0C0;
    bool FTransparent = false;
};

class TButton : public TControl {
public:
    TButton(std::string name, std::string caption);
    void Click();
    bool CanFocus() const override { return Enabled() && Visible(); }
    TNotifyEvent OnClick;
};

class TBitmap;

// The picture box: drawn at the top left and clipped, or stretched to its size.
class TImage : public TControl {
public:
    TImage(std::string name, int width, int height);
    int Width;
    int Height;
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    // The picture shown, or null when the box is empty.
    const TBitmap* Picture() const { return FPicture.get(); }
    void SetPicture(std::shared_ptr<const TBitmap> picture);

private:
    bool FStretch = false;
    std::shared_ptr<const TBitmap> FPicture;
};

// A small picture of a shell object, named as the shell parses it ("::{CLSID}"):
// the view shows the shell's own small icon for the object.
class TShellIcon : public TControl {
public:
    using TControl::TControl;
    std::string ShellObject;
};

class TTabSheet : public TControl {
public:
    TTabSheet(std::string name, std::string caption);
};

class TPageControl : public TControl {
public:
    explicit TPageControl(std::string name);
    std::vector<TTabSheet*> Pages;
    int ActivePageIndex() const { return FActivePage; }
    void SetActivePageIndex(int index);
    bool CanFocus() const override { return Enabled() && Visible(); }
    TNotifyEvent OnEnter;

private:
    int FActivePage = 0;
};

// A menu item; setting its check mark, caption or visibility runs nothing.
class TMenuItem : public TControl {
public:
    TMenuItem(std::string name, std::string caption);
    bool IsSeparator() const { return Caption == "-"; }
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    bool Default = false;
    void SetCaption(const std::string& caption);
    TMenuItem& Add(std::unique_ptr<TMenuItem> item);
    const std::vector<std::unique_ptr<TMenuItem>>& Items() const { return FItems; }
    void Clear() { FItems.clear(); }
    // Chosen by the user: runs OnClick.
    void Click();
    // Unique among all items ever made: tells an item from a later one that
    // happens to get the same address.
    std::uint64_t Serial() const { return FSerial; }
    std::optional<TPropRef> Property(const std::string& name) override;

    TNotifyEvent OnClick;

private:
    bool FChecked = false;
    std::uint64_t FSerial = 0;
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};

class TPopupMenu : public TComponent {
public:
    explicit TPopupMenu(std::string name) : TComponent(std::move(name)), Items("", "") {}
    ~TPopupMenu() override;
    TMenuItem Items;
    bool AutoPopup = true;
    // Shows the menu at a screen position; set by whoever presents menus.
    std::function<void(int x, int y)> OnPopup;

    // Builds the system's menu from the items as they are now (hidden ones left
    // out) and tracks it at a screen position; the choice reaches the owner
    // window as WM_COMMAND, which hands it to DispatchCommand.
    void Popup(plat::IUser& user, int x, int y, plat::Hwnd owner);
    // Runs the chosen item's click; false for an id this menu did not hand out.
    bool DispatchCommand(std::uintptr_t id);
    // Items are drawn by their owner (WM_MEASUREITEM / WM_DRAWITEM), which finds
    // them by ItemFor: a command id, or a submenu's handle for a submenu item.
    bool OwnerDraw = false;
    TMenuItem* ItemFor(std::uintptr_t itemId) const;
    // Whether the item opens a submenu of the latest popup; its top-level items
    // are those of Items.
    bool IsTopLevel(const TMenuItem& item) const;
    // The system menu of the latest popup; 0 before the first.
    plat::Hmenu Handle() const { return FHandle; }

private:
    plat::Hmenu BuildMenu(const TMenuItem& parent);
    void DestroyHandle();
    // The item of that serial if it is still in the menu: items can be rebuilt
    // (the "Desktop" entries) while the system still shows the old ones.
    TMenuItem* Find(std::uint64_t serial) const;

    plat::IUser* FUser = nullptr;
    plat::Hmenu FHandle = 0;
    // What each command id showed; index + kFirstCommand is the id. An entry
    // rebuilt since is found again by its caption under the same parent.
    struct Shown {
        std::uint64_t serial;
        std::uint64_t parent;
        std::string caption;
    };
    std::vector<Shown> FCommands;
    TMenuItem* FindShown(const Shown& shown) const;
    std::vector<std::pair<plat::Hmenu, std::uint64_t>> FSubmenus;
};
