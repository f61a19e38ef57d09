// The window system on the Win32 dialog manager: every call of the interface is the platform
// function it is named after. The dialog is made from an in-memory template with no controls;
// the engine adds them one by one. Each dialog keeps its own procedure with the window, and the
// event loop's step is the classic polling one.
// The platform header comes first: the others build on it.
// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
// clang-format on

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "ui/window_system.h"

namespace quillon::ui {
namespace {

class win32_window_system final : public window_system {
  public:
    win32_window_system() {
        static_cast<void>(OleInitialize(nullptr));
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = 8;
        controls.dwICC = 0xFF;  // list views to animation controls: the classic eight classes
        static_cast<void>(InitCommonControlsEx(&controls));
    }

    ~win32_window_system() override {
        // Dialogs still open die before the bindings their procedures live in; each destroy
        // releases its own binding, so the list is read first.
        std::vector<HWND> open;
        for (const auto& binding : bindings_) {
            if (binding->dialog != nullptr) open.push_back(binding->dialog);
        }
        for (const HWND dialog : open) DestroyWindow(dialog);
        bindings_.clear();
        OleUninitialize();
    }

    window_handle create_dialog(const dialog_template& form, dialog_procedure procedure) override {
        const dialog_binding* binding =
            bindings_.emplace_back(std::make_unique<dialog_binding>(this, std::move(procedure)))
                .get();
        const std::vector<DWORD> memory = build_template(form);
        // The binding travels as the creation parameter, which WM_INITDIALOG brings back.
        const HWND dialog = CreateDialogIndirectParamA(
            GetModuleHandleA(nullptr), reinterpret_cast<LPCDLGTEMPLATEA>(memory.data()), nullptr,
            &dialog_procedure_entry, reinterpret_cast<LPARAM>(binding));
        // A dialog that failed was never bound, or was released at its WM_NCDESTROY already.
        if (dialog == nullptr) release(binding);
        return reinterpret_cast<window_handle>(dialog);
    }

    window_handle create_control(std::uint32_t ext_style, std::string_view class_name,
                                 std::string_view text, std::uint32_t style, const rect& pixels,
                                 window_handle parent, int id) override {
        const std::string cls(class_name), caption(text);
        const HWND control = CreateWindowExA(
            ext_style, cls.c_str(), caption.c_str(), style, pixels.left, pixels.top,
            pixels.right - pixels.left, pixels.bottom - pixels.top, hwnd(parent),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        return reinterpret_cast<window_handle>(control);
    }

    std::optional<rect> map_dialog_rect(window_handle dialog, const rect& units) override {
        RECT r{units.left, units.top, units.right, units.bottom};
        if (!MapDialogRect(hwnd(dialog), &r)) return std::nullopt;
        return rect{r.left, r.top, r.right, r.bottom};
    }

    window_handle find_control(window_handle dialog, int id) override {
        return reinterpret_cast<window_handle>(GetDlgItem(hwnd(dialog), id));
    }

    std::string get_text(window_handle window) override {
        const int length = GetWindowTextLengthA(hwnd(window));
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        const int copied = GetWindowTextA(hwnd(window), text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        return text;
    }

    // The wide text: the edit control keeps every character typed, the code page's or not.
    std::u32string get_characters(window_handle window) override {
        const int length = GetWindowTextLengthW(hwnd(window));
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const int copied = GetWindowTextW(hwnd(window), text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
        std::u32string characters;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char32_t unit = text[i];
            if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] < 0xE000) {
                characters += 0x10000 + ((unit - 0xD800) << 10) + (text[++i] - 0xDC00);
            } else {
                characters += unit;
            }
        }
        return characters;
    }

    bool set_text(window_handle window, std::string_view text) override {
        return SetWindowTextA(hwnd(window), std::string(text).c_str()) != FALSE;
    }

    std::intptr_t send_message(window_handle window, std::uint32_t message, std::uintptr_t wparam,
                               std::intptr_t lparam) override {
        return SendMessageA(hwnd(window), message, wparam, lparam);
    }

    void show(window_handle window, int show_command) override {
        ShowWindow(hwnd(window), show_command);
    }

    bool destroy(window_handle window) override { return DestroyWindow(hwnd(window)) != FALSE; }

    bool is_window(window_handle window) override { return IsWindow(hwnd(window)) != FALSE; }

    window_handle owner(window_handle window) override {
        return static_cast<window_handle>(GetWindowLongPtrA(hwnd(window), GWLP_HWNDPARENT));
    }

    void enable(window_handle window, bool enabled) override {
        EnableWindow(hwnd(window), enabled ? TRUE : FALSE);
    }

    void warn(window_handle owner, std::string_view caption, std::string_view text) override {
        const std::string title(caption), body(text);
        MessageBoxA(hwnd(owner), body.c_str(), title.c_str(), MB_OK | MB_ICONWARNING);
    }

    // Takes at most one message; with none waiting, sleeps 1 ms. The loop polls instead of
    // blocking in the platform's message wait, as the window always has.
    void pump_step(window_handle keyboard_dialog) override {
        MSG message{};
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(1);
            return;
        }
        const HWND dialog = hwnd(keyboard_dialog);
        if (dialog != nullptr && IsWindow(dialog) && IsDialogMessageA(dialog, &message)) return;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

  private:
    static HWND hwnd(window_handle window) { return reinterpret_cast<HWND>(window); }

    // A dialog's procedure, kept with the window in DWLP_USER from WM_INITDIALOG to
    // WM_NCDESTROY, and owned here.
    struct dialog_binding {
        dialog_binding(win32_window_system* owner, dialog_procedure procedure)
            : owner(owner), procedure(std::move(procedure)) {}
        win32_window_system* owner;
        dialog_procedure procedure;
        HWND dialog = nullptr;
    };

    void release(const dialog_binding* binding) {
        std::erase_if(bindings_, [binding](const auto& held) { return held.get() == binding; });
    }

    static INT_PTR CALLBACK dialog_procedure_entry(HWND dialog, UINT message, WPARAM wparam,
                                                   LPARAM lparam) {
        // Messages before WM_INITDIALOG (WM_SETFONT among them) come before the binding is known
        // and get the default processing.
        if (message == WM_INITDIALOG) {
            reinterpret_cast<dialog_binding*>(lparam)->dialog = dialog;
            SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        }
        auto* binding = reinterpret_cast<dialog_binding*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (binding == nullptr) return 0;
        // A copy: the procedure may destroy the dialog, and its binding with it, while it runs.
        const dialog_procedure procedure = binding->procedure;
        const INT_PTR result =
            procedure ? procedure(reinterpret_cast<window_handle>(dialog), message, wparam, lparam)
                      : 0;
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(dialog, DWLP_USER, 0);
            binding->owner->release(binding);
        }
        return result;
    }

    // The platform's DLGTEMPLATE: style, extended style, control count, position and size, then
    // menu, class and title as UTF-16, then (DS_SETFONT) point size and typeface.
    static std::vector<DWORD> build_template(const dialog_template& form) {
        std::vector<WORD> words;
        auto dword = [&](DWORD v) {
            words.push_back(LOWORD(v));
            words.push_back(HIWORD(v));
        };
        auto widened = [&](std::string_view bytes) {
            for (unsigned char c : bytes) words.push_back(c);  // each byte one UTF-16 unit
            words.push_back(0);
        };
        dword(form.style);
        dword(form.ext_style);
        words.push_back(0);  // no controls in the template
        for (std::int16_t v : {form.x, form.y, form.cx, form.cy})
            words.push_back(static_cast<WORD>(v));
        words.push_back(0);  // no menu
        words.push_back(0);  // the platform's dialog class
        widened(form.title);
        if (form.style & DS_SETFONT) {
            words.push_back(form.point_size);
            widened(form.typeface);
        }
        std::vector<DWORD> aligned((words.size() + 1) / 2, 0);  // a template starts DWORD-aligned
        std::copy(words.begin(), words.end(), reinterpret_cast<WORD*>(aligned.data()));
        return aligned;
    }

    std::vector<std::unique_ptr<dialog_binding>> bindings_;
};

}  // namespace

std::unique_ptr<window_system> make_platform_window_system(const char* /*program_name*/) {
    return std::make_unique<win32_window_system>();
}

}  // namespace quillon::ui
