/* A Windows program that works the running Quillon window from outside, the way a user's
 * clicks would, for the tests that run it under Wine:
 *
 *   window_probe send HEXTEXT PORT BAUD CLEAR   type the text, click the port and baud radio
 *                                               buttons and (CLEAR 1) the check box, click Send,
 *                                               then print what the text box holds
 *   window_probe enter HEXTEXT ID               put the text in the text box and press Enter
 *                                               on control ID (posted key messages, as typed)
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
            "usage: window_probe send HEXTEXT PORT BAUD CLEAR | enter HEXTEXT ID | quit | "
            "close\n");
    return 2;
}
