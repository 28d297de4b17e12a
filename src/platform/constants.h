#pragma once
// Numeric Win32 constants the program passes through the platform interfaces.
// Kept here so the host build needs no Windows headers; names follow Win32.
#include <cstdint>

#include "platform/types.h"

namespace plat {

// Registry roots and access rights.
constexpr Hkey HKEY_CLASSES_ROOT{0x80000000u};
constexpr Hkey HKEY_CURRENT_USER{0x80000001u};
constexpr Hkey HKEY_LOCAL_MACHINE{0x80000002u};
constexpr Hkey HKEY_USERS{0x80000003u};
constexpr Hkey HKEY_PERFORMANCE_DATA{0x80000004u};
constexpr Hkey HKEY_CURRENT_CONFIG{0x80000005u};
constexpr Hkey HKEY_DYN_DATA{0x80000006u};
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_EXECUTE = 0x20019;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

constexpr std::uint32_t REG_NONE = 0;
constexpr std::uint32_t REG_SZ = 1;
constexpr std::uint32_t REG_EXPAND_SZ = 2;
constexpr std::uint32_t REG_BINARY = 3;
constexpr std::uint32_t REG_DWORD = 4;
constexpr std::uint32_t REG_MULTI_SZ = 7;

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_DATA = 13;
constexpr long ERROR_MORE_DATA = 234;
constexpr long ERROR_WRITE_FAULT = 29;
constexpr long ERROR_READ_FAULT = 30;
constexpr long ERROR_DISK_FULL = 112;
constexpr long ERROR_ALREADY_EXISTS = 183;

// AllowSetForegroundWindow: every process may take the foreground.
constexpr std::uint32_t ASFW_ANY = 0xFFFFFFFF;

// Window messages.
constexpr std::uint32_t WM_NULL = 0x0000;
constexpr std::uint32_t WM_CREATE = 0x0001;
constexpr std::uint32_t WM_DESTROY = 0x0002;
constexpr std::uint32_t WM_SIZE = 0x0005;
constexpr std::uint32_t WM_SETFOCUS = 0x0007;
constexpr std::uint32_t WM_SETTEXT = 0x000C;
constexpr std::uint32_t WM_GETTEXT = 0x000D;
constexpr std::uint32_t WM_CLOSE = 0x0010;
constexpr std::uint32_t WM_QUERYENDSESSION = 0x0011;
constexpr std::uint32_t WM_SHOWWINDOW = 0x0018;
constexpr std::uint32_t WM_SETTINGCHANGE = 0x001A;
constexpr std::uint32_t WM_COPYDATA = 0x004A;
constexpr std::uint32_t WM_COMMAND = 0x0111;
constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
constexpr std::uint32_t WM_TIMER = 0x0113;
constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x0203;
constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
constexpr std::uint32_t WM_RBUTTONDBLCLK = 0x0206;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
constexpr std::uint32_t WM_MBUTTONDBLCLK = 0x0209;
constexpr std::uint32_t WM_HOTKEY = 0x0312;
constexpr std::uint32_t WM_USER = 0x0400;
constexpr std::uint32_t WM_TRAYNOTIFY = WM_USER + 1024;

constexpr std::uint32_t SIZE_MINIMIZED = 1;
constexpr std::uintptr_t SC_SCREENSAVE = 0xF140;
constexpr Hwnd HWND_BROADCAST{0xFFFF};
constexpr std::uint32_t SMTO_ABORTIFHUNG = 2;

// ShowWindow commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
constexpr int SW_SHOW = 5;
constexpr int SW_MINIMIZE = 6;
constexpr int SW_RESTORE = 9;

// List box and list view messages.
constexpr std::uint32_t LB_SETHORIZONTALEXTENT = 0x0194;
constexpr std::uint32_t LVM_GETITEMCOUNT = 0x1004;
constexpr std::uint32_t LVM_REDRAWITEMS = 0x1015;
constexpr std::uint32_t LVM_SETTEXTCOLOR = 0x1024;
constexpr std::uint32_t LVM_GETTEXTBKCOLOR = 0x1025;
constexpr std::uint32_t LVM_SETTEXTBKCOLOR = 0x1026;
constexpr std::uint32_t CLR_NONE = 0xFFFFFFFFu;

// SystemParametersInfo.
constexpr std::uint32_t SPI_GETSCREENSAVETIMEOUT = 14;
constexpr std::uint32_t SPI_SETSCREENSAVETIMEOUT = 15;
constexpr std::uint32_t SPI_GETSCREENSAVEACTIVE = 16;
constexpr std::uint32_t SPI_SETSCREENSAVEACTIVE = 17;
constexpr std::uint32_t SPI_SETDESKWALLPAPER = 20;
constexpr std::uint32_t SPI_SETDRAGFULLWINDOWS = 37;
constexpr std::uint32_t SPI_SETNONCLIENTMETRICS = 42;
constexpr std::uint32_t SPIF_UPDATEINIFILE = 1;
constexpr std::uint32_t SPIF_SENDWININICHANGE = 2;
constexpr std::uint32_t SPIF_SENDCHANGE = SPIF_SENDWININICHANGE;

// System metrics, device caps, colours.
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int LOGPIXELSY = 90;
constexpr int COLOR_BACKGROUND = 1;

// Keys and hotkey modifiers.
constexpr int VK_SHIFT = 0x10;
constexpr int VK_CONTROL = 0x11;
constexpr int VK_MENU = 0x12;
constexpr std::uint32_t MOD_ALT = 1;
constexpr std::uint32_t MOD_CONTROL = 2;
constexpr std::uint32_t MOD_SHIFT = 4;
constexpr std::uint32_t MOD_WIN = 8;

// Popup menus.
constexpr std::uint32_t TPM_RIGHTBUTTON = 2;
constexpr std::uint32_t MF_STRING = 0x0000;
constexpr std::uint32_t MF_GRAYED = 0x0001;
constexpr std::uint32_t MF_CHECKED = 0x0008;
constexpr std::uint32_t MF_POPUP = 0x0010;
constexpr std::uint32_t MF_SEPARATOR = 0x0800;
constexpr std::uint32_t MF_OWNERDRAW = 0x0100;

// Notification icon.
constexpr std::uint32_t NIM_ADD = 0;
constexpr std::uint32_t NIM_MODIFY = 1;
constexpr std::uint32_t NIM_DELETE = 2;
constexpr std::uint32_t NIF_MESSAGE = 1;
constexpr std::uint32_t NIF_ICON = 2;
constexpr std::uint32_t NIF_TIP = 4;

// Shell.
constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
constexpr int CSIDL_DRIVES = 0x11;
constexpr int CSIDL_CONTROLS = 0x03;
constexpr int CSIDL_STARTMENU = 0x0B;
constexpr int CSIDL_LOCAL_APPDATA = 0x1C;
constexpr std::uint32_t SHARD_PATH = 2;
constexpr long SHCNE_ASSOCCHANGED = 0x08000000;
constexpr std::uint32_t SHCNF_FLUSHNOWAIT = 0x2000;
constexpr std::uint32_t SEE_MASK_IDLIST = 0x04;
constexpr std::uint32_t SEE_MASK_NOCLOSEPROCESS = 0x40;
// SHQueryUserNotificationState.
constexpr std::uint32_t QUNS_NOT_PRESENT = 1;
constexpr std::uint32_t QUNS_BUSY = 2;
constexpr std::uint32_t QUNS_RUNNING_D3D_FULL_SCREEN = 3;
constexpr std::uint32_t QUNS_PRESENTATION_MODE = 4;
constexpr std::uint32_t QUNS_ACCEPTS_NOTIFICATIONS = 5;
constexpr std::uint32_t QUNS_QUIET_TIME = 6;
constexpr std::uint32_t QUNS_APP = 7;

// Kernel.
constexpr std::uint32_t NORMAL_PRIORITY_CLASS = 0x20;
constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr std::uint32_t WAIT_OBJECT_0 = 0;
constexpr std::uint32_t WAIT_TIMEOUT = 0x102;
constexpr std::uint32_t WAIT_FAILED = 0xFFFFFFFFu;
constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;
constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr std::uint32_t INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr std::uint32_t GENERIC_READ = 0x80000000u;
constexpr std::uint32_t GENERIC_WRITE = 0x40000000u;
constexpr std::uint32_t FILE_SHARE_READ = 1;
constexpr std::uint32_t CREATE_ALWAYS = 2;
constexpr std::uint32_t OPEN_EXISTING = 3;
constexpr std::uint32_t FILE_BEGIN = 0;

// Message boxes.
constexpr std::uint32_t MB_OK = 0x00;
constexpr std::uint32_t MB_YESNO = 0x04;
constexpr std::uint32_t MB_ICONERROR = 0x10;
constexpr std::uint32_t MB_ICONQUESTION = 0x20;
constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Power.
constexpr std::uint32_t EWX_LOGOFF = 0;
constexpr std::uint32_t EWX_SHUTDOWN = 1;
constexpr std::uint32_t EWX_REBOOT = 2;
constexpr std::uint32_t EWX_FORCE = 4;
constexpr std::uint32_t EWX_POWEROFF = 8;
// SYSTEM_POWER_STATUS.ACLineStatus.
constexpr std::uint8_t AC_LINE_OFFLINE = 0;
constexpr std::uint8_t AC_LINE_ONLINE = 1;
constexpr std::uint8_t AC_LINE_UNKNOWN = 255;

// Version information.
constexpr std::uint32_t VER_PLATFORM_WIN32s = 0;
constexpr std::uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr std::uint32_t VER_PLATFORM_WIN32_NT = 2;
constexpr std::uint32_t OSVERSIONINFOA_SIZE = 148;    // sizeof(OSVERSIONINFOA)
constexpr std::uint32_t OSVERSIONINFOEXA_SIZE = 156;  // sizeof(OSVERSIONINFOEXA)

// String comparison (CompareString).
constexpr std::uint32_t LOCALE_USER_DEFAULT = 0x0400;
constexpr std::uint32_t NORM_IGNORECASE = 0x00000001;
constexpr int CSTR_LESS_THAN = 1;
constexpr int CSTR_EQUAL = 2;
constexpr int CSTR_GREATER_THAN = 3;

}  // namespace plat
