// The one option table: the command line's forms and refusals (whole numbers and the shared
// options' words among them), a settings file's lines, and the help's columns.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "options/option_table.h"
#include "options/small_file.h"
#include "options/standard/display_options.h"
#include "options/standard/port_options.h"
#include "testing/scratch.h"

namespace quillon::options {
namespace {

// A table of each kind of option, and what it took as one line: "port=2 baud=9600 quiet".
struct taken {
    int port = 1;
    int baud = 9600;
    bool quiet = false;
    std::string name;
    std::optional<display::rom> charset;
    display::profile module = display::profile::hd44780;
    std::vector<option> table{
        port_option(port, "1", 'p'),
        baud_option(baud, "always 8N1"),
        {.name = "quiet",
         .short_name = 'q',
         .help = "say less",
         .take = set_flag(quiet),
         .in_files = true},
        {.name = "name",
         .value = "TEXT",
         .help = "a name",
         .take = set_text(name),
         .in_files = true},
        charset_option(charset, ""),
        module_option(module),
        {.name = "size",
         .value = "WxH",
         .help = "a size",
         .take =
             [this](const std::string* v) {
                 size = v != nullptr ? *v : "";
                 return std::string();
             },
         .value_optional = true,
         .takes_next = [](std::string_view next) { return next.starts_with('2'); }},
        {.help = "end of options"},
    };
    std::optional<std::string> size;

    std::string line() const {
        return "port=" + std::to_string(port) + " baud=" + std::to_string(baud) +
               (quiet ? " quiet" : "") + (name.empty() ? "" : " name=" + name) +
               (charset ? " a02" : "") + (module == display::profile::graphic ? " graphic" : "") +
               (size ? " size=" + *size : "");
    }
};

TEST(command_line, takes_every_form_and_refuses_in_one_line) {
    const struct {
        std::vector<std::string> arguments;
        std::string taken;  // or the error
        std::vector<std::string> operands = {};
    } cases[] = {
        {{"--port", "2", "-q", "--name=a b"}, "port=2 baud=9600 quiet name=a b"},
        {{"-p3", "--baud=2400", "--charset", "a02", "--module", "graphic"},
         "port=3 baud=2400 a02 graphic"},
        {{"hello", "--", "-q", "-"}, "port=1 baud=9600", {"hello", "-q", "-"}},
        {{"--size", "2x2", "x"}, "port=1 baud=9600 size=2x2", {"x"}},
        {{"--size", "x", "2"}, "port=1 baud=9600 size=", {"x", "2"}},
        {{"--size", "--", "2"}, "port=1 baud=9600 size=", {"2"}},
        {{"--port", "9"}, "--port: give a number from 1 to 8, not '9'"},
        {{"-p", "-1"}, "-p: give a number from 1 to 8, not '-1'"},
        {{"-p+1"}, "-p: give a number from 1 to 8, not '+1'"},
        {{"-p", " 1"}, "-p: give a number from 1 to 8, not ' 1'"},
        {{"-p", "0x1"}, "-p: give a number from 1 to 8, not '0x1'"},
        {{"-p", "18446744073709551617"},
         "-p: give a number from 1 to 8, not '18446744073709551617'"},
        {{"--port"}, "--port needs a value"},
        {{"--baud", "19200"}, "--baud: give 1200, 2400, 4800 or 9600, not '19200'"},
        {{"--charset=a01"}, "--charset: give raw, a00 or a02, not 'a01'"},
        {{"--module", "lcd"},
         "--module: give hd44780, text, text-vfd, graphic or graphic-layers, not 'lcd'"},
        {{"--name="}, "--name: needs a value"},
        {{"--quiet=yes"}, "--quiet takes no value"},
        {{"-qq"}, "-q takes no value"},
        {{"--colour=red"}, "unknown option --colour"},
        {{"--=x"}, "unknown option --"},
        {{"-x"}, "unknown option -x"},
    };
    for (const auto& c : cases) {
        taken t;
        const parsed_command_line line = parse_command_line(t.table, c.arguments);
        EXPECT_EQ(line.error.empty() ? t.line() : line.error, c.taken) << c.arguments.front();
        EXPECT_EQ(line.operands, c.operands) << c.arguments.front();
    }
    taken t;
    const auto line = parse_command_line(t.table, {"-q", "--baud", "1200"});
    EXPECT_EQ(line.given, (std::vector<std::string_view>{"quiet", "baud"}));
}

TEST(settings_file, takes_the_options_marked_for_files_line_by_line) {
    test::scratch_folder folder;
    const std::string path = (folder / "settings.conf").string();
    test::write_file(path, "  # a comment\n\n\tquiet\r\nname = x=1 \nname\n");
    taken t;
    EXPECT_EQ(apply_settings_file(t.table, path), path + ":5: name needs a value");
    EXPECT_EQ(t.line(), "port=1 baud=9600 quiet name=x=1");
    EXPECT_EQ(apply_settings_file(t.table, path + ".none"),
              "cannot read " + path + ".none: No such file or directory");
    for (const auto& [line, error] : {std::pair{"quiet on", "quiet takes no value"},
                                      {"port 2", "unknown setting 'port'"},
                                      {"--quiet", "unknown setting '--quiet'"}}) {
        EXPECT_EQ(apply_settings_line(t.table, line), error);
    }
}

TEST(help, puts_the_texts_in_one_column_wrapped_at_80) {
    taken t;
    EXPECT_EQ(option_help(t.table),
              "  -p, --port N        serial port COM1 to COM8 (default 1)\n"
              "      --baud RATE     1200, 2400, 4800 or 9600 (default 9600); always 8N1\n"
              "  -q, --quiet         say less\n"
              "      --name TEXT     a name\n"
              "      --charset NAME  raw (default: bytes as typed) or the module's ROM, a00\n"
              "                      (ASCII, katakana, Greek and symbols) or a02 (Western\n"
              "                      European)\n"
              "      --module NAME   the kind of module: hd44780, text, text-vfd, graphic or\n"
              "                      graphic-layers (default hd44780)\n"
              "      --size[=WxH]    a size\n"
              "      --              end of options\n");
    bool flag = false;
    const std::vector<option> long_names{
        {.name = "display", .value = "NAME=PORT", .help = "a\nb", .take = set_flag(flag)},
        {.name = "serve-every-display-there-is", .help = "", .take = set_flag(flag)},
    };
    EXPECT_EQ(option_help(long_names),
              "  --display NAME=PORT         a\n"
              "                              b\n"
              "  --serve-every-display-there-is\n");
}

// Settings files and the files settings name: a FIFO would block the open for ever, /dev/zero
// never ends; each is refused at once, named.
TEST(small_file, reads_only_a_regular_file_within_the_limit) {
    test::scratch_folder folder;
    const std::string fifo = (folder / "fifo").string();
    const std::string big = (folder / "big").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    test::write_file(big, std::string(1024 * 1024 + 1, '#'));
    test::write_file(folder / "ok", "name x\n");
    const struct {
        std::string path, problem;
    } cases[] = {
        {fifo, fifo + " is a FIFO, not a regular file"},
        {"/dev/zero", "/dev/zero is a character device, not a regular file"},
        {folder.path().string(), folder.path().string() + " is a directory, not a regular file"},
        {big, big + " is larger than 1 MiB"},
        {(folder / "ok").string(), ""},
    };
    for (const auto& c : cases) EXPECT_EQ(read_small_file(c.path).problem, c.problem);
    EXPECT_EQ(read_small_file((folder / "ok").string()).text, "name x\n");
}

}  // namespace
}  // namespace quillon::options
