#include "cli/port_commands.h"

#include <optional>
#include <string>
#include <vector>

#include "cli/messages.h"
#include "cli/report.h"
#include "ports/names.h"
#include "ports/port_control.h"
#include "ports/ports_file.h"
#include "ports/resolve.h"

namespace quillon::cli {
namespace {

// Lines of the ports files that name none of COM1 to COM8: no port shows them.
std::string stray_lines() {
    std::string text;
    std::vector<std::string> files;
    if (auto user = ports::user_ports_file()) files.push_back(*user);
    files.push_back(ports::system_ports_file());
    for (const std::string& path : files) {
        for (const ports::ports_file_entry& entry : ports::read_ports_file(path).entries) {
            if (entry.port != 0) continue;
            text += "  " + path + ":" + std::to_string(entry.line) + ": " + entry.problem + "\n";
        }
    }
    return text.empty() ? text : "\nLines that map no port:\n" + text;
}

}  // namespace

int list_ports(bool open_each) {
    std::string listing;
    std::string free_port;  // the first port left at a default that does not exist
    for (int port = 1; port <= ports::port_count; ++port) {
        const std::string name = ports::port_name(port);
        const auto probe = open_each ? ports::probe_device(name) : ports::look_at_device(name);
        listing += port_list_line(port, probe) + "\n";
        if (free_port.empty() && probe.mapping &&
            probe.mapping->source == ports::mapping_source::built_in &&
            probe.failure.kind == serial::error_kind::not_found) {
            free_port = name;
        }
    }
    listing += stray_lines();
    const auto unmapped = ports::unmapped_serial_devices();
    if (unmapped.empty()) {
        listing += "\nNo other serial devices found.\n";
    } else {
        listing += "\nSerial devices no COM port maps, each with the line that maps it:\n";
        for (const std::string& device : unmapped) {
            listing += "  " + device + "\n    quillon-send --map " +
                       (free_port.empty() ? "COM1" : free_port) + "=" + device + "\n";
        }
    }
    return print(listing);
}

int edit_mapping(const options& o) {
    const std::string name = ports::port_name(o.map_port);
    const std::optional<std::string> file = ports::user_ports_file();
    if (!file) {
        return fail(could_not_open,
                    "cannot " + std::string(o.map_target ? "map " : "unmap ") + name +
                        ": there is no ports file of your own, because neither XDG_CONFIG_HOME "
                        "nor HOME names an absolute folder");
    }
    const ports::edit_outcome edited = ports::edit_ports_file(*file, o.map_port, o.map_target);
    if (edited.refused_target) return fail(usage, "--map: " + edited.problem);
    if (!edited.problem.empty()) return fail(could_not_open, edited.problem);
    if (!o.map_target) {
        if (!edited.had_line)
            return print(name + " has no line in " + *file + ": nothing removed\n");
        return print(name + " removed from " + *file + "\n");
    }
    if (print(edited.line + " in " + *file + "\n") != sent) return write_failed;
    if (serial::look_at_device(edited.target).failure.kind == serial::error_kind::not_found) {
        note(edited.target + " does not exist now; the line waits for it");
    }
    const ports::port_mapping now = ports::resolve_port(o.map_port);
    if (now.source == ports::mapping_source::environment) {
        note(now.file + " is set and comes first: programs run with it send " + name +
             " elsewhere");
    } else if (now.source == ports::mapping_source::virtual_display) {
        note("a virtual display runs for " + name + " and comes first while it runs (" + now.file +
             ")");
    }
    return sent;
}

}  // namespace quillon::cli
