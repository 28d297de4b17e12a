#include "ui/Controls.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/SimWindows.h"
#include "ui/Convert.h"

namespace {

// Counts handler runs and listener notifications, so a test can tell a real
// change (both fire) from an assignment of the value already held (neither).
struct Counter {
    int handler = 0;
    int listener = 0;
};

template <class C>
void Watch(C& control, TNotifyEvent& event, Counter& counter) {
    event = [&counter] { ++counter.handler; };
    control.AddListener([&counter](TControl&) { ++counter.listener; });
}

// ---- handlers run only on a real change ----

TEST(ControlsChange, CheckBoxRunsItsHandlerOnlyWhenTheStateChanges) {
    TCheckBox box("ckTest", "Test", false);
    Counter c;
    Watch(box, box.OnClick, c);

    box.SetChecked(false);
    EXPECT_EQ(c.handler, 0);
    box.SetChecked(true);
    EXPECT_EQ(c.handler, 1);
    box.SetChecked(true);
    EXPECT_EQ(c.handler, 1);
    box.Toggle();  // the user's click
    EXPECT_EQ(c.handler, 2);
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(c.listener, 2);
}

TEST(ControlsChange, CheckBoxHandlerSeesTheNewState) {
    TCheckBox box("ckTest", "Test", true);
    std::vector<bool> seen;
    box.OnClick = [&] { seen.push_back(box.Checked()); };
    box.SetChecked(false);
    box.SetChecked(true);
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
}

TEST(ControlsChange, EditRunsOnChangeOnlyForADifferentText) {
    TEdit edit("edtTest", "15");
    Counter c;
    Watch(edit, edit.OnChange, c);

    edit.SetText("15");
    EXPECT_EQ(c.handler, 0);
    edit.SetText("15 ");  // a trailing blank is a different text
    EXPECT_EQ(c.handler, 1);
    edit.SetText("");
    EXPECT_EQ(c.handler, 2);
    edit.SetText("");
    EXPECT_EQ(c.handler, 2);
    EXPECT_EQ(c.listener, 2);
}

TEST(ControlsChange, EditHandlerMayChangeTheTextAgain) {
    // The interval field resets itself from inside its own handler.
    TEdit edit("CheckTime", "15");
    int runs = 0;
    edit.OnChange = [&] {
        ++runs;
        if (edit.Text().empty()) edit.SetText("15");
    };
    edit.SetText("");
    EXPECT_EQ(edit.Text(), "15");
    EXPECT_EQ(runs, 2);
}

TEST(ControlsChange, SpinEditRunsOnChangeOnlyForADifferentValue) {
    TSpinEdit spin("ScrTimeout", 0);
    Counter c;
    Watch(spin, spin.OnChange, c);

    spin.SetValue(0);
    EXPECT_EQ(c.handler, 0);
    spin.SetValue(10);
    EXPECT_EQ(c.handler, 1);
    EXPECT_EQ(spin.Value(), 10);
    EXPECT_EQ(spin.Text(), "10");
    spin.SetValue(10);
    EXPECT_EQ(c.handler, 1);
    spin.SetValue(-3);
    EXPECT_EQ(spin.Value(), -3);
    EXPECT_EQ(c.handler, 2);
}

TEST(ControlsChange, SpinEditValueOfTextThatIsNoNumberIsZero) {
    TSpinEdit spin("ScrTimeout", 5);
    for (const char* text : {"abc", "", "12x", "99999999999"}) {
        spin.SetText(text);
        EXPECT_EQ(spin.Value(), 0) << '"' << text << '"';
    }
    spin.SetText("42");
    EXPECT_EQ(spin.Value(), 42);
}

TEST(ControlsChange, RadioGroupRunsOnClickOnlyForADifferentIndex) {
    TRadioGroup group("GroupPriority", "  Application priority  ", {"Idle", "Normal (default)", "High"});
    Counter c;
    Watch(group, group.OnClick, c);
    EXPECT_EQ(group.ItemIndex(), -1);

    group.SetItemIndex(-1);
    EXPECT_EQ(c.handler, 0);
    group.SetItemIndex(2);
    EXPECT_EQ(c.handler, 1);
    group.SetItemIndex(2);
    EXPECT_EQ(c.handler, 1);
    group.SetItemIndex(0);
    EXPECT_EQ(c.handler, 2);
    EXPECT_EQ(group.ItemIndex(), 0);
}

TEST(ControlsChange, RadioGroupIndexOutOfRangeMeansNoSelection) {
    TRadioGroup group("GroupPriority", "", {"Idle", "Normal (default)", "High"});
    int runs = 0;
    group.OnClick = [&] { ++runs; };
    group.SetItemIndex(3);  // already none selected: nothing changes
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(runs, 0);
    group.SetItemIndex(1);
    group.SetItemIndex(7);
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(runs, 2);
}

TEST(ControlsChange, ChangesThroughThePublishedPropertyBehaveLikeTheUsersChange) {
    // The settings store assigns through the published properties.
    TCheckBox box("ckTest", "", false);
    TEdit edit("edtTest", "a");
    TRadioGroup group("GroupPriority", "", {"Idle", "Normal (default)", "High"});
    TSpinEdit spin("ScrTimeout", 0);
    int runs = 0;
    box.OnClick = edit.OnChange = group.OnClick = spin.OnChange = [&] { ++runs; };

    box.Property("Checked")->setBool(false);
    edit.Property("Text")->setText("a");
    group.Property("ItemIndex")->setInt(-1);
    spin.Property("Value")->setInt(0);
    EXPECT_EQ(runs, 0);

    box.Property("Checked")->setBool(true);
    edit.Property("Text")->setText("b");
    group.Property("ItemIndex")->setInt(1);
    spin.Property("Value")->setInt(4);
    EXPECT_EQ(runs, 4);
    EXPECT_FALSE(box.Property("Nope").has_value());
}

TEST(ControlsChange, MenuCheckMarkRunsNothing) {
    TMenuItem item("SubDontaskconfirm", "Don't ask confirm");
    int runs = 0;
    item.OnClick = [&] { ++runs; };
    item.SetChecked(true);
    item.SetChecked(false);
    item.Property("Checked")->setBool(true);
    EXPECT_TRUE(item.Checked());
    EXPECT_EQ(runs, 0);
    item.Click();  // only the user's choice of the item runs it
    EXPECT_EQ(runs, 1);
}

TEST(ControlsChange, DisabledButtonAndMenuItemIgnoreClicks) {
    TButton button("btn", "Apply");
    TMenuItem item("item", "Item");
    int runs = 0;
    button.OnClick = item.OnClick = [&] { ++runs; };
    button.SetEnabled(false);
    item.SetEnabled(false);
    button.Click();
    item.Click();
    EXPECT_EQ(runs, 0);
}

// ---- list box ----

std::vector<std::string> V(std::initializer_list<const char*> items) {
    return std::vector<std::string>(items.begin(), items.end());
}

TEST(ListBox, UnsortedAddAppendsAndKeepsTheSelection) {
    TListBox list("WallList");
    list.Add("c");
    list.Add("a");
    list.SetItemIndex(0);
    EXPECT_EQ(list.Add("b"), 2);
    EXPECT_EQ(list.Items(), V({"c", "a", "b"}));
    EXPECT_EQ(list.ItemIndex(), 0);
}

TEST(ListBox, SwitchingToSortedOrderKeepsTheSelectedEntrySelected) {
    TListBox list("WallList");
    list.SetItems(V({"C:\\pics\\zebra.bmp", "C:\\pics\\Apple.jpg", "c:\\pics\\mango.bmp"}));
    list.SetItemIndex(0);
    list.SetSorted(true);
    EXPECT_EQ(list.Items(), V({"C:\\pics\\Apple.jpg", "c:\\pics\\mango.bmp", "C:\\pics\\zebra.bmp"}));
    EXPECT_EQ(list.ItemIndex(), 2);
    EXPECT_EQ(list.Items()[list.ItemIndex()], "C:\\pics\\zebra.bmp");
}

TEST(ListBox, SortedAddInsertsCaseInsensitivelyAndMovesTheSelectionWithItsEntry) {
    TListBox list("WallList");
    list.SetSorted(true);
    for (const char* s : {"delta", "Bravo", "alpha"}) list.Add(s);
    EXPECT_EQ(list.Items(), V({"alpha", "Bravo", "delta"}));
    list.SetItemIndex(1);  // "Bravo"

    struct Case {
        const char* item;
        int index;          // where it lands
        int selectedAfter;  // where "Bravo" is then
    };
    const Case cases[] = {
        {"charlie", 2, 1},  // after the selection: it stays
        {"ALPHA", 1, 2},    // before it: it moves down
        {"Echo", 5, 2},
        {"0", 0, 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(list.Add(c.item), c.index) << c.item;
        EXPECT_EQ(list.ItemIndex(), c.selectedAfter) << c.item;
        EXPECT_EQ(list.Items()[list.ItemIndex()], "Bravo") << c.item;
    }
    EXPECT_EQ(list.Items(), V({"0", "alpha", "ALPHA", "Bravo", "charlie", "delta", "Echo"}));
}

TEST(ListBox, SetItemsSortsWhenSortedAndClearsTheSelectionOnlyForOtherEntries) {
    TListBox list("WallList");
    list.SetSorted(true);
    list.SetItems(V({"b", "A", "c"}));
    EXPECT_EQ(list.Items(), V({"A", "b", "c"}));
    list.SetItemIndex(1);
    int changes = 0;
    list.AddListener([&](TControl&) { ++changes; });
    list.SetItems(V({"c", "b", "A"}));  // the same entries, as a restore brings them back
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(changes, 0);
    list.SetItems(V({"z", "y"}));
    EXPECT_EQ(list.Items(), V({"y", "z"}));
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(ListBox, DeleteKeepsTheSelectionOnItsEntryOrClearsIt) {
    TListBox list("WallList");
    list.SetItems(V({"a", "b", "c", "d"}));
    list.SetItemIndex(2);  // "c"
    list.Delete(0);
    EXPECT_EQ(list.ItemIndex(), 1);
    EXPECT_EQ(list.Items()[1], "c");
    list.Delete(2);  // after the selection
    EXPECT_EQ(list.ItemIndex(), 1);
    list.Delete(1);  // the selected entry itself
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.Items(), V({"b"}));
    list.Delete(5);  // no such entry
    list.Delete(-1);
    EXPECT_EQ(list.Items(), V({"b"}));
}

TEST(ListBox, SelectionOutOfRangeMeansNone) {
    TListBox list("WallList");
    list.SetItems(V({"a", "b"}));
    list.SetItemIndex(1);
    list.SetItemIndex(2);
    EXPECT_EQ(list.ItemIndex(), -1);
    list.SetItemIndex(-5);
    EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(ListBox, ProgramChangesRunNoHandlerButTheUsersPickDoes) {
    TListBox list("WallList");
    int runs = 0;
    list.OnClick = [&] { ++runs; };
    list.SetItems(V({"a", "b"}));
    list.Add("c");
    list.SetItemIndex(1);
    list.Delete(0);
    list.Clear();
    EXPECT_EQ(runs, 0);
    list.SetItems(V({"a", "b"}));
    list.Click(1);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(list.ItemIndex(), 1);
}

// ---- text conversions ----

struct IntCase {
    const char* text;
    std::optional<int> value;
};

class TryStrToIntTest : public ::testing::TestWithParam<IntCase> {};

TEST_P(TryStrToIntTest, ConvertsTheWholeTextOrNothing) {
    const auto& c = GetParam();
    EXPECT_EQ(TryStrToInt(c.text), c.value) << '"' << c.text << '"';
    EXPECT_EQ(IsValidInteger(c.text), c.value.has_value()) << '"' << c.text << '"';
    EXPECT_EQ(StrToIntDef(c.text, 77), c.value.value_or(77)) << '"' << c.text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, TryStrToIntTest,
    ::testing::Values(IntCase{"0", 0}, IntCase{"", std::nullopt}, IntCase{"abc", std::nullopt},
                      IntCase{"-5", -5}, IntCase{"$A", 10}, IntCase{"0x1F", 31}, IntCase{" 12", 12},
                      IntCase{"+7", 7}, IntCase{"2147483648", std::nullopt}, IntCase{"-2147483648", INT_MIN},
                      IntCase{"$FFFFFFFF", -1}, IntCase{"2147483647", INT_MAX},
                      IntCase{"-2147483649", std::nullopt}, IntCase{"x1f", 31}, IntCase{"X10", 16},
                      IntCase{"0X10", 16}, IntCase{"$a", 10}, IntCase{"$100000000", std::nullopt},
                      IntCase{"$", std::nullopt}, IntCase{"-", std::nullopt}, IntCase{"+", std::nullopt},
                      IntCase{" ", std::nullopt}, IntCase{"12 ", std::nullopt}, IntCase{"1 2", std::nullopt},
                      IntCase{"$G", std::nullopt}, IntCase{"1A", std::nullopt}, IntCase{"007", 7},
                      IntCase{"-0", 0}, IntCase{"--5", std::nullopt},
                      IntCase{"99999999999999999999", std::nullopt}));

TEST(TrimControl, RemovesCodesZeroToThirtyTwoAtBothEndsOnly) {
    struct Case {
        std::string in, out;
    };
    const Case cases[] = {
        {"", ""},
        {"   ", ""},
        {"abc", "abc"},
        {"  abc  ", "abc"},
        {"\t\r\nabc\r\n", "abc"},
        {std::string("\0x\0", 3), "x"},
        {"\x01\x1F"
         "a b\x20",
         "a b"},
        {"a  \t b", "a  \t b"},
        {"\x7F"
         "a",
         "\x7F"
         "a"},                      // DEL is above 32
        {"\xC3\xA9 ", "\xC3\xA9"},  // bytes of UTF-8 text are above 127, never trimmed
    };
    for (const auto& c : cases) EXPECT_EQ(TrimControl(c.in), c.out) << '"' << c.in << '"';
}

TEST(TextCase, SameTextIgnoresAsciiCase) {
    EXPECT_TRUE(SameText("True", "tRUE"));
    EXPECT_TRUE(SameText("", ""));
    EXPECT_FALSE(SameText("True", "True "));
    EXPECT_FALSE(SameText("fpDefault", "fpFixed"));
    EXPECT_EQ(UpperCase(".Bmp"), ".BMP");
    EXPECT_EQ(LowerCase(".JPG"), ".jpg");
}

}  // namespace

TEST(PopupMenuCommands, AnEntryRebuiltWhileTheMenuIsShownIsFoundByItsCaptionOrNotRun) {
    sim::SimWindows win;
    plat::Platform p = win.platform();
    const plat::Hwnd owner = win.User().CreateHiddenWindow(
        "owner", [](std::uint32_t, plat::WParam, plat::LParam) { return plat::LResult{0}; });
    TPopupMenu menu("menu");
    auto& desktop = menu.Items.Add(std::make_unique<TMenuItem>("desktop", "Desktop"));
    int oldClicks = 0, newClicks = 0;
    desktop.Add(std::make_unique<TMenuItem>("old", "old.txt")).OnClick = [&] { ++oldClicks; };
    menu.Popup(p.user, 0, 0, owner);
    const auto& shown = win.User().Menu(win.User().Menu(menu.Handle()).items[0].submenu);
    const std::uintptr_t oldId = shown.items[0].id;
    ASSERT_EQ(menu.ItemFor(oldId), desktop.Items()[0].get());
    // The folder changes while the menu is open: its entries are made anew.
    desktop.Clear();
    int againClicks = 0;
    desktop.Add(std::make_unique<TMenuItem>("again", "old.txt")).OnClick = [&] { ++againClicks; };
    EXPECT_TRUE(menu.DispatchCommand(oldId));
    EXPECT_EQ(againClicks, 1);
    // An entry that is gone runs nothing.
    desktop.Clear();
    desktop.Add(std::make_unique<TMenuItem>("new", "new.txt")).OnClick = [&] { ++newClicks; };
    EXPECT_FALSE(menu.DispatchCommand(oldId));
    EXPECT_EQ(menu.ItemFor(oldId), nullptr);
    EXPECT_EQ(oldClicks + newClicks, 0);
}
