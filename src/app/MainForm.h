#pragma once
// The main window: the configuration window with its five pages, the owner of
// every component, and the glue between their events and the system.
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "app/FormStorage.h"
#include "app/ShuffleRound.h"
#include "app/TimerList.h"
#include "desktop/FolderMenu.h"
#include "desktop/DesktopIcons.h"
#include "desktop/RegistryAccess.h"
#include "desktop/FolderMonitor.h"
#include "desktop/SystemPath.h"
#include "menu/MenuRenderer.h"
#include "platform/error.h"
#include "platform/platform.h"
#include "system/TrayIcon.h"
#include "system/Screensaver.h"
#include "system/HotKeys.h"
#include "system/CpuMeter.h"
#include "system/PowerCommands.h"
#include "system/Autostart.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/FormLayout.h"
#include "wallpaper/FileScanner.h"
#include "wallpaper/FolderBrowser.h"
#include "wallpaper/Picture.h"
#include "wallpaper/WallpaperSetter.h"

// The renderer's entries for the items the folder menu adds to "Desktop".
class TDesktopEntries : public IMenuEntryRenderer {
public:
    explicit TDesktopEntries(TMenuRenderer& menu) : FMenu(menu) {}
    void CreateEntry(TMenuItem& item, plat::Hicon icon) override { FMenu.AddEntry(&item, icon, 16); }
    void DestroyEntry(TMenuItem& item) override { FMenu.RemoveEntry(&item); }

private:
    TMenuRenderer& FMenu;
};

class TMainForm : public TForm {
public:
    TMainForm(plat::Platform& platform, TApplication& app);
    ~TMainForm() override;

    // The form has been built: components finish loading, then FormCreate runs.
    void Loaded();
    // The first part of Loaded on its own: the hotkey list and the notification
    // icon, which need none of the window's controls. The entry runs it before it
    // builds them, so the icon appears without waiting for the pages; it runs once.
    void LoadResidentComponents();
    // Every component with its page, dialog id and stored properties.
    const TFormLayout& Layout() const { return FLayout; }

    // --- pages and controls, in the order of the window's design ---
    TPageControl pageControl{"PageControl1"};
    TTabSheet mainTab{"TabSheet1", "Main"};
    TTabSheet wallpaperTab{"TabSheet3", "Wallpaper"};
    TTabSheet desktopTab{"TabSheet4", "Desktop/Hotkeys"};
    TTabSheet menuTab{"TabSheet2", "Popup menu/Start menu"};
    TTabSheet moreTab{"TabSheet5", "More"};

    // "Main"
    TCheckBox ckAutorun{"ckAutorun", "Autorun Velant! Pro 2001", true};
    TCheckBox ckAutorunScr{"ckAutorunScr", "Run screensaver on startup", false};
    TCheckBox ckWinClock{"ckWinClock", "Window titlebar clock", false};
    TCheckBox ckCPU{"ckCPU", "Show CPU Load", false};
    TEdit edtDate{"edtDate", "'Today is: ' dd.mm.yyyy"};
    TEdit edtTime{"edtTime", "'Time is: ' hh.mm.ss"};
    TRadioGroup GroupPriority{
        "GroupPriority", "  Application priority  ", {"Idle", "Normal (default)", "High"}};
    TCheckBox ckClearRecDocs{"ckClearRecDocs", "Clear recent docs on exit", false};
    TButton clearRecentNowButton{"RxSpeedButton9", "Clear now"};
    TButton closeButton{"RxSpeedButton3", "Close"};
    TButton minimizeButton{"RxSpeedButton5", "Minimize"};
    TCheckBox ckScrEnable{"ckScrEnable", "Screensaver enabled", false};
    TCheckBox ckKeepScrDisabled{"ckKeepScrDisabled", "Keep disabled after closing", false};
    TSpinEdit ScrTimeout{"ScrTimeout", 0};
    TButton runScreensaverButton{"RxSpeedButton12", "Run"};
    TButton configureScreensaverButton{"RxSpeedButton15", "Configure"};
    TButton openTrayButton{"RxSpeedButton1", "Open tray"};
    TButton closeTrayButton{"RxSpeedButton2", "Close tray"};

    // "Wallpaper"
    TListBox wallpaperList{"WallList"};
    TImage preview{"WImg", 230, 170};
    TButton btnApplyWall{"btnApplyWall", "Apply"};
    TButton flipButton{"RxSpeedButton17", "Flip"};
    TButton reverseButton{"RxSpeedButton18", "Reverse"};
    TButton saveButton{"RxSpeedButton19", "Save"};
    TButton browseButton{"RxSpeedButton20", "Browse"};
    TButton addFileButton{"RxSpeedButton21", "Add file"};
    TButton deleteButton{"RxSpeedButton22", "Delete"};
    TButton clearAllButton{"RxSpeedButton23", "Clear all"};
    TCheckBox ckStretch{"ckStretch", "Stretch", false};
    TCheckBox ckTile{"ckTile", "Tile", false};
    TCheckBox ckWallStartup{"ckWallStartup", "On startup", false};
    TCheckBox ckChangeWp{"ckChangeWp", "Every:", false};
    TEdit CheckTime{"CheckTime", "15"};
    TCheckBox ckWallRandom{"ckWallRandom", "Randomize wallpapers", false};
    TLabel lblScanProgress{"lblScanProgress", ""};

    // "Desktop/Hotkeys"
    TCheckBox ckDesktopIcons{"ckDesktopIcons", "Desktop icons", true};
    TCheckBox ckTaskbar{"ckTaskbar", "Taskbar", true};
    TCheckBox ckTrayClock{"ckTrayClock", "Tray clock", true};
    TCheckBox ckStartButton{"ckStartButton", "Start button", true};
    TCheckBox ckArrows{"ckArrows", "Shortcut arrows", false};
    TCheckBox ckTransparent{"ckTransparent", "Transparent Icons", true};
    TLabel lblIcon{"lblIcon", "My computer"};
    TButton textColorButton{"RxSpeedButton24", "Text color"};
    TButton backColorButton{"RxSpeedButton25", "Back color"};
    TButton defaultColorsButton{"RxSpeedButton16", "Default"};
    TCheckBox ckCheckTrans{"ckCheckTrans", "Check and apply transparency at intervals", false};
    TButton desktopPropertiesButton{"RxSpeedButton26", "Desktop properties"};
    TButton renameRecycleBinButton{"RxSpeedButton27", "Rename Recycle bin"};
    TEdit recycleBinName{"Edit1", "Edit1"};
    TCheckBox ckDragFullWindows{"ckDragFullWindows", "Drag full windows", false};
    TCheckBox ckAWinTrack{"ckAWinTrack", "Active window tracking", false};
    TCheckBox ckActiveDesktop{"ckActiveDesktop", "Active desktop", false};
    TCheckBox ckHotEnable{"ckHotEnable", "Enable hotkeys:", false};
    TCheckBox ckHotScr{"ckHotScr", "Run screensaver [Win+S]", false};
    TCheckBox ckHotWall{"ckHotWall", "Change wallpaper [Win+W]", false};
    TCheckBox ckHotHideIcons{"ckHotHideIcons", "Hide/Show icons [Ctrl+Win+I]", false};
    TCheckBox ckHotCd{"ckHotCd", "Open/Close Cd [Ctrl+Win+O/C]", false};
    TCheckBox ckHotShutdown{"ckHotShutdown", "Quick shutdown [Ctrl+Alt+Win+X]", false};
    TCheckBox ckTransparency{"ckTransparency", "Apply transparency [Ctrl+Alt+T]", false};

    // "Popup menu/Start menu"
    TCheckBox ckMycomputer{"ckMycomputer", "Show My Computer", true};
    TCheckBox ckDesktop{"ckDesktop", "Show Desktop shortcuts", true};
    TCheckBox ckControlPanel{"ckControlPanel", "Show control panel", true};
    TCheckBox ckCdRom{"ckCdRom", "Show Cd-Rom", true};
    TCheckBox ckClearRecent{"ckClearRecent", "Show 'Clear recent documents'", true};
    TCheckBox ckChangeW{"ckChangeW", "Show 'Change wallpaper'", true};
    TCheckBox ckHide{"ckHide", "Show 'Hide desktop icons'", true};
    TCheckBox ckPower{"ckPower", "Show 'Power manager'", true};
    TCheckBox ckStartScr{"ckStartScr", "Show 'Start screensaver'", true};
    TCheckBox ckEnableScr{"ckEnableScr", "Show 'Enable screensaver'", true};
    TButton addControlPanelButton{"RxSpeedButton4", "Add"};
    TButton deleteControlPanelButton{"RxSpeedButton6", "Delete"};
    TButton addPrintersButton{"RxSpeedButton13", "Add"};
    TButton deletePrintersButton{"RxSpeedButton14", "Delete"};
    TButton addUrlHistoryButton{"RxSpeedButton10", "Add"};
    TButton deleteUrlHistoryButton{"RxSpeedButton8", "Delete"};
    TButton addRecycleBinButton{"RxSpeedButton7", "Add"};
    TButton deleteRecycleBinButton{"RxSpeedButton11", "Delete"};
    // The pictures of the four start-menu rows, in the rows' order on the page.
    TShellIcon imgControlPanel{"imgControlPanel"};
    TShellIcon imgPrinters{"imgPrinters"};
    TShellIcon imgUrlHistory{"imgUrlHistory"};
    TShellIcon imgRecycleBin{"imgRecycleBin"};

    // "More": choices kept under their own key, whose defaults are the program's
    // behaviour without them.
    TCheckBox ckAllPictures{"ckAllPictures", "All picture types", false};
    TRadioGroup GroupLayout{"GroupLayout", "  Picture layout  ", {"As on the Wallpaper page", "Fill", "Fit"}};
    TCheckBox ckShuffle{"ckShuffle", "Shuffle without repeats", false};
    TCheckBox ckPauseFullScreen{"ckPauseFullScreen", "While a full-screen program runs", false};
    TCheckBox ckPauseBattery{"ckPauseBattery", "On battery", false};

    // --- the tray popup menu's items ---
    TPopupMenu trayMenu{"RxPopupMenu1"};
    TMenuItem* MainPopup_MyComputer = nullptr;
    TMenuItem* MainPopup_Desktop = nullptr;
    TMenuItem* MainPopup_Controlpanel = nullptr;
    TMenuItem* MainPopup_ClearRecent = nullptr;
    TMenuItem* MainPop_Cd = nullptr;
    TMenuItem* SubPop_Open = nullptr;
    TMenuItem* SubPop_Close = nullptr;
    TMenuItem* sepAfterCd = nullptr;
    TMenuItem* MainPopup_ChangeWall = nullptr;
    TMenuItem* MainPopup_Hideicons = nullptr;
    TMenuItem* sepAfterDesktopItems = nullptr;
    TMenuItem* MainPopup_Power = nullptr;
    TMenuItem* SubLogoff = nullptr;
    TMenuItem* SubReboot = nullptr;
    TMenuItem* SubShutdown = nullptr;
    TMenuItem* SubDontaskconfirm = nullptr;
    TMenuItem* sepBeforeSleep = nullptr;
    TMenuItem* SubSuspend = nullptr;
    TMenuItem* SubHibernate = nullptr;
    TMenuItem* sepBeforeScreensaver = nullptr;
    TMenuItem* MainPopup_Startscreensaver = nullptr;
    TMenuItem* MainPopup_ScreensaverEnabled = nullptr;
    TMenuItem* sepBeforeConfigure = nullptr;
    TMenuItem* MainPop_Configure = nullptr;
    TMenuItem* sepBeforeClose = nullptr;
    TMenuItem* MainPop_Close = nullptr;

    // --- components, in declaration order ---
    // The processor-load meter lives for the whole run, before any component.
    TCpuMeter cpuMeter;
    TTimerList timers;
    TTimerEvent captionTimer{"TitleBarTimer", 1000, false};
    TTimerEvent wallpaperTimer{"WallPaperTimer", 60000, true};
    TTimerEvent pollTimer{"General", 1000, true};
    TColorDialog colorDialog{"ClrDlg"};
    TRegistryAccess registryAccess;
    TSystemPath systemPaths;
    TFileScanner fileScanner;
    TFolderBrowser folderBrowser;
    THotKeys hotKeys;
    TTrayIcon trayIcon;
    TAutostart autostart;
    TFolderMonitor desktopMonitor;
    TMenuRenderer menuRenderer{"CoolMenu1"};
    // Outlives the folder menu, whose entries it removes from the renderer.
    TDesktopEntries DesktopEntries{menuRenderer};
    TFolderMenu desktopMenu;
    TSaveDialog saveDialog{"SaveDialog1"};
    TOpenPictureDialog openPictureDialog{"OpenPictureDialog1"};
    TPowerCommands power;
    TWallpaperSetter wallpaperSetter;
    TDesktopIcons desktopIcons;
    TFormStorage settingsStore;
    TScreensaver screensaver;

    // --- handlers ---
    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void FormClose();
    void FormHide();
    void MainPop_ConfigureClick();
    void TrayIconDblClick();
    void MainPop_CloseClick();
    void CloseButtonClick();
    void MinimizeButtonClick();
    void GroupPriorityClick();

    // --- the "Wallpaper" page ---
    void ChangeWallpaper();
    void ApplySelectedWallpaper();
    // Steps after the existence check: the picture becomes the wallpaper bitmap.
    void ApplyWallpaperFile(const std::string& path);
    // One change nobody asked for at that moment (timer, hotkey, menu, start-up):
    // Apply selects and applies an entry, or steps over it when it is missing or
    // cannot be read; the first new failure is reported when the change ends.
    class TUnattendedChange {
    public:
        explicit TUnattendedChange(TMainForm& form) : FForm(form) {}
        ~TUnattendedChange();
        TUnattendedChange(const TUnattendedChange&) = delete;
        TUnattendedChange& operator=(const TUnattendedChange&) = delete;
        bool Apply(const std::string& path, int index);

    private:
        TMainForm& FForm;
        std::optional<EVelantError> FFirstFailure;
    };
    // The pictures an unattended change could not read, reported once a run.
    std::set<std::string> FUnreadablePictures;
    void WallpaperTimerTimer();
    void CheckTimeChange();
    void wallpaperListClick();
    void ckStretchClick();
    void ckTileClick();
    void ckWallRandomClick();
    void MainPopup_ChangeWallClick();
    void btnApplyWallClick();
    void FlipButtonClick();
    void ReverseButtonClick();
    void SaveButtonClick();
    void BrowseButtonClick();
    void ScanFinished(const std::vector<std::string>& filesList, int filesCount, int filesSize);
    void BrowseFolderChanged(const std::string& folder, int& enabledOK, std::string& statusText);
    void AddFileButtonClick();
    void DeleteButtonClick();
    void ClearAllButtonClick();
    // The one bitmap file the program hands to the shell as the wallpaper, in
    // its folder of the user's local application data.
    std::string WallpaperBitmapPath() const;
    std::string FWallpaperFolder;
    std::string FindWallpaperFolder();
    // Creates the bitmap's folder when it is missing.
    void MakeWallpaperFolder();
    int MinutesLeft = 0;

    // The colour step after anything that makes the shell redraw the desktop.
    void ApplyIconColors();

    // --- the "More" page ---
    static constexpr const char* kMoreKey = "Software\\Corvane\\Velant! Pro 2001\\More";
    void WireMorePage();
    // Reads the page's choices without writing anything: a user who never
    // changes them leaves no trace of the page.
    void LoadMoreSettings();
    void ckAllPicturesClick();
    // How a list entry is read: the system's codecs only with "All picture types".
    TPictureKind KindOf(const std::string& path) const;
    void GroupLayoutClick();
    void ckShuffleClick();
    // Fill or Fit chosen: the style is stored and the wallpaper applied; false
    // leaves the layout to "Stretch" and "Tile".
    bool ApplyScaleStyle();
    // What Fill or Fit draws the picture in; empty for the other page's layouts.
    plat::ScaleBox LayoutBox();
    // The timed change's shuffled draw; false when no entry could be read.
    bool ShuffleWallpaper();
    // The user is busy in a way the switches ask the timed change to wait for.
    bool ChangePaused();
    void SaveMoreSetting(const std::string& name, const std::string& text);
    TShuffleRound FShuffle;
    std::string FShuffleOrderStored;
    bool FLoadingMore = false;

    // --- desktop appearance ---
    void ckDesktopIconsClick();
    void ckTaskbarClick();
    void ckTrayClockClick();
    void ckStartButtonClick();
    void ckArrowsClick();
    void ckTransparentClick();
    void TextColorButtonClick();
    void BackColorButtonClick();
    void DefaultColorsButtonClick();
    void MainPopup_HideiconsClick();
    bool IconCaptionsTransparent();
    // A click on "Desktop icons" as the user would make it.
    void ClickDesktopIcons();
    void CheckTransparency();
    // Disables, with a hint, the taskbar boxes whose part this Windows lacks.
    void ShowMissingShellParts();

    // --- screensaver ---
    void ckScrEnableClick();
    void ScrTimeoutChange();
    void RunScreensaverButtonClick();
    void ConfigureScreensaverButtonClick();
    void MainPopup_StartscreensaverClick();
    void MainPopup_ScreensaverEnabledClick();
    void SyncScreensaverState();
    // The popup item's check mark and caption for the screensaver's state.
    void ShowScreensaverItem(bool on);
    // The program's last switch of the screensaver turned it off: only then does
    // closing turn it on again.
    bool FScreensaverSwitchedOff = false;
    // The program's own switches last for the session; the user's choices in
    // Windows' settings go to the profile. The profile's values as the program
    // last saw them tell, at the next start, whether the user changed them in
    // Windows meanwhile: then Windows' values are kept as the stored choices.
    std::string ScreensaverProfile();
    void RecordScreensaverProfile();
    void KeepScreensaverChangesMadeInWindows();

    // --- hotkeys ---
    void AddProgramHotKeys();
    void HotKeyPressed(TComponent& sender, int index);
    void ckHotEnableClick();
    // Each combination is held only while "Enable hotkeys:" and its own box are checked.
    void UpdateHotKeyEntries();
    const TCheckBox& HotKeyBox(int index) const;

    // --- shell commands and switches ---
    void CdTrayCommand(bool open);
    void OpenDisplayProperties();
    void RenameRecycleBin();
    void ReadRecycleBinName();
    // recycleBinName holds the name the last read found; a rename needs one.
    bool FRecycleBinNameRead = false;
    void PageControlEnter();
    void ckDragFullWindowsClick();
    void ckAWinTrackClick();
    void ckActiveDesktopClick();
    void SetActiveDesktop(bool enable);
    void OpenSpecialFolder(int csidl);
    // The user's start menu folder; from the shell when the registry has none.
    std::string StartMenuPath();
    void AddStartMenuFolder(const std::string& folderName);
    void RemoveStartMenuFolder(const std::string& folderName);

    // --- autostart ---
    void ckAutorunClick();

    // --- power ---
    void LogonCommand(TRebootOperation operation);
    void PowerCommand(TRebootOperation operation);

    // --- the popup menu ---
    void TrayIconMouseUp(TMouseButton button, unsigned shift, int x, int y);
    void VisibilitySwitchClick(TCheckBox& box, TMenuItem& item);
    void UpdateMenuSeparators();
    void RefreshDesktopMenu(bool rebuild);
    void DesktopMenuClick(TMenuItem& item);
    void DesktopFolderChanged();
    // Each visibility switch with the item it shows or hides.
    std::vector<std::pair<TCheckBox*, TMenuItem*>> VisibilitySwitches();

    // --- periodic work: the caption clock and the general poll ---
    void ckWinClockClick();
    void ckCPUClick();
    void UpdateCaptionClock();
    void RestoreCaptions();
    void CaptionTimerTimer();
    void PollTimerTimer();
    std::string ReadCaption(plat::Hwnd wnd);
    std::string FormatClockText(bool showClock);
    // The text without the stamp that was appended to it, when it still ends with it.
    static std::string RemoveClockText(const std::string& text, const std::string& stamp);

    // --- operations other parts use ---
    void ApplyPriority();
    void ClearRecentDocuments();
    bool ShellSupportsActiveDesktop();
    bool ActiveDesktopEnabled();

    // The mirror values under the main settings key.
    static constexpr const char* kMainKey = "Software\\Corvane\\Velant! Pro 2001\\Main";
    void WriteRegistryText(const std::string& key, const std::string& name, const std::string& text);
    std::string ReadRegistryText(const std::string& key, const std::string& name, const std::string& def);
    void SaveCheckBoxSetting(const TCheckBox& box);
    void SaveEditSetting(const TEdit& edit);
    void LoadEditSetting(TEdit& edit);
    void SaveListSetting(const TListBox& list);

private:
    unsigned FListExports = 0;  // SaveListSetting calls begun
    void BuildPopupMenu();
    void WireWallpaperPage();
    void WireDesktopPage();
    void WireShellCommands();
    void WirePopupMenu();
    void WirePowerMenu();
    void ClearPreview();
    // Registers the components and gives the settings store its list.
    void RegisterComponents();
    TFormLayout DescribeControls();

    // Takes the stamp out of one window's caption, if the window still carries it.
    void CleanCaption(plat::Hwnd wnd);
    // The caption clock's state: the foreground window of the latest tick, the
    // window stamped last, the stamp each window carries, the patterns of the tick.
    plat::Hwnd FCurrentWindow = 0;
    plat::Hwnd FStampedWindow = 0;
    std::map<plat::Hwnd, std::string> FStamps;
    std::string FDatePattern;
    std::string FTimePattern;
    bool FCpuFailureReported = false;
    bool FResidentComponentsLoaded = false;

    TFormLayout FLayout;
    plat::Platform& FPlatform;
    TApplication& FApp;
};
