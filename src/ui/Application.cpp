#include "ui/Application.h"

#include "platform/constants.h"

void TApplication::HandleException(const std::exception& error) {
    FDialogs.MessageBox(MainWindow, error.what(), Title, plat::MB_OK | plat::MB_ICONERROR);
}

void TApplication::Minimize() {
    if (FMinimized) return;
    FMinimized = true;
    if (OnMinimize) OnMinimize();
}

void TApplication::Restore() {
    if (!FMinimized) return;
    FMinimized = false;
    if (OnRestore) OnRestore();
}
