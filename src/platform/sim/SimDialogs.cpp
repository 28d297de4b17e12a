#include "platform/sim/SimDialogs.h"

#include "platform/constants.h"

namespace sim {

namespace {
int FirstButton(std::uint32_t type) {
    switch (type & 0xF) {
        case 0:  // MB_OK
        case 1:
            return plat::IDOK;  // MB_OKCANCEL
        case 2:
            return 3;  // MB_ABORTRETRYIGNORE: IDABORT
        case 3:        // MB_YESNOCANCEL
        case 4:
            return plat::IDYES;  // MB_YESNO
        case 5:
            return 4;  // MB_RETRYCANCEL: IDRETRY
        case 6:
            return 2;  // MB_CANCELTRYCONTINUE: IDCANCEL
        default:
            return plat::IDOK;
    }
}
}  // namespace

int SimDialogs::MessageBox(plat::Hwnd owner, const std::string& text, const std::string& caption,
                           std::uint32_t type) {
    journal_.Add("MessageBox(" + std::to_string(owner.Value()) + ", " + fmt::Quote(text) + ", " +
                 fmt::Quote(caption) + ", " + std::to_string(type) + ")");
    int answer = 0;
    if (!journal_.Fails("MessageBox")) {
        if (!answers_.empty()) {
            answer = answers_.front();
            answers_.pop_front();
        } else {
            answer = defaultAnswer_ ? defaultAnswer_ : FirstButton(type);
        }
    }
    boxes_.push_back({owner, text, caption, type, answer});
    return answer;
}

bool SimDialogs::ChooseColor(plat::Hwnd owner, plat::ColorRef& color) {
    journal_.Add("ChooseColor(" + std::to_string(owner.Value()) + ", " + fmt::Color(color) + ")");
    if (journal_.Fails("ChooseColor") || colors_.empty()) return false;
    auto choice = colors_.front();
    colors_.pop_front();
    if (!choice) return false;
    color = *choice;
    return true;
}

bool SimDialogs::FileDialog(const char* name, plat::FileDialogOptions& options,
                            std::deque<std::optional<std::string>>& queue) {
    journal_.Add(std::string(name) + "(" + std::to_string(options.owner.Value()) + ", " +
                 fmt::Quote(options.title) + ", " + fmt::Quote(options.filter) + ", " +
                 fmt::Quote(options.defaultExt) + ", " + fmt::Quote(options.fileName) + ")");
    lastFileDialog_ = options;
    if (journal_.Fails(name) || queue.empty()) return false;
    auto choice = queue.front();
    queue.pop_front();
    if (!choice) return false;
    options.fileName = *choice;
    return true;
}

bool SimDialogs::GetOpenFileName(plat::FileDialogOptions& options) {
    return FileDialog("GetOpenFileName", options, openFiles_);
}

bool SimDialogs::GetSaveFileName(plat::FileDialogOptions& options) {
    return FileDialog("GetSaveFileName", options, saveFiles_);
}

}  // namespace sim
