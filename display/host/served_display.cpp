#include "display/host/served_display.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "display/host/stop_signals.h"
#include "display/text_view.h"
#include "ports/names.h"
#include "ports/resolve.h"
#include "serial/write_all.h"

namespace quillon::display {
namespace {

using ports::port_name;

// Big enough that a burst from a sender is usually one read, small enough to stay in cache.
constexpr std::size_t read_size = 64 * 1024;

}  // namespace

int first_free_port() {
    for (int port = 1; port <= 8; ++port) {
        if (ports::resolve_port(port).source == ports::mapping_source::built_in) return port;
    }
    return 0;
}

served_display::started served_display::start(const options& o) {
    started result;
    int port = o.port;
    if (port == 0) {
        port = first_free_port();
        if (port == 0) {
            result.error =
                "every COM port is mapped (by QUILLON_COMn, a ports file or another virtual "
                "display): choose one with --port N";
            return result;
        }
    } else {
        const ports::port_mapping m = ports::resolve_port(port);
        if (m.source == ports::mapping_source::virtual_display) {
            result.error = port_name(port) + " already has a virtual display running (" + m.target +
                           ", " + m.file + ")";
            return result;
        }
        if (m.source == ports::mapping_source::environment) {
            result.notes.push_back(m.file + " is set, and it comes before a virtual display: " +
                                   "programs that have it will not reach this display");
        } else if (m.source == ports::mapping_source::user_file ||
                   m.source == ports::mapping_source::system_file) {
            result.notes.push_back(port_name(port) + "'s line in " + m.file +
                                   " is set aside while this display runs");
        }
    }
    std::string why;
    auto line = virtual_port::open(o.baud, why);
    if (!line) {
        result.error = why;
        return result;
    }
    auto claim = ports::display_claim::make(port, line->path(), why);
    if (!claim) {
        result.error = why;
        return result;
    }
    result.display.reset(new served_display(port, o, std::move(*line), std::move(*claim)));
    return result;
}

served_display::served_display(int port, const options& o, virtual_port line,
                               ports::display_claim claim)
    : port_(port),
      baud_(o.baud),
      line_(std::move(line)),
      claim_(std::move(claim)),
      profile_(o.module),
      size_(o.size),
      module_(make_module(o.module, o.size, o.character_rom)),
      buffer_(read_size) {
    module_->view(view_);
}

bool served_display::take_waiting() {
    bool came = false;
    for (;;) {
        const std::string_view bytes = line_.read_waiting(buffer_);
        if (bytes.empty()) break;
        module_->feed(bytes);
        came = true;
        if (bytes.size() < buffer_.size()) break;
    }
    if (came) {
        view_stale_ = true;
        // A sender sets the line at its open, before its first byte: read it now.
        sender_ = line_.settings();
        heard_ = true;
    }
    return came;
}

const screen& served_display::view() const {
    if (view_stale_) {
        module_->view(view_);
        view_stale_ = false;
    }
    return view_;
}

std::string served_display::start_line() const {
    return "quillon-display: " + port_name(port_) + " → " + path() + "\n";
}

std::string served_display::sender_line() const { return sender_status(heard_, sender_, baud_); }

std::string served_display::text_report(bool to_terminal) const {
    return framed_text(view(), to_terminal) + sender_line() + "\n";
}

bool write_to(int fd, std::string_view bytes) {
    return serial::write_all(
        [fd](const char* from, std::size_t count) { return ::write(fd, from, count); }, bytes);
}

int serve_text_only(served_display& d, const stop_signals& stop, int out) {
    for (;;) {
        pollfd watched[2] = {{d.master(), POLLIN, 0}, {stop.fd(), POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return 1;
        }
        if (watched[1].revents != 0) return 0;
        if (watched[0].revents & (POLLERR | POLLNVAL)) return 1;
        if (d.take_waiting() && !write_to(out, d.text_report(isatty(out) == 1))) return 1;
    }
}

}  // namespace quillon::display
