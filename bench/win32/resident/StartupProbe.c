/* StartupProbe EXE CLASS UID: starts EXE and prints the milliseconds until the
 * window of class CLASS has its notification icon UID in the notification area
 * (an icon there is the only one that NIM_MODIFY accepts). Exit code 1 when that
 * takes more than 20 s. The program is left running.
 * StartupProbe close CLASS: waits up to 20 s for the window of class CLASS (a
 * program whose icon is in may still be building it), asks it to close, as the
 * session does, and waits up to 20 s for it to be gone. */
#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static BOOL IconShown(const char* cls, UINT id) {
    NOTIFYICONDATAA nid = {0};
    nid.cbSize = sizeof nid;
    nid.hWnd = FindWindowA(cls, NULL);
    nid.uID = id;
    return nid.hWnd && Shell_NotifyIconA(NIM_MODIFY, &nid);
}

int main(int argc, char** argv) {
    STARTUPINFOA si = {0};
    PROCESS_INFORMATION pi;
    LARGE_INTEGER f, t0, t;
    char line[1024];
    if (argc == 3 && strcmp(argv[1], "close") == 0) {
        HWND wnd = NULL;
        int i;
        for (i = 0; i < 2000 && !(wnd = FindWindowA(argv[2], NULL)); ++i) Sleep(10);
        if (wnd) PostMessageA(wnd, WM_CLOSE, 0, 0);
        for (i = 0; i < 2000 && FindWindowA(argv[2], NULL); ++i) Sleep(10);
        return FindWindowA(argv[2], NULL) ? 1 : 0;
    }
    if (argc != 4) {
        fprintf(stderr, "usage: StartupProbe EXE CLASS UID\n");
        return 2;
    }
    si.cb = sizeof si;
    snprintf(line, sizeof line, "\"%s\"", argv[1]);
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    if (!CreateProcessA(NULL, line, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        fprintf(stderr, "cannot start %s\n", argv[1]);
        return 2;
    }
    for (;;) {
        QueryPerformanceCounter(&t);
        if (IconShown(argv[2], (UINT)atoi(argv[3]))) break;
        if (t.QuadPart - t0.QuadPart > 20 * f.QuadPart) return 1;
        Sleep(1);
    }
    printf("%.1f\n", (double)(t.QuadPart - t0.QuadPart) * 1000.0 / (double)f.QuadPart);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return 0;
}
