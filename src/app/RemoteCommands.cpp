#include "app/RemoteCommands.h"

#include <string>
#include <vector>

#include "app/MainForm.h"
#include "platform/constants.h"
#include "wallpaper/FileScanner.h"

plat::LResult TRemoteCommands::Prepare(TCommand& command) {
    if (!CheckCommand(command).empty()) return PackAnswer(TCommandAnswer::caBadMessage);
    std::vector<std::string> pictures;
    for (std::size_t i = 0; i < command.paths.size(); ++i) {
        const std::string& path = command.paths[i];
        const auto attrs = FKernel.GetFileAttributes(path);
        if (attrs == plat::INVALID_FILE_ATTRIBUTES) return PackAnswer(TCommandAnswer::caNoSuchFile, i);
        const bool folder = (attrs & plat::FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (folder && command.kind == TCommandKind::ckAdd) {
            // The same search as "Browse", without its window messages: the
            // later start waits for the answer.
            TFileScanner scan("RemoteScan", FKernel);
            scan.FileMask = FForm.fileScanner.FileMask;
            scan.Attributes = FForm.fileScanner.Attributes;
            scan.Recursive = FForm.fileScanner.Recursive;
            scan.SortedList = FForm.fileScanner.SortedList;
            scan.ScanOptions = TScanOptions::soSpecifiedDir;
            scan.ProcessMsg = false;
            scan.ScanDir = path;
            scan.Execute();
            if (scan.FilesList().empty()) return PackAnswer(TCommandAnswer::caNoPictures, i);
            pictures.insert(pictures.end(), scan.FilesList().begin(), scan.FilesList().end());
            continue;
        }
        if (folder || FForm.rotation.KindOf(path) == TPictureKind::pkNone)
            return PackAnswer(TCommandAnswer::caNotAPicture, i);
        pictures.push_back(path);
    }
    command.paths = std::move(pictures);
    return PackAnswer(TCommandAnswer::caDone);
}

plat::LResult TRemoteCommands::Receive(std::uintptr_t magic, const void* data, std::size_t size,
                                       std::optional<TCommand>& accepted) {
    accepted.reset();
    std::optional<TCommand> command = DecodeCommand(magic, data, size);
    if (!command) {
        FKernel.OutputDebugString("A command message was refused: " + std::to_string(size) +
                                  " bytes, not a command.");
        return PackAnswer(TCommandAnswer::caBadMessage);
    }
    const plat::LResult answer = Prepare(*command);
    if (answer != PackAnswer(TCommandAnswer::caDone)) {
        FKernel.OutputDebugString("A command was refused: " + OutcomeOf(answer, *command).text);
        return answer;
    }
    accepted = std::move(command);
    return answer;
}

void TRemoteCommands::Execute(const TCommand& command) {
    switch (command.kind) {
        case TCommandKind::ckNext:
            FForm.rotation.ChangeWallpaperNow();
            break;
        case TCommandKind::ckAdd:
            // At the end (or in the list's order once it is sorted), as "Add
            // file" puts an entry; the settings store keeps the list current.
            for (const std::string& path : command.paths) FForm.wallpaperPage.wallpaperList.Add(path);
            break;
        case TCommandKind::ckApply:
            FForm.rotation.ApplyWallpaperFile(command.paths.at(0));
            FForm.look.ApplyIconColors();
            break;
        case TCommandKind::ckShow:
            FForm.ShowConfiguration();
            break;
        case TCommandKind::ckClose:
            FForm.Close();
            break;
    }
}
