#include "wallpaper/FolderBrowser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/SimWindows.h"

namespace {

class FolderBrowserTest : public ::testing::Test {
protected:
    // The dialog messages the picker sent while the user moved the selection.
    std::vector<std::string> DialogMessages() {
        std::vector<std::string> sent;
        for (const std::string& call : win.Journal())
            if (call.rfind("BFFM_", 0) == 0) sent.push_back(call);
        return sent;
    }

    sim::SimWindows win;
    TFolderBrowser browser{"FolderBrowser1", win.Shell(), 0};
    std::vector<std::string> seen;  // the folders the handler was called with
};

TEST_F(FolderBrowserTest, SelectionChangesReachTheHandlerWhichSetsOkAndTheStatusLine) {
    browser.BrowseFlags = bfStatusText;
    browser.OnChangeFolder = [this](const std::string& folder, int& enabledOK, std::string& statusText) {
        EXPECT_EQ(enabledOK, -1);
        EXPECT_EQ(statusText, "");
        seen.push_back(folder);
        if (folder == "C:\\WINDOWS") enabledOK = 0;
        if (folder != "C:\\keep") statusText = "in " + folder;
    };
    // "" is an item outside the file system, such as the printers folder.
    win.Shell().NextBrowseSelections({"C:\\Pics", "", "C:\\WINDOWS", "C:\\keep"});
    win.Shell().NextBrowseResult(std::nullopt);
    EXPECT_FALSE(browser.Execute());
    EXPECT_EQ(seen, (std::vector<std::string>{"C:\\Pics", "C:\\WINDOWS", "C:\\keep"}));
    EXPECT_EQ(DialogMessages(),
              (std::vector<std::string>{"BFFM_SETSTATUSTEXT(\"in C:\\Pics\")", "BFFM_ENABLEOK(0)",
                                        "BFFM_SETSTATUSTEXT(\"in C:\\WINDOWS\")"}));
    EXPECT_EQ(win.Shell().BrowseStatusText(), "in C:\\WINDOWS");
    EXPECT_FALSE(win.Shell().BrowseOKEnabled());

    // Without a handler the dialog is left as it sets itself.
    browser.OnChangeFolder = nullptr;
    win.ClearJournal();
    win.Shell().NextBrowseSelections({"C:\\Pics"});
    browser.Execute();
    EXPECT_TRUE(DialogMessages().empty());
    EXPECT_TRUE(win.Shell().BrowseOKEnabled());
}

}  // namespace
