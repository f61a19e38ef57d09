#include "ui/qt/qt_window_system.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTextDocument>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>
#include <vector>

#include "ui/cp1252.h"
#include "ui/dialog_units.h"
#include "ui/qt/qt_controls.h"
#include "ui/qt/qt_dialog_font.h"
#include "ui/win32_vocabulary.h"

#ifdef QUILLON_HAVE_GLIB
#include <glib.h>
#endif

namespace quillon::ui {

namespace {

QString from_window_bytes(std::string_view bytes) {
    const std::u32string text = decode_cp1252(bytes);
    return QString::fromUcs4(text.data(), static_cast<qsizetype>(text.size()));
}

// Text boxes report line breaks as 13 10; the document holds paragraph and line separators.
std::string to_window_bytes(const QString& text) {
    std::u32string characters;
    for (const char32_t character : text.toUcs4()) {
        if (character == 0x2029 || character == 0x2028) {
            characters += U"\r\n";
        } else {
            characters += character;
        }
    }
    return encode_cp1252(characters);
}

// Any of 13 10, a lone 13 or a lone 10 is one line break in a text box.
QString to_plain_lines(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QChar(u'\r'), QChar(u'\n'));
    return text;
}

Qt::WindowFlags flags_for(std::uint32_t style) {
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
    if ((style & ws_caption) == ws_caption) flags |= Qt::WindowTitleHint;
    if (style & ws_sysmenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    // On a captioned window these bits are the minimize and maximize boxes.
    if (style & ws_minimizebox) flags |= Qt::WindowMinimizeButtonHint;
    if (style & ws_maximizebox) flags |= Qt::WindowMaximizeButtonHint;
    return flags;
}

bool same_class(std::string_view name, std::string_view wanted) {
    return std::ranges::equal(
        name, wanted, [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; });
}

// Holds what Qt says while the QApplication is being made. When Qt's platform plugin cannot
// reach a display it explains why in warnings and then calls qFatal, which aborts (exit 134)
// once the message handler returns; so the handler itself writes the one-line reason and ends
// the process with status 1. When the application is made, what was held is passed on as Qt
// would have printed it.
class startup_messages {
  public:
    startup_messages() {
        const std::scoped_lock lock(mutex_);
        held_.clear();
        previous_ = qInstallMessageHandler(&hold);
    }
    ~startup_messages() {
        const std::scoped_lock lock(mutex_);
        qInstallMessageHandler(previous_);
        for (const message& said : held_) {
            const QMessageLogContext context(nullptr, 0, nullptr, said.category.c_str());
            if (previous_ != nullptr) previous_(said.type, context, said.text);
        }
        held_.clear();
    }
    startup_messages(const startup_messages&) = delete;
    startup_messages& operator=(const startup_messages&) = delete;

  private:
    struct message {
        QtMsgType type;
        std::string category;
        QString text;
    };

    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        const std::scoped_lock lock(mutex_);
        if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) {
            const std::string line = "cannot open the display: " + reason(text) + "\n";
            std::fputs(line.c_str(), stderr);
            std::fflush(stderr);
            // Not exit(): the QApplication is half made on the stack below this handler, and
            // the destructors exit() would run can reach into it.
            std::_Exit(1);
        }
        if (type == QtFatalMsg) {
            // Any other fatal message stays what Qt makes of it.
            if (previous_ != nullptr) previous_(type, context, text);
            return;
        }
        held_.push_back({type, context.category != nullptr ? context.category : "", text});
    }

    // The backend's own words ("could not connect to display :99") explain best, then the plugin
    // loader's ("Could not find the Qt platform plugin ..."), then the fatal message itself.
    static std::string reason(const QString& fatal) {
        QString said;
        bool from_backend = false;
        for (auto it = held_.rbegin(); it != held_.rend() && said.isEmpty(); ++it) {
            if (it->category.starts_with("qt.qpa.") && it->category != "qt.qpa.plugin") {
                said = it->text;
                from_backend = true;
            }
        }
        for (auto it = held_.begin(); it != held_.end() && said.isEmpty(); ++it) {
            if (it->category == "qt.qpa.plugin") said = it->text;
        }
        if (said.trimmed().isEmpty()) said = fatal.section(QChar(u'\n'), 0, 0);
        said = said.simplified();  // one line
        // xcb's message names the display it tried, which is blank when none was given.
        if (from_backend && qEnvironmentVariableIsEmpty("DISPLAY")) {
            said += QStringLiteral(" (DISPLAY is not set)");
        }
        return said.toStdString();
    }

    static inline std::mutex mutex_;
    static inline std::vector<message> held_;
    static inline QtMessageHandler previous_ = nullptr;
};

// Qt numbers its check states Unchecked 0, PartiallyChecked 1, Checked 2; the button messages
// use BST_UNCHECKED 0, BST_CHECKED 1, BST_INDETERMINATE 2.
std::intptr_t button_state(Qt::CheckState state) {
    switch (state) {
        case Qt::Unchecked:
            return bst_unchecked;
        case Qt::Checked:
            return bst_checked;
        case Qt::PartiallyChecked:
            return bst_indeterminate;
    }
    return bst_unchecked;
}

Qt::CheckState check_state(std::uintptr_t button_state) {
    if (button_state == bst_unchecked) return Qt::Unchecked;
    if (button_state == bst_checked) return Qt::Checked;
    // BST_INDETERMINATE; a larger value, which names no state, is taken as the highest one.
    return Qt::PartiallyChecked;
}

}  // namespace

qt_window_system::qt_window_system(const char* program_name)
    : program_name_(program_name != nullptr ? program_name : "quillon"),
      argv_{program_name_.data(), nullptr} {
    if (QCoreApplication::instance() == nullptr) {
        const startup_messages held;
        application_ = std::make_unique<QApplication>(argc_, argv_.data());
    }
    keyboard_filter_ = std::make_unique<qt_keyboard_filter>(*this);
    QCoreApplication::instance()->installEventFilter(keyboard_filter_.get());
    // Qt's main-thread glib dispatcher polls g_main_context_default(); other dispatchers have
    // no way to ask whether anything is pending.
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
#ifdef QUILLON_HAVE_GLIB
    glib_dispatcher_ =
        dispatcher != nullptr && QByteArray(dispatcher->metaObject()->className()).contains("Glib");
#else
    (void)dispatcher;
#endif
}

qt_window_system::~qt_window_system() {
    QCoreApplication::instance()->removeEventFilter(keyboard_filter_.get());
    for (auto& [handle, state] : windows_) {
        if (state.dialog == handle && state.widget) delete state.widget.data();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

window_handle qt_window_system::add_window(QWidget* widget, window_handle dialog, int id,
                                           std::uint32_t style) {
    const window_handle handle = next_handle_;
    // Never reused, so a stale handle can never name a newer window.
    next_handle_ += 4;
    windows_[handle] = window_state{widget, dialog == 0 ? handle : dialog, id, style, 0};
    return handle;
}

std::uintptr_t qt_window_system::add_font(const QFont& font) {
    fonts_.push_back(font);
    return fonts_.size();
}

window_handle qt_window_system::create_dialog(const dialog_template& form,
                                              dialog_procedure procedure) {
    auto* window = new qt_dialog_window(*this, flags_for(form.style));
    window->setWindowTitle(
        QString::fromLatin1(form.title.data(), static_cast<qsizetype>(form.title.size())));
    const QFont font = make_dialog_font(form.typeface, form.point_size);
    window->setFont(font);
    const auto [base_x, base_y] = dialog_base_units(font);

    const rect client = map_dialog_units(rect{0, 0, form.cx, form.cy}, base_x, base_y);
    if (form.style & ws_thickframe) {
        window->resize(client.right, client.bottom);
    } else {
        window->setFixedSize(client.right, client.bottom);
    }
    if (form.style & ds_center) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QPoint centre = screen->availableGeometry().center();
            window->move(centre.x() - client.right / 2, centre.y() - client.bottom / 2);
        }
    } else {
        window->move(form.x, form.y);
    }

    const window_handle handle = add_window(window, 0, 0, form.style);
    dialogs_[handle] =
        dialog_state{std::move(procedure), add_font(font), base_x, base_y, form.style, {}};
    // No control exists yet, so there is none to suggest for the focus.
    deliver(handle, wm_initdialog, 0, 0);
    return handle;
}

window_handle qt_window_system::create_control(std::uint32_t ext_style, std::string_view class_name,
                                               std::string_view text, std::uint32_t style,
                                               const rect& pixels, window_handle parent, int id) {
    const auto dialog = dialogs_.find(parent);
    if (dialog == dialogs_.end() || !(style & ws_child)) return 0;
    QWidget* parent_widget = widget(parent);
    const QString label = from_window_bytes(text);

    QWidget* control = nullptr;
    if (same_class(class_name, "BUTTON")) {
        switch (style & bs_typemask) {
            case bs_groupbox: {
                auto* frame = new QGroupBox(label, parent_widget);
                // A group box lets clicks through to what lies inside it.
                frame->setAttribute(Qt::WA_TransparentForMouseEvents);
                control = frame;
                break;
            }
            case bs_autoradiobutton:
                control = new qt_auto_radio_button(*this, label, parent_widget);
                break;
            case bs_autocheckbox:
                control = new qt_auto_check_box(label, parent_widget);
                break;
            case bs_pushbutton:
            case bs_defpushbutton: {
                auto* button = new QPushButton(label, parent_widget);
                button->setAutoDefault(false);
                button->setDefault((style & bs_typemask) == bs_defpushbutton);
                control = button;
                break;
            }
            default:
                return 0;  // button types the window has no use for
        }
    } else if (same_class(class_name, "STATIC")) {
        if ((style & 0x1F) != ss_left) return 0;
        auto* static_text = new QLabel(label, parent_widget);
        static_text->setWordWrap(true);
        static_text->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        static_text->setTextFormat(Qt::PlainText);
        control = static_text;
    } else if (same_class(class_name, "EDIT")) {
        if (!(style & es_multiline)) return 0;
        auto* box = new QPlainTextEdit(parent_widget);
        // No ES_AUTOHSCROLL: lines wrap at the right edge, never scroll sideways.
        box->setLineWrapMode((style & es_autohscroll) ? QPlainTextEdit::NoWrap
                                                      : QPlainTextEdit::WidgetWidth);
        box->setVerticalScrollBarPolicy((style & ws_vscroll) ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAlwaysOff);
        box->setHorizontalScrollBarPolicy((style & ws_hscroll) ? Qt::ScrollBarAlwaysOn
                                                               : Qt::ScrollBarAlwaysOff);
        if (!(ext_style & ws_ex_clientedge)) box->setFrameShape(QFrame::NoFrame);
        // Tab moves between the dialog's controls, as in a dialog box.
        box->setTabChangesFocus(true);
        box->setPlainText(to_plain_lines(label));
        control = box;
    } else {
        return 0;
    }

    control->setGeometry(pixels.left, pixels.top, pixels.right - pixels.left,
                         pixels.bottom - pixels.top);
    const bool takes_focus = !qobject_cast<QGroupBox*>(control) && !qobject_cast<QLabel*>(control);
    control->setFocusPolicy(!takes_focus           ? Qt::NoFocus
                            : (style & ws_tabstop) ? Qt::StrongFocus
                                                   : Qt::ClickFocus);
    control->setVisible(style & ws_visible);

    const window_handle handle = add_window(control, parent, id, style);
    dialog->second.controls.push_back(handle);
    if (auto* button = qobject_cast<QAbstractButton*>(control);
        button != nullptr && !qobject_cast<QGroupBox*>(control)) {
        // The click notification, sent after the button has changed its check state.
        QObject::connect(button, &QAbstractButton::clicked, button, [this, parent, handle, id] {
            deliver(parent, wm_command, make_wparam(static_cast<std::uint32_t>(id), bn_clicked),
                    static_cast<std::intptr_t>(handle));
        });
    }
    return handle;
}

std::optional<rect> qt_window_system::map_dialog_rect(window_handle dialog, const rect& units) {
    const auto found = dialogs_.find(dialog);
    if (found == dialogs_.end()) return std::nullopt;
    return map_dialog_units(units, found->second.base_x, found->second.base_y);
}

std::pair<int, int> qt_window_system::base_units(window_handle dialog) const {
    const auto found = dialogs_.find(dialog);
    return found == dialogs_.end() ? std::pair{0, 0}
                                   : std::pair{found->second.base_x, found->second.base_y};
}

window_handle qt_window_system::find_control(window_handle dialog, int id) {
    const auto found = dialogs_.find(dialog);
    if (found == dialogs_.end()) return 0;
    for (const window_handle control : found->second.controls) {
        const auto state = windows_.find(control);
        if (state != windows_.end() && state->second.id == id) return control;
    }
    return 0;
}

std::string qt_window_system::get_text(window_handle window) {
    const QWidget* target = widget(window);
    if (target == nullptr) return {};
    if (const auto* box = qobject_cast<const QPlainTextEdit*>(target)) {
        // toPlainText() would turn non-breaking spaces into blanks; the raw text keeps them.
        return to_window_bytes(box->document()->toRawText());
    }
    if (const auto* frame = qobject_cast<const QGroupBox*>(target)) {
        return to_window_bytes(frame->title());
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(target)) {
        return to_window_bytes(button->text());
    }
    if (const auto* label = qobject_cast<const QLabel*>(target)) {
        return to_window_bytes(label->text());
    }
    return to_window_bytes(target->windowTitle());
}

bool qt_window_system::set_text(window_handle window, std::string_view text) {
    QWidget* target = widget(window);
    if (target == nullptr) return false;
    const QString value = from_window_bytes(text);
    if (auto* box = qobject_cast<QPlainTextEdit*>(target)) {
        box->setPlainText(to_plain_lines(value));
    } else if (auto* frame = qobject_cast<QGroupBox*>(target)) {
        frame->setTitle(value);
    } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(value);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(value);
    } else {
        target->setWindowTitle(value);
    }
    return true;
}

std::intptr_t qt_window_system::send_message(window_handle window, std::uint32_t message,
                                             std::uintptr_t wparam, std::intptr_t lparam) {
    const auto state = windows_.find(window);
    if (state == windows_.end() || !state->second.widget) return 0;

    if (dialogs_.contains(window)) {
        const std::intptr_t result = deliver(window, message, wparam, lparam);
        if (result != 0) return result;
        // The default processing of the messages the engine sends a dialog. (WM_CLOSE's default
        // posts IDCANCEL, which reaches no one once the dialog is destroyed.)
        if (message == wm_getfont) return static_cast<std::intptr_t>(dialogs_[window].font);
        return 0;
    }

    QWidget* control = state->second.widget;
    switch (message) {
        case wm_setfont:
            if (wparam >= 1 && wparam <= fonts_.size()) {
                control->setFont(fonts_[wparam - 1]);
                state->second.font = wparam;
            }
            return 0;
        case wm_getfont:
            return static_cast<std::intptr_t>(state->second.font);
        case bm_getcheck:
            if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
                return button_state(box->checkState());
            }
            if (const auto* radio = qobject_cast<const QRadioButton*>(control)) {
                return radio->isChecked() ? bst_checked : bst_unchecked;
            }
            return 0;
        case bm_setcheck:
            // Only this button changes, as on the platform: the group is not consulted.
            if (auto* box = qobject_cast<QCheckBox*>(control)) {
                box->setCheckState(check_state(wparam));
            } else if (auto* radio = qobject_cast<QRadioButton*>(control)) {
                radio->setChecked(wparam == bst_checked);
            }
            return 0;
        default:
            return 0;
    }
}

void qt_window_system::show(window_handle window, int show_command) {
    QWidget* target = widget(window);
    if (target == nullptr) return;
    if (show_command == 0) {
        target->hide();
        return;
    }
    // Showing a window on the platform also activates it.
    target->show();
    target->activateWindow();
}

bool qt_window_system::destroy(window_handle window) {
    const auto state = windows_.find(window);
    if (state == windows_.end() || !state->second.widget) return false;
    QPointer<QWidget> target = state->second.widget;

    if (dialogs_.contains(window)) {
        deliver(window, wm_destroy, 0, 0);
        if (target) target->hide();
        deliver(window, wm_ncdestroy, 0, 0);
        for (const window_handle control : dialogs_[window].controls) forget(control);
        dialogs_.erase(window);
    }
    forget(window);
    // Deleted from the pump, never under the event handler that is closing it.
    if (target) target->deleteLater();
    return true;
}

void qt_window_system::forget(window_handle window) {
    if (keyboard_dialog_ == window) keyboard_dialog_ = 0;
    windows_.erase(window);
}

bool qt_window_system::is_window(window_handle window) { return widget(window) != nullptr; }

window_handle qt_window_system::owner(window_handle) { return 0; }

void qt_window_system::enable(window_handle window, bool enabled) {
    if (QWidget* target = widget(window)) target->setEnabled(enabled);
}

std::optional<queued_message> qt_window_system::take_message() {
#ifdef QUILLON_HAVE_GLIB
    if (glib_dispatcher_) {
        // Asks every source (posted events, window-system events, timers, sockets) without
        // dispatching anything: far cheaper than an empty processEvents().
        if (g_main_context_pending(g_main_context_default()) == 0) return std::nullopt;
        idle_pause_.activity();
        return queued_message{};
    }
#endif
    // No way to ask: process every other pass, sleep on the others. Without knowing whether
    // anything was pending the pause never grows, so input is never handled later than before.
    fallback_turn_ = !fallback_turn_;
    if (!fallback_turn_) return std::nullopt;
    idle_pause_.activity();
    return queued_message{};
}

bool qt_window_system::offer_to_dialog(window_handle dialog, const queued_message&) {
    // Qt has no per-message queue: what is pending is processed with the keyboard handling of
    // this dialog applied to it.
    keyboard_dialog_ = dialog;
    process_pending();
    keyboard_dialog_ = 0;
    return true;
}

void qt_window_system::dispatch(const queued_message&) { process_pending(); }

void qt_window_system::process_pending() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // deleteLater() runs only in Qt's own event loop; this program has its own.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void qt_window_system::sleep_briefly() {
    // One millisecond after recent activity, growing to at most eight once the window has been
    // left alone: the wake-ups themselves are what an idle window costs.
    const auto pause = std::chrono::duration_cast<std::chrono::nanoseconds>(idle_pause_.next());
    const timespec request{0, static_cast<long>(pause.count())};
    nanosleep(&request, nullptr);
}

QWidget* qt_window_system::widget(window_handle window) const {
    const auto found = windows_.find(window);
    return found == windows_.end() ? nullptr : found->second.widget.data();
}

window_handle qt_window_system::handle_of(const QWidget* target) const {
    if (target == nullptr) return 0;
    for (const auto& [handle, state] : windows_) {
        if (state.widget == target) return handle;
    }
    return 0;
}

int qt_window_system::control_id(window_handle control) const {
    const auto found = windows_.find(control);
    return found == windows_.end() ? 0 : found->second.id;
}

std::intptr_t qt_window_system::deliver(window_handle dialog, std::uint32_t message,
                                        std::uintptr_t wparam, std::intptr_t lparam) {
    const auto found = dialogs_.find(dialog);
    if (found == dialogs_.end() || !found->second.procedure) return 0;
    // A copy: the procedure may destroy the dialog, and its state with it, while it runs.
    const dialog_procedure procedure = found->second.procedure;
    return procedure(dialog, message, wparam, lparam);
}

bool qt_window_system::wants_return(window_handle control) const {
    const auto found = windows_.find(control);
    return found != windows_.end() && qobject_cast<QPlainTextEdit*>(found->second.widget) &&
           (found->second.style & es_wantreturn);
}

void qt_window_system::check_in_group(window_handle radio) {
    const auto state = windows_.find(radio);
    if (state == windows_.end()) return;
    const auto dialog = dialogs_.find(state->second.dialog);
    if (dialog == dialogs_.end()) return;

    // The group: from the last control with WS_GROUP at or before this one up to the next.
    const std::vector<window_handle>& controls = dialog->second.controls;
    const auto here = std::ranges::find(controls, radio);
    auto first = here;
    while (first != controls.begin() && !(windows_[*first].style & ws_group)) --first;
    auto last = here + 1;
    while (last != controls.end() && !(windows_[*last].style & ws_group)) ++last;

    for (auto member = first; member != last; ++member) {
        auto* button = dynamic_cast<qt_auto_radio_button*>(widget(*member));
        if (button != nullptr) button->setChecked(*member == radio);
    }
}

std::unique_ptr<window_system> make_platform_window_system(const char* program_name) {
    return std::make_unique<qt_window_system>(program_name);
}

}  // namespace quillon::ui
