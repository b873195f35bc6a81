/* The runner's second check: a window is made and shown, and its text goes
 * through the window manager's messages and back. Exits 7 when all is well. */
#include <windows.h>

#include <stdio.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char title[64] = "";
    HWND window;
    (void)previous;
    (void)commandLine;
    (void)show;
    window = CreateWindowA("STATIC", "made", WS_OVERLAPPEDWINDOW, 0, 0, 320, 200, NULL, NULL, instance, NULL);
    if (window == NULL) {
        fprintf(stderr, "window check: CreateWindow failed (%lu)\n", GetLastError());
        return 1;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    SendMessageA(window, WM_SETTEXT, 0, (LPARAM) "window check");
    GetWindowTextA(window, title, sizeof title);
    DestroyWindow(window);
    if (strcmp(title, "window check") != 0) {
        fprintf(stderr, "window check: the window's text came back as '%s'\n", title);
        return 2;
    }
    return 7;
}
