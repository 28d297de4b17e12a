#include "system/Autostart.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/error.h"
#include "platform/sim/SimWindows.h"

namespace {

using plat::HKEY_CURRENT_USER;
using plat::HKEY_LOCAL_MACHINE;

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kName = "Velant! Pro 2001";
const std::string kInitialName = "Velant! Pro 2001#Autostart";
// The simulated executable lives in a folder with a space in its name.
const std::string kQuotedExe = "\"C:\\Program Files\\Velant\\VelantPro.exe\"";

std::vector<std::uint8_t> Sz(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

class AutostartTest : public ::testing::Test {
protected:
    AutostartTest() { Make(); }

    void Make() { a = std::make_unique<TAutostart>("Autostart1", win.Registry(), win.Kernel(), kName); }
    // The main window's design values, in its order.
    void Define() {
        a->SetAppName(kName);
        a->SetAutostart(true);
        a->SetStartNextLogon(false);
        a->SetGlobal(false);
    }
    // Spends the one write request that keeps the logon entry as found.
    void SpendFirstWrite() {
        a->SetAutostart(a->Exists());
        ASSERT_FALSE(a->FirstWritePending());
    }
    // An entry as another program (or an earlier run) left it.
    void Put(plat::Hkey root, const std::string& key, const std::string& name,
             const std::string& text = kQuotedExe) {
        win.Registry().SetString(root, key, name, text);
    }
    bool Has(plat::Hkey root, const std::string& key, const std::string& name) {
        return win.Registry().Get(root, key, name).has_value();
    }
    // The registry's writes since the last ClearJournal, without opens and creates.
    std::vector<std::string> Writes() {
        std::vector<std::string> out;
        for (const auto& e : win.Registry().Operations())
            if (e.rfind("RegSetValueEx(", 0) == 0 || e.rfind("RegDeleteValue(", 0) == 0 ||
                e.rfind("RegDeleteKey(", 0) == 0)
                out.push_back(e);
        return out;
    }
    // A key as the journal names it: the simulated user root already holds a
    // "Software" key, whose spelling wins over the one the program passes.
    static std::string Where(const std::string& root, const std::string& key) {
        return root + "\\" + (root == "HKCU" ? "Software" + key.substr(8) : key);
    }
    static std::string SetValue(const std::string& root, const std::string& key, const std::string& name) {
        return "RegSetValueEx(" + Where(root, key) + ", \"" + name + "\", 1, \"" + kQuotedExe + "\\0\")";
    }
    static std::string DeleteValue(const std::string& root, const std::string& key, const std::string& name) {
        return "RegDeleteValue(" + Where(root, key) + ", \"" + name + "\")";
    }

    sim::SimWindows win;
    std::unique_ptr<TAutostart> a;
};

// ---- construction and start-up ----

TEST_F(AutostartTest, NamedAfterTheApplicationUntilRenamedAndTouchesNothing) {
    EXPECT_EQ(a->Name(), "Autostart1");
    EXPECT_EQ(a->appName(), kInitialName);
    EXPECT_FALSE(a->Global());
    EXPECT_TRUE(a->FirstWritePending());
    EXPECT_TRUE(win.Registry().Operations().empty());
}

TEST_F(AutostartTest, FirstRunCreatesNoEntryAndSaysSo) {
    Define();
    EXPECT_FALSE(Has(HKEY_CURRENT_USER, kRun, kName));
    EXPECT_FALSE(Has(HKEY_CURRENT_USER, kRunOnce, kName));
    EXPECT_FALSE(a->FirstWritePending());
    // What a check box showing the truth reads, instead of its design value.
    EXPECT_FALSE(a->Exists());
    EXPECT_FALSE(a->autostart());

    // The user's click is what creates the entry: a REG_SZ with the quoted path.
    a->SetAutostart(true);
    EXPECT_TRUE(a->Exists());
    EXPECT_TRUE(a->InRun());
    auto value = win.Registry().Get(HKEY_CURRENT_USER, kRun, kName);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->type, plat::REG_SZ);
    EXPECT_EQ(value->bytes, Sz(kQuotedExe));

    a->SetAutostart(false);
    EXPECT_FALSE(Has(HKEY_CURRENT_USER, kRun, kName));
    EXPECT_FALSE(a->Exists());
    EXPECT_FALSE(a->InRun());
    a->SetAutostart(false);  // deleting a missing entry is no error
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);
}

TEST_F(AutostartTest, StartUpRefreshesAPresentEntrysPathAndDropsTheNextLogonOne) {
    Put(HKEY_CURRENT_USER, kRun, kName, "\"D:\\Old place\\VelantPro.exe\"");
    Put(HKEY_CURRENT_USER, kRunOnce, kName);
    Define();
    EXPECT_EQ(win.Registry().GetString(HKEY_CURRENT_USER, kRun, kName), kQuotedExe);
    EXPECT_FALSE(Has(HKEY_CURRENT_USER, kRunOnce, kName));
    EXPECT_TRUE(a->Exists());
    EXPECT_TRUE(a->InRun());
    EXPECT_FALSE(a->InRunOnce());
}

TEST_F(AutostartTest, FirstRequestKeepsTheLogonEntryWhateverItAsks) {
    Put(HKEY_CURRENT_USER, kRun, kInitialName);
    a->SetAutostart(false);  // kept: it was present
    EXPECT_TRUE(Has(HKEY_CURRENT_USER, kRun, kInitialName));
    EXPECT_TRUE(a->InRun());
    a->SetAutostart(false);  // the second request applies
    EXPECT_FALSE(Has(HKEY_CURRENT_USER, kRun, kInitialName));
}

TEST_F(AutostartTest, EntryUsesTheDocumentedKeysWithFullAccess) {
    SpendFirstWrite();
    win.ClearJournal();
    a->SetAutostart(true);
    a->SetStartNextLogon(true);
    EXPECT_EQ(win.Registry().Operations(), (std::vector<std::string>{
                                               "RegCreateKeyEx(HKCU, \"" + kRun + "\", 983103)",
                                               SetValue("HKCU", kRun, kInitialName),
                                               "RegCreateKeyEx(HKCU, \"" + kRunOnce + "\", 983103)",
                                               SetValue("HKCU", kRunOnce, kInitialName),
                                           }));
    EXPECT_TRUE(a->StartNextLogon());
    EXPECT_TRUE(a->InRunOnce());
}

TEST_F(AutostartTest, OnlyANonEmptyStringCountsAsPresent) {
    Put(HKEY_CURRENT_USER, kRun, kInitialName, "");
    EXPECT_FALSE(a->autostart());
    win.Registry().Set(HKEY_CURRENT_USER, kRun, kInitialName, plat::REG_EXPAND_SZ,
                       Sz("%ProgramFiles%\\v.exe"));
    EXPECT_TRUE(a->autostart());
    // A key that cannot be opened hides the entry, and writes to it give up quietly.
    SpendFirstWrite();
    win.Registry().DenyAccess(HKEY_CURRENT_USER, kRun);
    EXPECT_FALSE(a->Exists());
    a->SetAutostart(false);
    EXPECT_FALSE(a->InRun());
    win.Registry().DenyAccess(HKEY_CURRENT_USER, kRun, false);
    EXPECT_TRUE(Has(HKEY_CURRENT_USER, kRun, kInitialName));
}

// ---- errors of the registry ----

TEST_F(AutostartTest, ValueOfAnotherTypeFailsWithItsNameAndIsLeftAlone) {
    win.Registry().SetDword(HKEY_CURRENT_USER, kRun, kInitialName, 1);
    const std::string message = "Invalid data type for '" + kInitialName + "'";
    for (auto check : {+[](TAutostart& t) { t.autostart(); }, +[](TAutostart& t) { t.Exists(); },
                       +[](TAutostart& t) { t.SetAutostart(true); }}) {
        try {
            check(*a);
            ADD_FAILURE() << "no error";
        } catch (const EVelantError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    EXPECT_EQ(win.Registry().GetDword(HKEY_CURRENT_USER, kRun, kInitialName), 1u);
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);
    // The failed request was the first one: the next writes the entry over the value.
    EXPECT_FALSE(a->FirstWritePending());
    a->SetAutostart(true);
    EXPECT_EQ(win.Registry().Get(HKEY_CURRENT_USER, kRun, kInitialName).value().type, plat::REG_SZ);
    EXPECT_TRUE(a->Exists());
    // Renaming reads the entries under the new name and meets the same value.
    win.Registry().RemoveKey(HKEY_CURRENT_USER, kRun);
    win.Registry().SetDword(HKEY_CURRENT_USER, kRun, kName, 1);
    try {
        a->SetAppName(kName);
        ADD_FAILURE() << "no error";
    } catch (const EVelantError& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid data type for '" + kName + "'");
    }
}

TEST_F(AutostartTest, RefusedWriteFailsWithTheValueName) {
    SpendFirstWrite();
    // A key that cannot be created: nothing written, nothing reported.
    win.Registry().RemoveKey(HKEY_CURRENT_USER, kRun);
    win.Registry().FailWrites(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft");
    a->SetAutostart(true);
    EXPECT_FALSE(a->InRun());
    EXPECT_FALSE(win.Registry().HasKey(HKEY_CURRENT_USER, kRun));

    // An existing key that refuses the value: the error names the value.
    win.Registry().CreateKey(HKEY_CURRENT_USER, kRun);
    try {
        a->SetAutostart(true);
        ADD_FAILURE() << "no error";
    } catch (const EVelantError& e) {
        EXPECT_EQ(std::string(e.what()), "Failed to set data for '" + kInitialName + "'");
    }
    EXPECT_FALSE(Has(HKEY_CURRENT_USER, kRun, kInitialName));
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);

    win.Registry().FailWrites(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft", 0);
    a->SetAutostart(true);
    EXPECT_TRUE(a->InRun());
}

// ---- renaming ----

TEST_F(AutostartTest, RenamingMovesEveryPresentEntryInOrder) {
    SpendFirstWrite();
    Put(HKEY_CURRENT_USER, kRun, kInitialName);
    Put(HKEY_LOCAL_MACHINE, kRun, kInitialName);
    Put(HKEY_CURRENT_USER, kRunOnce, kInitialName);
    Put(HKEY_LOCAL_MACHINE, kRunOnce, kInitialName);
    Put(HKEY_CURRENT_USER, kRun, "Another program");
    win.ClearJournal();

    a->SetAppName(kName);
    EXPECT_EQ(a->appName(), kName);
    EXPECT_EQ(Writes(), (std::vector<std::string>{
                            DeleteValue("HKCU", kRun, kInitialName),
                            DeleteValue("HKLM", kRun, kInitialName),
                            DeleteValue("HKCU", kRunOnce, kInitialName),
                            DeleteValue("HKLM", kRunOnce, kInitialName),
                            SetValue("HKCU", kRun, kName),
                            SetValue("HKLM", kRun, kName),
                            SetValue("HKCU", kRunOnce, kName),
                            SetValue("HKLM", kRunOnce, kName),
                        }));
    EXPECT_EQ(win.Registry().ValueNames(HKEY_CURRENT_USER, kRun),
              (std::vector<std::string>{"Another program", kName}));
    EXPECT_TRUE(a->InRun());
    EXPECT_TRUE(a->InRunOnce());
}

TEST_F(AutostartTest, RenamingMovesOnlyWhatIsPresent) {
    SpendFirstWrite();
    Put(HKEY_LOCAL_MACHINE, kRunOnce, kInitialName);
    win.ClearJournal();
    a->SetAppName(kName);
    EXPECT_EQ(Writes(), (std::vector<std::string>{DeleteValue("HKLM", kRunOnce, kInitialName),
                                                  SetValue("HKLM", kRunOnce, kName)}));
    // The component is per user: the machine-wide entry is not its own.
    EXPECT_FALSE(a->InRun());
    EXPECT_FALSE(a->InRunOnce());
}

TEST_F(AutostartTest, RenamingInAnotherLetterCaseChangesNothing) {
    Put(HKEY_CURRENT_USER, kRun, kInitialName);
    win.ClearJournal();
    a->SetAppName("VELANT! PRO 2001#autostart");
    EXPECT_EQ(a->appName(), kInitialName);
    EXPECT_TRUE(win.Registry().Operations().empty());
    EXPECT_TRUE(a->FirstWritePending());
}

TEST_F(AutostartTest, RenamingAsTheFirstWriteKeepsTheOldEntryAndWritesTheNewOne) {
    Put(HKEY_CURRENT_USER, kRun, kInitialName);
    a->SetAppName(kName);
    EXPECT_TRUE(Has(HKEY_CURRENT_USER, kRun, kInitialName));
    EXPECT_EQ(win.Registry().GetString(HKEY_CURRENT_USER, kRun, kName), kQuotedExe);
}

// ---- moving between the roots ----

TEST_F(AutostartTest, GlobalMovesTheEntriesToTheMachineAndBack) {
    SpendFirstWrite();
    a->SetAutostart(true);
    a->SetStartNextLogon(true);
    win.ClearJournal();

    a->SetGlobal(true);
    EXPECT_TRUE(a->Global());
    EXPECT_EQ(Writes(), (std::vector<std::string>{
                            "RegDeleteKey(HKLM, \"Software\\Taviron\\test\")",
                            SetValue("HKLM", kRun, kInitialName),
                            DeleteValue("HKCU", kRun, kInitialName),
                            SetValue("HKLM", kRunOnce, kInitialName),
                            DeleteValue("HKCU", kRunOnce, kInitialName),
                        }));
    EXPECT_FALSE(win.Registry().HasKey(HKEY_LOCAL_MACHINE, "Software\\Taviron\\test"));
    EXPECT_TRUE(a->autostart());
    EXPECT_TRUE(a->StartNextLogon());
    // Writes now go to the machine-wide root.
    a->SetStartNextLogon(false);
    EXPECT_FALSE(Has(HKEY_LOCAL_MACHINE, kRunOnce, kInitialName));

    win.ClearJournal();
    a->SetGlobal(true);  // the same value: only the write test
    EXPECT_EQ(Writes(), (std::vector<std::string>{"RegDeleteKey(HKLM, \"Software\\Taviron\\test\")"}));

    win.ClearJournal();
    a->SetGlobal(false);
    EXPECT_FALSE(a->Global());
    EXPECT_EQ(Writes(), (std::vector<std::string>{SetValue("HKCU", kRun, kInitialName),
                                                  DeleteValue("HKLM", kRun, kInitialName)}));
    EXPECT_TRUE(a->Exists());
}

TEST_F(AutostartTest, GlobalStaysOffWithoutWriteAccessToTheMachine) {
    SpendFirstWrite();
    a->SetAutostart(true);
    win.Registry().DenyAccess(HKEY_LOCAL_MACHINE, "");
    a->SetGlobal(true);
    EXPECT_FALSE(a->Global());
    EXPECT_TRUE(Has(HKEY_CURRENT_USER, kRun, kInitialName));

    // Writable keys but no new ones: the test key cannot be made either.
    win.Registry().DenyAccess(HKEY_LOCAL_MACHINE, "", false);
    win.Registry().FailWrites(HKEY_LOCAL_MACHINE, "");
    a->SetGlobal(true);
    EXPECT_FALSE(a->Global());
    EXPECT_TRUE(Has(HKEY_CURRENT_USER, kRun, kInitialName));
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);
}

TEST_F(AutostartTest, FailedMoveKeepsTheEntryInTheOldRoot) {
    SpendFirstWrite();
    a->SetAutostart(true);
    win.Registry().CreateKey(HKEY_LOCAL_MACHINE, kRun);
    win.Registry().FailWrites(HKEY_LOCAL_MACHINE, kRun);
    EXPECT_THROW(a->SetGlobal(true), EVelantError);
    EXPECT_FALSE(a->Global());
    EXPECT_TRUE(Has(HKEY_CURRENT_USER, kRun, kInitialName));
}

}  // namespace
