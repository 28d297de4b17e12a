#pragma once
// The Windows headers, as every file of platform/win32 sees them. Their A/W
// macros would rename the platform interfaces' methods (GetWindowText,
// RegQueryValueEx, MessageBox…) in some files and not in others, so they are
// undone here; the implementations call the A functions by their full names.
#include <windows.h>
// The Active Desktop declarations in shlobj.h need wininet.h's types first.
#include <wininet.h>
#include <commctrl.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windowsx.h>

#undef AppendMenu
#undef ChooseColor
#undef CreateDirectory
#undef CreateEvent
#undef CreateFile
#undef DeleteFile
#undef FindFirstChangeNotification
#undef FindFirstFile
#undef FindNextFile
#undef FindWindow
#undef FindWindowEx
#undef FormatMessage
#undef GetDriveType
#undef GetFileAttributes
#undef GetFileVersionInfo
#undef GetFileVersionInfoSize
#undef GetLocaleInfo
#undef GetModuleFileName
#undef GetOpenFileName
#undef GetPrivateProfileString
#undef GetSaveFileName
#undef GetSystemDirectory
#undef GetTempPath
#undef GetWindowsDirectory
#undef GetWindowText
#undef GetWindowTextLength
#undef MessageBox
#undef OutputDebugString
#undef PostMessage
#undef RegCreateKeyEx
#undef RegDeleteKey
#undef RegDeleteValue
#undef RegEnumKey
#undef RegEnumValue
#undef RegisterClass
#undef RegisterWindowMessage
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef RemoveDirectory
#undef ReplaceFile
#undef SendMessage
#undef SendMessageTimeout
#undef SetWindowText
#undef SHBrowseForFolder
#undef SHGetPathFromIDList
#undef Shell_NotifyIcon
#undef ShellExecute
#undef ShellExecuteEx
#undef SystemParametersInfo
#undef mciGetErrorString
#undef mciSendString
