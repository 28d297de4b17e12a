#pragma once
// The simulated common dialogs: every dialog is journaled and answered from a
// script, as if the user had clicked.
//
// MessageBox answers the next queued answer; with none queued, SetDefaultAnswer's
// value, or else the box's first button (IDOK for MB_OK / MB_OKCANCEL, IDYES for
// MB_YESNO / MB_YESNOCANCEL, IDABORT, IDRETRY...). ChooseColor, GetOpenFileName,
// GetSaveFileName take the next queued choice; nullopt or nothing queued means
// the user cancelled.
//
// Journal entries:
//   MessageBox(<owner>, "<text>", "<caption>", <type>)
//   ChooseColor(<owner>, 0x<colour>)
//   GetOpenFileName(<owner>, "<title>", "<filter>", "<defaultExt>", "<fileName>")
//   GetSaveFileName(<owner>, "<title>", "<filter>", "<defaultExt>", "<fileName>")
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "platform/sim/SimJournal.h"

namespace sim {

struct MessageBoxRecord {
    plat::Hwnd owner = 0;
    std::string text;
    std::string caption;
    std::uint32_t type = 0;
    int answer = 0;
};

class SimDialogs : public plat::IDialogs {
public:
    explicit SimDialogs(SimJournal& journal) : journal_(journal) {}

    int MessageBox(plat::Hwnd owner, const std::string& text, const std::string& caption,
                   std::uint32_t type) override;
    bool ChooseColor(plat::Hwnd owner, plat::ColorRef& color) override;
    bool GetOpenFileName(plat::FileDialogOptions& options) override;
    bool GetSaveFileName(plat::FileDialogOptions& options) override;

    void NextMessageBoxAnswer(int answer) { answers_.push_back(answer); }
    void SetDefaultAnswer(int answer) { defaultAnswer_ = answer; }  // 0 = the first button
    void NextColor(std::optional<plat::ColorRef> color) { colors_.push_back(color); }
    void NextOpenFileName(std::optional<std::string> file) { openFiles_.push_back(std::move(file)); }
    void NextSaveFileName(std::optional<std::string> file) { saveFiles_.push_back(std::move(file)); }

    const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
    // The options the program last passed to an open or save dialog.
    const std::optional<plat::FileDialogOptions>& LastFileDialog() const { return lastFileDialog_; }

private:
    bool FileDialog(const char* name, plat::FileDialogOptions& options,
                    std::deque<std::optional<std::string>>& queue);

    SimJournal& journal_;
    std::deque<int> answers_;
    int defaultAnswer_ = 0;
    std::deque<std::optional<plat::ColorRef>> colors_;
    std::deque<std::optional<std::string>> openFiles_;
    std::deque<std::optional<std::string>> saveFiles_;
    std::vector<MessageBoxRecord> boxes_;
    std::optional<plat::FileDialogOptions> lastFileDialog_;
};

}  // namespace sim
