// Commands a later start hands to the running copy, carried out on the form.
#include "app/RemoteCommands.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "wallpaper/Picture.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kList = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";

class RemoteCommandsTest : public ::testing::Test {
protected:
    RemoteCommandsTest() {
        app.Title = "Velant! Pro 2001";
        for (int i = 0; i < 3; ++i) {
            TBitmap b(2, 2);
            b.SetPixel(0, 0, static_cast<plat::ColorRef>(i * 40));
            pictures.push_back(b);
            win.Kernel().WriteBytes("C:\\pics\\" + std::to_string(i) + ".bmp", EncodeBmp(b));
        }
        win.Kernel().WriteText("C:\\pics\\notes.txt", "x");
        win.Kernel().WriteText("C:\\empty\\notes.txt", "x");
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        form->wallpaperPage.wallpaperList.SetItems({"C:\\pics\\0.bmp"});
        remote.emplace(*form, p.kernel);
    }
    // A message as a later start sends it, received and carried out.
    plat::LResult Send(const TCommand& command) {
        const auto bytes = EncodeCommand(command);
        std::optional<TCommand> accepted;
        const plat::LResult answer = remote->Receive(kCommandMagic, bytes.data(), bytes.size(), accepted);
        EXPECT_EQ(accepted.has_value(), answer == PackAnswer(TCommandAnswer::caDone));
        if (accepted) app.Dispatch([&] { remote->Execute(*accepted); });
        return answer;
    }
    std::vector<std::string> StoredList() {
        std::vector<std::string> items;
        for (int i = 0; win.Registry().Get(HKCU, kList, "Item" + std::to_string(i)); ++i)
            items.push_back(win.Registry().GetString(HKCU, kList, "Item" + std::to_string(i)));
        return items;
    }
    TBitmap Wallpaper() { return DecodeBmp(*win.Kernel().FileBytes(form->rotation.WallpaperBitmapPath())); }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::vector<TBitmap> pictures;
    std::unique_ptr<TMainForm> form;
    std::optional<TRemoteCommands> remote;
};

TEST_F(RemoteCommandsTest, EachCommandActsAsTheWindowsOwnButtonDoes) {
    EXPECT_EQ(Send({TCommandKind::ckNext, {}}), PackAnswer(TCommandAnswer::caDone));
    EXPECT_EQ(Wallpaper(), pictures[0]);
    EXPECT_EQ(form->wallpaperPage.wallpaperList.ItemIndex(), 0);

    // A folder adds its pictures with the masks in force, after the named file.
    EXPECT_EQ(Send({TCommandKind::ckAdd, {"C:\\pics\\2.bmp", "C:\\pics"}}),
              PackAnswer(TCommandAnswer::caDone));
    const std::vector<std::string> added = {"C:\\pics\\0.bmp", "C:\\pics\\2.bmp", "C:\\pics\\0.bmp",
                                            "C:\\pics\\1.bmp", "C:\\pics\\2.bmp"};
    EXPECT_EQ(form->wallpaperPage.wallpaperList.Items(), added);
    EXPECT_EQ(StoredList(), added) << "stored as after \"Add file\"";

    EXPECT_EQ(Send({TCommandKind::ckApply, {"C:\\pics\\1.bmp"}}), PackAnswer(TCommandAnswer::caDone));
    EXPECT_EQ(Wallpaper(), pictures[1]);
    EXPECT_EQ(form->wallpaperPage.wallpaperList.Items(), added) << "applied, not added";

    EXPECT_EQ(Send({TCommandKind::ckShow, {}}), PackAnswer(TCommandAnswer::caDone));
    EXPECT_TRUE(form->Showing());
    EXPECT_EQ(Send({TCommandKind::ckClose, {}}), PackAnswer(TCommandAnswer::caDone));
    EXPECT_TRUE(app.Terminated());
    EXPECT_TRUE(win.Dialogs().MessageBoxes().empty());
}

TEST_F(RemoteCommandsTest, ARefusedCommandChangesNothingAndSaysWhichPath) {
    const std::size_t sets = win.Count("SystemParametersInfo(20,");
    const struct {
        TCommand command;
        plat::LResult answer;
    } rows[] = {
        {{TCommandKind::ckAdd, {"C:\\pics\\1.bmp", "C:\\pics\\gone.bmp"}},
         PackAnswer(TCommandAnswer::caNoSuchFile, 1)},
        {{TCommandKind::ckAdd, {"C:\\pics\\notes.txt"}}, PackAnswer(TCommandAnswer::caNotAPicture)},
        {{TCommandKind::ckAdd, {"C:\\empty"}}, PackAnswer(TCommandAnswer::caNoPictures)},
        {{TCommandKind::ckApply, {"C:\\pics"}}, PackAnswer(TCommandAnswer::caNotAPicture)},
        {{TCommandKind::ckApply, {"pics\\1.bmp"}}, PackAnswer(TCommandAnswer::caBadMessage)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.command.paths.back());
        const std::size_t traces = win.Count("OutputDebugString(\"A command");
        EXPECT_EQ(Send(row.command), row.answer);
        EXPECT_EQ(win.Count("OutputDebugString(\"A command"), traces + 1) << "refused with a trace";
    }
    std::optional<TCommand> accepted;
    EXPECT_EQ(remote->Receive(kCommandMagic + 1, "\x01", 1, accepted),
              PackAnswer(TCommandAnswer::caBadMessage));
    EXPECT_EQ(form->wallpaperPage.wallpaperList.Items(), (std::vector<std::string>{"C:\\pics\\0.bmp"}));
    EXPECT_EQ(win.Count("SystemParametersInfo(20,"), sets);
}

}  // namespace
