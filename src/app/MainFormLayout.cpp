// The configuration window described once: every component of the form in
// declaration order, with its page, its dialog id (from the resource script) and
// how its window is drawn. What the settings store keeps is the settings schema's.
#include "app/MainForm.h"
#include "app/resources/resource.h"

TFormLayout TMainForm::DescribeControls() {
    TFormLayout rows = {
        {pageControl},
        {mainPage.tab, IDD_PAGE_MAIN},
        {wallpaperPage.tab, IDD_PAGE_WALLPAPER},
        {desktopPage.tab, IDD_PAGE_DESKTOP},
        {menuPage.tab, IDD_PAGE_MENU},
        {morePage.tab, IDD_PAGE_MORE},
    };
    mainPage.AddRows(rows);
    wallpaperPage.AddRows(rows);
    desktopPage.AddRows(rows);
    menuPage.AddRows(rows);
    morePage.AddRows(rows);
    // The popup menu's items are registered as the menu is built.
    rows.insert(rows.end(), {
                                {timers},        {captionTimer},      {wallpaperTimer}, {pollTimer},
                                {colorDialog},   {registryAccess},    {systemPaths},    {fileScanner},
                                {folderBrowser}, {hotKeys},           {trayIcon},       {menuPage.trayMenu},
                                {autostart},     {desktopMonitor},    {menuRenderer},   {desktopMenu},
                                {saveDialog},    {openPictureDialog}, {power},          {wallpaperSetter},
                                {desktopIcons},  {settingsStore},     {screensaver},
                            });
    return rows;
}
