// The real main window on Qt, headless, sending through the real serial library to
// pseudo-terminals.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ports/ports_file.h"
#include "ports/resolve.h"
#include "testing/hostile_server.h"
#include "testing/process.h"
#include "testing/pty.h"
#include "testing/scratch.h"
#include "testing/ser2net.h"
#include "ui/dialog_vocabulary.h"
#include "ui/main_window.h"
#include "ui/qt/qt_window_system.h"
#include "ui/tests/expected_main_window.h"

namespace quillon::ui {
namespace {

using test::pseudo_terminal;
using namespace std::chrono_literals;

// Maps COM<port> to the terminal for the library; the fixture maps every port away again.
void map_as(const pseudo_terminal& line, int port) {
    setenv(("QUILLON_COM" + std::to_string(port)).c_str(), line.path().c_str(), 1);
}
speed_t speed(const pseudo_terminal& line) {
    const termios settings = line.slave_termios();
    return cfgetospeed(&settings);
}
std::string pending(pseudo_terminal& line) { return line.read_master(std::size_t{1} << 20, 0ms); }

constexpr int baud_ids[] = {FORM1_BAUD9600, FORM1_BAUD4800, FORM1_BAUD2400, FORM1_BAUD1200};
constexpr int port_ids[] = {FORM1_COM1, FORM1_COM2, FORM1_COM3, FORM1_COM4,
                            FORM1_COM5, FORM1_COM6, FORM1_COM7, FORM1_COM8};

// One QApplication for the whole test program, gone before the program's static objects are:
// Qt's own statics must outlive it.
class qt_environment final : public ::testing::Environment {
  public:
    static qt_window_system& windows() { return *system; }
    void SetUp() override { system = std::make_unique<qt_window_system>("ui_window_tests"); }
    void TearDown() override { system.reset(); }

  private:
    static inline std::unique_ptr<qt_window_system> system;
};
[[maybe_unused]] ::testing::Environment* const qt =
    ::testing::AddGlobalTestEnvironment(new qt_environment);

class qt_window_test : public ::testing::Test {
  protected:
    static qt_window_system& windows() { return qt_environment::windows(); }

    void SetUp() override {
        // The program's pump step waits for events only: this timer lets a bounded wait for
        // something outside Qt (a process, a pseudo-terminal) look again.
        waker_.start(20);
        engine_ = std::make_unique<dialog_engine>(windows());
        main_ = start_main_window(*engine_, linked_serial_library());
        ASSERT_NE(main_, 0u);
        dialog_ = windows().widget(main_);
        ASSERT_TRUE(pump_until([&] { return engine_->active_dialog() == main_; }));
    }

    void TearDown() override {
        if (windows().is_window(main_)) dialog_->close();
        EXPECT_TRUE(pump_until([&] { return dialog_.isNull(); }));
    }
    // Every port away from the machine's, whatever a test maps.
    test::port_guard ports_;

    // Runs the program's own pump step until the condition holds, within a bound.
    bool pump_until(const std::function<bool()>& condition) {
        const QDeadlineTimer deadline(5000);
        while (!condition()) {
            if (deadline.hasExpired()) return false;
            engine_->pump_step();
        }
        return true;
    }

    QTimer waker_;
    QWidget* control(int id) { return windows().widget(windows().find_control(main_, id)); }
    template <typename Widget>
    Widget* control_as(int id) {
        return qobject_cast<Widget*>(control(id));
    }
    bool checked(int id) { return control_as<QAbstractButton>(id)->isChecked(); }
    QPlainTextEdit* text_box() { return control_as<QPlainTextEdit>(FORM1_TEXT); }

    // A click where the platform would take it: on the button's indicator or face.
    void click(int id) {
        QWidget* button = control(id);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }
    // Runs steps with keyboard_dialog's keyboard handling until every event posted before this
    // call has been handled, within a bound.
    bool step_through_posted(window_handle keyboard_dialog) {
        struct marker final : QObject {
            bool reached = false;
            bool event(QEvent* event) override {
                reached = reached || event->type() == QEvent::User;
                return QObject::event(event);
            }
        } posted_last;
        QCoreApplication::postEvent(&posted_last, new QEvent(QEvent::User));
        const QDeadlineTimer deadline(5000);
        while (!posted_last.reached && !deadline.hasExpired()) {
            windows().pump_step(keyboard_dialog);
        }
        return posted_last.reached;
    }
    // A key that goes through the program's queue, and so through its dialog keyboard handling.
    void post_key(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, modifiers));
        QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, modifiers));
    }

    // Clicks Send; a warning box that opens is read, then dismissed with the key, as a user would.
    struct warning_seen {
        bool shown = false;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, text;
        QWidget* owner = nullptr;
    };
    warning_seen send_and_answer_warning(Qt::Key key = Qt::Key_Return) {
        warning_seen seen;
        QTimer watch;  // runs in the box's own event loop until the box is there
        QObject::connect(&watch, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            watch.stop();
            seen = {true, box->icon(), box->windowTitle(), box->text(), box->parentWidget()};
            QTest::keyClick(box, key);
        });
        watch.start(1);
        click(FORM1_SEND);
        return seen;
    }

    std::unique_ptr<dialog_engine> engine_;
    window_handle main_ = 0;
    QPointer<QWidget> dialog_;
};

TEST_F(qt_window_test, controls_have_their_ids_texts_kinds_and_places) {
    ASSERT_EQ(dialog_->font().family(), "MS Sans Serif") << "Debian's fonts-wine is missing";
    EXPECT_EQ(windows().base_units(main_), std::pair(6, 13));
    EXPECT_EQ(dialog_->size(), QSize(testing::expected_width, testing::expected_height));
    EXPECT_EQ(dialog_->minimumSize(), dialog_->maximumSize()) << "not resizable";
    EXPECT_FALSE(dialog_->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog_->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_EQ(dialog_->windowTitle(), QString::fromLatin1(testing::expected_caption.data(),
                                                          testing::expected_caption.size()));

    for (const testing::expected_control& expected : testing::expected_controls) {
        SCOPED_TRACE(expected.id);
        QWidget* widget = control(expected.id);
        ASSERT_NE(widget, nullptr);
        const rect& pixels = expected.pixels;
        EXPECT_EQ(widget->geometry(), QRect(pixels.left, pixels.top, pixels.right - pixels.left,
                                            pixels.bottom - pixels.top));
        EXPECT_EQ(windows().get_text(windows().find_control(main_, expected.id)), expected.text);
        EXPECT_EQ(widget->font(), dialog_->font());
        EXPECT_TRUE(widget->isVisible());
    }
    EXPECT_TRUE(control_as<QGroupBox>(FORM1_PORTFRAME));
    EXPECT_TRUE(control_as<QGroupBox>(FORM1_BAUDFRAME));
    EXPECT_TRUE(control_as<QLabel>(FORM1_HINT)->wordWrap());
    EXPECT_TRUE(control_as<QCheckBox>(FORM1_CLEAR));
    EXPECT_TRUE(control_as<QPushButton>(FORM1_SEND)->isDefault());
    EXPECT_EQ(text_box()->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(text_box()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(text_box()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    for (const int id : port_ids) EXPECT_TRUE(control_as<QRadioButton>(id)) << id;
}

TEST_F(qt_window_test, starts_on_com1_at_9600_with_an_empty_box_and_the_box_clear) {
    for (const int id : baud_ids) EXPECT_EQ(checked(id), id == FORM1_BAUD9600) << id;
    for (const int id : port_ids) EXPECT_EQ(checked(id), id == FORM1_COM1) << id;
    EXPECT_FALSE(checked(FORM1_CLEAR));
    EXPECT_TRUE(text_box()->document()->isEmpty());
    EXPECT_EQ(engine_->open_dialogs(), 1);
}

TEST_F(qt_window_test, each_radio_group_is_exclusive_and_independent) {
    struct group {
        const int* ids;
        std::size_t size;
        const int* other_ids;
        std::size_t other_size;
        int other_checked;
    };
    for (const group g : {group{baud_ids, 4, port_ids, 8, FORM1_COM1},
                          group{port_ids, 8, baud_ids, 4, FORM1_BAUD9600}}) {
        for (std::size_t i = 0; i < g.size; ++i) {
            click(g.ids[i]);
            click(g.ids[i]);  // a second click on a ticked button leaves it ticked
            for (std::size_t j = 0; j < g.size; ++j)
                EXPECT_EQ(checked(g.ids[j]), i == j) << g.ids[i];
            for (std::size_t j = 0; j < g.other_size; ++j) {
                EXPECT_EQ(checked(g.other_ids[j]), g.other_ids[j] == g.other_checked) << g.ids[i];
            }
        }
        click(g.ids[0]);
    }
    // The check box and the default button are outside both groups' ticking.
    click(FORM1_CLEAR);
    EXPECT_TRUE(checked(FORM1_CLEAR));
    EXPECT_TRUE(checked(FORM1_COM1));
}

// As the dialog manager does: an arrow ticks the next or previous button of the group and moves
// the focus there, round from the last to the first, never out of the group.
TEST_F(qt_window_test, arrows_tick_the_next_radio_button_and_wrap_within_the_group) {
    struct row {
        int from;
        Qt::Key key;
        int to;
    };
    for (const row r :
         {row{FORM1_BAUD9600, Qt::Key_Down, FORM1_BAUD4800},
          row{FORM1_BAUD9600, Qt::Key_Up, FORM1_BAUD1200},
          row{FORM1_BAUD1200, Qt::Key_Right, FORM1_BAUD9600},
          row{FORM1_COM1, Qt::Key_Left, FORM1_COM8}, row{FORM1_COM3, Qt::Key_Down, FORM1_COM4}}) {
        click(r.from);
        control(r.from)->setFocus();
        post_key(control(r.from), r.key);
        ASSERT_TRUE(step_through_posted(main_));
        EXPECT_TRUE(checked(r.to)) << r.from << " " << r.key;
        EXPECT_FALSE(checked(r.from)) << r.from << " " << r.key;
        EXPECT_EQ(QApplication::focusWidget(), control(r.to)) << r.from << " " << r.key;
    }
}

TEST_F(qt_window_test, send_goes_to_the_chosen_port_at_the_chosen_rate) {
    struct row {
        int port_id, baud_id, port;
        speed_t speed;
    };
    for (const row r :
         {row{FORM1_COM1, FORM1_BAUD9600, 1, B9600}, row{FORM1_COM8, FORM1_BAUD1200, 8, B1200},
          row{FORM1_COM3, FORM1_BAUD2400, 3, B2400}}) {
        pseudo_terminal line;
        map_as(line, r.port);
        click(r.port_id);
        click(r.baud_id);
        text_box()->setPlainText("Hello");
        click(FORM1_SEND);
        EXPECT_EQ(line.read_master(5), "Hello") << r.port;
        EXPECT_EQ(speed(line), r.speed) << r.port;
        EXPECT_EQ(text_box()->toPlainText(), "Hello") << "the box is not ticked";
    }
}

// A port mapped once in the user's ports file (what quillon-send --map writes) is where the
// window's COM1 sends; an edit counts from the next Send on, without a restart.
TEST_F(qt_window_test, com1_follows_the_ports_file_from_one_send_to_the_next) {
    const test::scratch_folder home("quillon-window-ports");
    test::environment_override env;
    env.set("XDG_CONFIG_HOME", home.path().string());
    env.set("QUILLON_COM1", std::nullopt);
    pseudo_terminal adapter;
    pseudo_terminal replacement;
    for (const pseudo_terminal* line : {&adapter, &replacement}) {
        ASSERT_EQ(ports::edit_ports_file(*ports::user_ports_file(), 1, line->path()).problem, "");
        text_box()->setPlainText("Hi");
        click(FORM1_SEND);
    }
    EXPECT_EQ(adapter.read_master(2), "Hi");
    EXPECT_EQ(replacement.read_master(2), "Hi");

    // A port whose module holds a ROM of its own (charset=): what is typed goes out in its codes,
    // characters beyond the window's code page too; the tags stay for the send to translate.
    for (const auto& [rom, bytes] : {std::pair{"a00",
                                               "Gr\xF5n 25\xDF"
                                               "C \xE0\xE2\xFE\x01\xFE\x80"},
                                     std::pair{"a02",
                                               "Gr\xFCn 25\xB0"
                                               "C \x90?\xFE\x01\xFE\x80"}}) {
        std::FILE* file = std::fopen(ports::user_ports_file()->c_str(), "w");
        ASSERT_NE(file, nullptr);
        std::fprintf(file, "COM1 = %s charset=%s\n", replacement.path().c_str(), rom);
        std::fclose(file);
        text_box()->setPlainText(QString::fromUtf8("Gr\u00fcn 25\u00b0C \u03b1\u03b2<LMA_CLS>"));
        click(FORM1_SEND);
        EXPECT_EQ(replacement.read_master(16), bytes) << rom;
    }
}

#ifdef QUILLON_DISPLAY_PATH
// The whole road: typed in the window, sent to COM4, which a running virtual display serves.
TEST_F(qt_window_test, a_message_typed_and_sent_shows_on_a_running_virtual_display) {
    const test::scratch_folder runtime("quillon-window-display");
    test::environment_override env;
    env.set("XDG_RUNTIME_DIR", runtime.path().string());
    env.set("QUILLON_COM4", std::nullopt);  // the display's registration is what COM4 reaches
    {
        test::running_process display(
            {QUILLON_DISPLAY_PATH, "--port", "4", "--size", "16x2", "--text", "--no-window"}, {});
        std::string out;
        const auto read_until = [&](const std::string& wanted) {
            const QDeadlineTimer deadline(10000);
            while (out.find(wanted) == std::string::npos && !deadline.hasExpired()) {
                out += display.read_output(1 << 16, 50);
            }
            return out.find(wanted) != std::string::npos;
        };
        ASSERT_TRUE(read_until("quillon-display: COM4")) << out;
        click(FORM1_COM4);
        text_box()->setPlainText("<LMA_CLS>Hello<LMA_LINE2>World");
        click(FORM1_SEND);
        EXPECT_TRUE(
            read_until("┌────────────────┐\n"
                       "│Hello           │\n"
                       "│World           │\n"
                       "└────────────────┘\n"))
            << out;
        kill(display.pid(), SIGTERM);
        EXPECT_EQ(display.wait(), 0);
    }
}
#endif

TEST_F(qt_window_test, text_goes_out_in_code_page_1252_with_13_10_line_breaks) {
    pseudo_terminal line;
    map_as(line, 1);
    QTest::keyClicks(text_box(), "One");
    QTest::keyClick(text_box(), Qt::Key_Return);
    QTest::keyClicks(text_box(), "two");
    text_box()->insertPlainText(QString::fromUtf8("\u00e9\u20ac\u00a0\u4e2d"));
    click(FORM1_SEND);
    EXPECT_EQ(line.read_master(12), "One\r\ntwo\xE9\x80\xA0?");
    EXPECT_EQ(pending(line), "") << "nothing after the last line";
}

TEST_F(qt_window_test, enter_outside_the_text_box_sends_and_inside_breaks_the_line) {
    pseudo_terminal line;
    map_as(line, 1);
    text_box()->setPlainText("A");
    text_box()->moveCursor(QTextCursor::End);

    post_key(text_box(), Qt::Key_Return);
    ASSERT_TRUE(pump_until([&] { return text_box()->blockCount() == 2; }));
    EXPECT_EQ(pending(line), "") << "Enter in the text box does not send";

    for (const int id : {FORM1_BAUD9600, FORM1_COM1, FORM1_CLEAR, FORM1_SEND}) {
        post_key(control(id), Qt::Key_Return);
        std::string got;
        ASSERT_TRUE(pump_until([&] { return !(got += pending(line)).empty(); })) << id;
        EXPECT_EQ(got, "A\r\n") << id;
    }
}

TEST_F(qt_window_test, escape_does_nothing) {
    pseudo_terminal line;
    map_as(line, 1);
    text_box()->setPlainText("kept");
    post_key(text_box(), Qt::Key_Escape);
    post_key(control(FORM1_COM1), Qt::Key_Escape);
    // A later Enter shows that the Escapes before it have been handled.
    post_key(control(FORM1_COM1), Qt::Key_Return);
    std::string got;
    ASSERT_TRUE(pump_until([&] { return (got += pending(line)).size() >= 4; }));
    EXPECT_EQ(got, "kept");
    EXPECT_TRUE(windows().is_window(main_));
    EXPECT_EQ(engine_->open_dialogs(), 1);
    EXPECT_EQ(text_box()->toPlainText(), "kept");
}

TEST_F(qt_window_test, box_is_emptied_only_when_ticked_and_the_port_opened) {
    struct row {
        bool port_exists;
        bool ticked;
        bool emptied;
    };
    for (const row r : {row{true, true, true}, row{true, false, false}, row{false, true, false}}) {
        pseudo_terminal line;
        if (r.port_exists) map_as(line, 1);
        if (checked(FORM1_CLEAR) != r.ticked) click(FORM1_CLEAR);
        text_box()->setPlainText("message");
        EXPECT_EQ(send_and_answer_warning().shown, !r.port_exists);
        if (r.port_exists) {
            EXPECT_EQ(line.read_master(7), "message");
        }
        EXPECT_EQ(text_box()->toPlainText().isEmpty(), r.emptied)
            << "port exists " << r.port_exists << ", ticked " << r.ticked;
        setenv("QUILLON_COM1", "/nonexistent/quillon-test", 1);
    }
}

// A Send that fails says why in a warning box owned by the window, in quillon-send's words; the
// text stays, Enter or Escape dismisses the box, and the window keeps its size and stays usable.
TEST_F(qt_window_test, failed_send_says_why_in_a_warning_box) {
    const test::scratch_folder folder("quillon-window-warning");
    // A server that resets the connection instead of reading: only the close can tell.
    test::seen server;
    test::local_peer resets([&](int fd, int stop) {
        run(test::script{"", nullptr, "", test::never, true}, fd, stop, server);
    });
    const std::string tcp = "tcp://127.0.0.1:" + std::to_string(resets.port());
    struct row {
        std::string target;
        Qt::Key key;
        std::string said;
    };
    const row rows[] = {
        {"/nonexistent/quillon-test", Qt::Key_Return,
         "COM1 not found: /nonexistent/quillon-test does not exist; set QUILLON_COM1 to the "
         "port's device (e.g. QUILLON_COM1=/dev/ttyUSB0)"},
        {folder.path().string(), Qt::Key_Escape,
         folder.path().string() + " is a directory, not a serial device"},
        {tcp, Qt::Key_Return,
         "writing to COM1 (" + tcp +
             ") failed: the connection was dropped before the server took every byte: Connection "
             "reset by peer"},
    };
    const QSize size = dialog_->size();
    click(FORM1_CLEAR);
    for (const row& r : rows) {
        setenv("QUILLON_COM1", r.target.c_str(), 1);
        text_box()->setPlainText("kept");
        const warning_seen seen = send_and_answer_warning(r.key);
        EXPECT_TRUE(seen.shown) << r.said;
        EXPECT_EQ(seen.icon, QMessageBox::Warning);
        EXPECT_EQ(seen.title.toStdString() + ": " + seen.text.toStdString(), "Quillon: " + r.said);
        EXPECT_EQ(seen.owner, dialog_.data());
        EXPECT_TRUE(pump_until([] { return QApplication::activeModalWidget() == nullptr; }));
        EXPECT_EQ(text_box()->toPlainText(), "kept");
        EXPECT_EQ(dialog_->size(), size);
    }
    pseudo_terminal line;
    map_as(line, 1);
    EXPECT_FALSE(send_and_answer_warning().shown) << "a good Send after a failed one";
    EXPECT_EQ(line.read_master(4), "kept");
}

TEST_F(qt_window_test, check_box_answers_button_messages_in_win32_states) {
    const window_handle handle = windows().find_control(main_, FORM1_CLEAR);
    QCheckBox* box = control_as<QCheckBox>(FORM1_CLEAR);
    ASSERT_NE(box, nullptr);
    const auto get_check = [&] { return windows().send_message(handle, bm_getcheck, 0, 0); };

    struct shown_row {
        Qt::CheckState shown;
        std::intptr_t answer;
    };
    for (const shown_row r : {shown_row{Qt::Unchecked, 0}, shown_row{Qt::Checked, 1},
                              shown_row{Qt::PartiallyChecked, 2}, shown_row{Qt::Unchecked, 0}}) {
        box->setCheckState(r.shown);
        EXPECT_EQ(get_check(), r.answer) << "shown " << r.shown;
    }

    // A click ticks a box that is not ticked, indeterminate included, and clears a ticked one.
    struct set_row {
        std::uintptr_t set;
        Qt::CheckState shown;
        std::intptr_t answer;
        std::intptr_t after_click;
    };
    for (const set_row r : {set_row{0, Qt::Unchecked, 0, 1}, set_row{1, Qt::Checked, 1, 0},
                            set_row{2, Qt::PartiallyChecked, 2, 1}, set_row{0, Qt::Unchecked, 0, 1},
                            set_row{1, Qt::Checked, 1, 0}}) {
        EXPECT_EQ(windows().send_message(handle, bm_setcheck, r.set, 0), 0) << r.set;
        EXPECT_EQ(box->checkState(), r.shown) << "set " << r.set;
        EXPECT_EQ(get_check(), r.answer) << "set " << r.set;
        click(FORM1_CLEAR);
        EXPECT_EQ(get_check(), r.after_click) << "set " << r.set << ", then a click";
    }
    // Clicks after an indeterminate state never come back to it.
    box->setCheckState(Qt::PartiallyChecked);
    for (const std::intptr_t after : {1, 0, 1, 0}) {
        click(FORM1_CLEAR);
        EXPECT_EQ(get_check(), after);
    }
}

TEST_F(qt_window_test, radio_button_answers_button_messages_in_win32_states) {
    struct row {
        int id;
        std::uintptr_t set;
        bool shown;
        std::intptr_t answer;
    };
    for (const row r : {row{FORM1_COM2, 1, true, 1}, row{FORM1_COM2, 0, false, 0},
                        row{FORM1_BAUD1200, 1, true, 1}, row{FORM1_BAUD9600, 0, false, 0}}) {
        const window_handle handle = windows().find_control(main_, r.id);
        EXPECT_EQ(windows().send_message(handle, bm_setcheck, r.set, 0), 0) << r.id;
        EXPECT_EQ(checked(r.id), r.shown) << r.id << " set " << r.set;
        EXPECT_EQ(windows().send_message(handle, bm_getcheck, 0, 0), r.answer)
            << r.id << " set " << r.set;
    }
}

TEST_F(qt_window_test, activation_is_tracked_for_the_keyboard_handling) {
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(pump_until([&] { return engine_->active_dialog() == 0; }));
    dialog_->activateWindow();
    ASSERT_TRUE(pump_until([&] { return engine_->active_dialog() == main_; }));
}

TEST_F(qt_window_test, closing_by_the_window_manager_or_alt_f4_destroys_the_window) {
    struct row {
        const char* how;
        std::function<void(QWidget*)> close;
    };
    const row rows[] = {
        {"close event", [](QWidget* w) { w->close(); }},
        {"Alt+F4", [this](QWidget* w) { post_key(w, Qt::Key_F4, Qt::AltModifier); }},
    };
    for (const row& r : rows) {
        if (!windows().is_window(main_)) {
            SetUp();
        }
        r.close(dialog_);
        EXPECT_TRUE(pump_until([&] { return engine_->open_dialogs() == 0; })) << r.how;
        EXPECT_FALSE(engine_->has_record(main_)) << r.how;
        EXPECT_TRUE(pump_until([&] { return dialog_.isNull(); }))
            << r.how << ": the widget is deleted";
    }
}

TEST_F(qt_window_test, keyboard_handling_applies_only_to_the_dialog_a_step_is_given) {
    pseudo_terminal line;
    map_as(line, 1);
    text_box()->setPlainText("K");
    const window_handle gone = windows().create_dialog(dialog_template{}, nullptr);
    ASSERT_TRUE(windows().destroy(gone));

    struct row {
        const char* name;
        window_handle keyboard_dialog;
        std::string sent;
    };
    const row rows[] = {
        {"no dialog", 0, ""},
        {"a handle that names no window any more", gone, ""},
        {"the main window", main_, "K"},
    };
    for (const row& r : rows) {
        post_key(control(FORM1_COM1), Qt::Key_Return);
        ASSERT_TRUE(step_through_posted(r.keyboard_dialog)) << r.name;
        EXPECT_EQ(pending(line), r.sent) << r.name;
    }
}

TEST_F(qt_window_test, each_dialog_sends_its_messages_to_its_own_procedure) {
    using log = std::vector<std::pair<window_handle, std::uint32_t>>;
    const auto recorder = [](log& into) {
        return [&into](window_handle dialog, std::uint32_t message, std::uintptr_t,
                       std::intptr_t) -> std::intptr_t {
            into.emplace_back(dialog, message);
            return 0;
        };
    };
    dialog_template form;
    form.style = ws_popup | ws_caption | ws_sysmenu;
    form.cx = 50;
    form.cy = 20;
    log first_log, second_log;
    const window_handle first = windows().create_dialog(form, recorder(first_log));
    const window_handle second = windows().create_dialog(form, recorder(second_log));
    windows().send_message(first, 0x0400, 0, 0);
    windows().send_message(second, 0x0401, 0, 0);
    ASSERT_TRUE(windows().destroy(second));
    windows().send_message(first, 0x0402, 0, 0);
    ASSERT_TRUE(windows().destroy(first));

    EXPECT_EQ(first_log, (log{{first, wm_initdialog},
                              {first, 0x0400},
                              {first, 0x0402},
                              {first, wm_destroy},
                              {first, wm_ncdestroy}}));
    EXPECT_EQ(second_log, (log{{second, wm_initdialog},
                               {second, 0x0401},
                               {second, wm_destroy},
                               {second, wm_ncdestroy}}));
}

}  // namespace
}  // namespace quillon::ui
