/* Looks at the running program from outside, for the install test:
 *   InstallProbe running SECONDS  waits until the main window is there and its icon sits in the
 *                                 notification area; prints the path of the program's exe
 *   InstallProbe gone SECONDS     waits until no main window is left
 * Exit code 0 when the state was reached in time, 1 when not, 2 on a bad command line. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static HWND MainWindow(void) { return FindWindowA("TQuorvForm", NULL); }

/* Modifying nothing succeeds only for an icon that the notification area holds. */
static BOOL IconShown(void) {
    HWND owner = FindWindowA("TCoolTrayIconWnd", NULL);
    NOTIFYICONDATAA nid;
    if (!owner) return FALSE;
    memset(&nid, 0, sizeof nid);
    nid.cbSize = sizeof nid;
    nid.hWnd = owner;
    nid.uID = 1;
    return Shell_NotifyIconA(NIM_MODIFY, &nid);
}

static BOOL Running(void) { return MainWindow() != NULL && IconShown(); }

static BOOL Gone(void) { return MainWindow() == NULL; }

static BOOL WaitFor(BOOL (*reached)(void), DWORD ms) {
    DWORD start = GetTickCount();
    for (;;) {
        if (reached()) return TRUE;
        if (GetTickCount() - start >= ms) return FALSE;
        Sleep(100);
    }
}

static void PrintExePath(HWND wnd) {
    DWORD pid = 0;
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    HANDLE process;
    GetWindowThreadProcessId(wnd, &pid);
    process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process) {
        QueryFullProcessImageNameA(process, 0, path, &size);
        CloseHandle(process);
    }
    printf("%s\n", path);
}

int main(int argc, char** argv) {
    DWORD ms;
    if (argc != 3) {
        fprintf(stderr, "usage: InstallProbe running|gone SECONDS\n");
        return 2;
    }
    ms = (DWORD)strtoul(argv[2], NULL, 10) * 1000;
    if (strcmp(argv[1], "running") == 0) {
        if (!WaitFor(Running, ms)) {
            fprintf(stderr, "no main window with its notification icon (window %s)\n",
                    MainWindow() ? "found" : "missing");
            return 1;
        }
        PrintExePath(MainWindow());
        return 0;
    }
    if (strcmp(argv[1], "gone") == 0) {
        if (!WaitFor(Gone, ms)) {
            fprintf(stderr, "the main window is still there\n");
            return 1;
        }
        return 0;
    }
    fprintf(stderr, "unknown command: %s\n", argv[1]);
    return 2;
}
