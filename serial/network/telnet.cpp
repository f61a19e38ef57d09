#include "serial/network/telnet.h"

namespace quillon::serial::network::telnet {
namespace {

std::string command(unsigned char verb, unsigned char option) {
    return std::string{static_cast<char>(iac), static_cast<char>(verb), static_cast<char>(option)};
}

}  // namespace

void encode_data(std::span<const char> data, bool binary_mode, std::string& out) {
    for (char c : data) {
        out += c;
        if (static_cast<unsigned char>(c) == iac) {
            out += c;
        } else if (c == '\r' && !binary_mode) {
            // CR LF would also be correct for a CR followed by LF; CR NUL is right in every case.
            out += '\0';
        }
    }
}

std::string subnegotiation(unsigned char cmd, std::span<const unsigned char> value) {
    std::string frame{static_cast<char>(iac), static_cast<char>(sb),
                      static_cast<char>(com_port_option), static_cast<char>(cmd)};
    for (unsigned char b : value) {
        frame += static_cast<char>(b);
        if (b == iac) frame += static_cast<char>(b);
    }
    frame += static_cast<char>(iac);
    frame += static_cast<char>(se);
    return frame;
}

bool negotiation::agreeable(unsigned char option) {
    return option == binary || option == suppress_go_ahead || option == com_port_option;
}

std::string negotiation::opening() {
    std::string out;
    for (unsigned char option : {com_port_option, binary}) {
        if (us_[option] == state::no) {
            us_[option] = state::asked;
            out += command(will, option);
        }
    }
    return out;
}

std::string negotiation::answer(unsigned char verb, unsigned char option) {
    switch (verb) {
        case do_:
            if (us_[option] == state::asked) {
                us_[option] = state::yes;  // the server agreed to our request: no answer
                return {};
            }
            if (us_[option] == state::yes) return {};
            if (agreeable(option)) {
                us_[option] = state::yes;
                return command(will, option);
            }
            // RFC 854: an option we do not support is refused with WONT, once.
            if (refused_us_[option]) return {};
            refused_us_[option] = true;
            return command(wont, option);
        case dont:
            if (us_[option] == state::asked) {
                us_[option] = state::no;  // our request was refused: nothing to answer
                return {};
            }
            if (us_[option] == state::yes) {
                us_[option] = state::no;
                return command(wont, option);
            }
            return {};
        case will:
            if (him_[option] == state::yes) return {};
            if (agreeable(option)) {
                him_[option] = state::yes;
                return command(do_, option);
            }
            if (refused_him_[option]) return {};
            refused_him_[option] = true;
            return command(dont, option);
        case wont:
            if (him_[option] == state::yes) {
                him_[option] = state::no;
                return command(dont, option);
            }
            return {};
        default:
            return {};
    }
}

void reader::keep(unsigned char b) {
    if (sub_.size() < longest_subnegotiation) {
        sub_.push_back(b);
    } else {
        overflowed_ = true;
    }
}

void reader::feed(std::span<const char> bytes, std::vector<event>& events) {
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        switch (state_) {
            case state::data:
                if (b == iac) state_ = state::command;
                break;
            case state::command:
                if (b >= will && b <= dont) {
                    verb_ = b;
                    state_ = state::option;
                } else if (b == sb) {
                    state_ = state::sub_option;
                } else {
                    state_ = state::data;  // IAC IAC (a data 255), NOP, GA and the rest
                }
                break;
            case state::option:
                events.push_back({event::type::negotiation, verb_, b, 0, {}});
                state_ = state::data;
                break;
            case state::sub_option:
                ours_ = b == com_port_option;
                sub_.clear();
                state_ = state::sub;
                break;
            case state::sub:
                if (b == iac) {
                    state_ = state::sub_iac;
                } else {
                    keep(b);
                }
                break;
            case state::sub_iac:
                if (b == iac) {
                    keep(b);
                    state_ = state::sub;
                } else {
                    // IAC SE ends it; any other command after IAC ends it as well (RFC 855
                    // leaves a broken frame undefined, and waiting for an SE could eat data).
                    if (ours_ && !sub_.empty()) {
                        event e;
                        e.what = event::type::com_port;
                        e.command = sub_.front();
                        e.value.assign(sub_.begin() + 1, sub_.end());
                        events.push_back(std::move(e));
                    }
                    state_ = state::data;
                }
                break;
        }
    }
}

}  // namespace quillon::serial::network::telnet
