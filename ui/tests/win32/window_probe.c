/* A Windows program that works the running Quillon window from outside, the way a user's
 * clicks would, for the tests that run it under Wine:
 *
 *   window_probe send HEXTEXT PORT BAUD CLEAR   type the text, click the port and baud radio
 *                                               buttons and (CLEAR 1) the check box, click Send,
 *                                               then print what the text box holds
 *   window_probe enter HEXTEXT ID               put the text in the text box and press Enter
 *                                               on control ID (posted key messages, as typed)
 *   window_probe warned HEXTEXT PORT KEY       type the text, click the port button, click Send
 *                                               without waiting, then print the warning box's
 *                                               caption, icon and text, dismiss it with KEY
 *                                               (13 Enter, 27 Escape) and print the text box
 *   window_probe quit                           post WM_QUIT to the window's thread
 *   window_probe close                          close the window as the system menu does
 *
 * Clicks are BM_CLICK messages, which make a button behave exactly as under the mouse.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static HWND find_window(void) {
    for (int i = 0; i < 600; ++i) {
        HWND window = FindWindowA(NULL, "Quillon v1.1b  https://quillon.example.org/");
        if (window != NULL && IsWindowVisible(window)) return window;
        Sleep(50);
    }
    return NULL;
}

static int port_button(int port) { return 135 + 5 * (port - 1); }

static int baud_button(int baud) {
    switch (baud) {
        case 9600:
            return 115;
        case 4800:
            return 120;
        case 2400:
            return 125;
        default:
            return 130;
    }
}

static void click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

/* WM_SETTEXT, not SetWindowTextA: that does not reach a control of another process. */
static void set_text(HWND dialog, const char* hex) {
    const size_t length = strlen(hex) / 2;
    char* text = (char*)calloc(length + 1, 1);
    for (size_t i = 0; i < length; ++i) {
        unsigned int value = 0;
        sscanf(hex + 2 * i, "%2x", &value);
        text[i] = (char)value;
    }
    SendMessageA(GetDlgItem(dialog, 175), WM_SETTEXT, 0, (LPARAM)text);
    free(text);
}

/* Clicks Send by a posted message (a sent one would wait for the box, which waits for us), then
 * finds the box by its dialog class and owner. Its text is control 0xFFFF; its icon is control
 * 20 on Windows, 1088 (stc1) on Wine. Keys go to its focused OK button, as typed. */
static int warning(HWND dialog, const char* hex, int port, int key) {
    set_text(dialog, hex);
    click(dialog, port_button(port));
    PostMessageA(GetDlgItem(dialog, 1), BM_CLICK, 0, 0);
    HWND box = NULL;
    for (int i = 0; i < 600 && (box == NULL || GetWindow(box, GW_OWNER) != dialog); ++i, Sleep(50))
        box = FindWindowA("#32770", "Quillon");
    char text[1024] = {0}, after[4096] = {0};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    printf("warning: [%s] icon %d\n", text, GetDlgItem(box, 20) || GetDlgItem(box, 1088));
    PostMessageA(GetDlgItem(box, IDOK), WM_KEYDOWN, key, 0x00010001);
    PostMessageA(GetDlgItem(box, IDOK), WM_KEYUP, key, (LPARAM)0xC0010001u);
    for (int i = 0; i < 200 && IsWindow(box); ++i) Sleep(50);
    SendMessageA(GetDlgItem(dialog, 175), WM_GETTEXT, sizeof after, (LPARAM)after);
    printf(IsWindow(box) ? "warning still open\n" : "text after: [%s]\n", after);
    return 0;
}

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IONBF, 0);
    HWND dialog = find_window();
    if (dialog == NULL) {
        printf("no window\n");
        return 1;
    }
    printf("window found\n");
    if (argc == 6 && strcmp(argv[1], "send") == 0) {
        set_text(dialog, argv[2]);
        click(dialog, port_button(atoi(argv[3])));
        click(dialog, baud_button(atoi(argv[4])));
        const int ticked = SendMessageA(GetDlgItem(dialog, 180), BM_GETCHECK, 0, 0) != 0;
        if (ticked != (atoi(argv[5]) != 0)) click(dialog, 180);
        click(dialog, 1);
        char after[4096] = {0};
        SendMessageA(GetDlgItem(dialog, 175), WM_GETTEXT, sizeof after, (LPARAM)after);
        printf("text after: [%s]\n", after);
        return 0;
    }
    if (argc == 5 && strcmp(argv[1], "warned") == 0) {
        return warning(dialog, argv[2], atoi(argv[3]), atoi(argv[4]));
    }
    if (argc == 4 && strcmp(argv[1], "enter") == 0) {
        set_text(dialog, argv[2]);
        /* Posted, like typed keys: they pass the window's message loop and its dialog keyboard
         * handling. The lParam is the repeat count 1 and the scan code of Enter. */
        HWND control = GetDlgItem(dialog, atoi(argv[3]));
        PostMessageA(control, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageA(control, WM_KEYUP, VK_RETURN, (LPARAM)0xC01C0001u);
        printf("enter posted\n");
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "quit") == 0) {
        PostThreadMessageA(GetWindowThreadProcessId(dialog, NULL), WM_QUIT, 0, 0);
        printf("quit posted\n");
        return 0;
    }
    if (argc == 2 && strcmp(argv[1], "close") == 0) {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        for (int i = 0; i < 200 && IsWindow(dialog); ++i) Sleep(50);
        printf(IsWindow(dialog) ? "still open\n" : "closed\n");
        return 0;
    }
    fprintf(stderr,
            "usage: window_probe send HEXTEXT PORT BAUD CLEAR | warned HEXTEXT PORT KEY | "
            "enter HEXTEXT ID | quit | "
            "close\n");
    return 2;
}
