// The telnet side of an rfc2217:// target: the protocol alone, without sockets, so that the
// same code serves the POSIX and the Winsock builds and tests can feed it literal bytes.
//
// How it works: at connect the client asks for COM-PORT-OPTION and BINARY (opening()), answers
// the server's offers through negotiation::answer, and reads the server's stream with reader,
// which drops serial data (the library never reads a port) and hands out negotiation commands
// and COM-PORT-OPTION replies. Line settings go out as subnegotiation() frames; data goes out
// through encode_data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quillon::serial::network::telnet {

// RFC 854 commands.
inline constexpr unsigned char se = 240;
inline constexpr unsigned char sb = 250;
inline constexpr unsigned char will = 251;
inline constexpr unsigned char wont = 252;
inline constexpr unsigned char do_ = 253;
inline constexpr unsigned char dont = 254;
inline constexpr unsigned char iac = 255;

// Options this client agrees to: BINARY (RFC 856), SUPPRESS-GO-AHEAD (RFC 858) and
// COM-PORT-OPTION (RFC 2217).
inline constexpr unsigned char binary = 0;
inline constexpr unsigned char suppress_go_ahead = 3;
inline constexpr unsigned char com_port_option = 44;

// COM-PORT-OPTION commands from client to server; the server answers each with the command
// plus 100 and the value now in effect.
inline constexpr unsigned char set_baudrate = 1;
inline constexpr unsigned char set_datasize = 2;
inline constexpr unsigned char set_parity = 3;
inline constexpr unsigned char set_stopsize = 4;
inline constexpr unsigned char set_control = 5;
inline constexpr unsigned char server_reply_offset = 100;
// From the server (RFC 2217 numbers them 108 and 109): stop sending data, and go on again.
inline constexpr unsigned char flowcontrol_suspend = server_reply_offset + 8;
inline constexpr unsigned char flowcontrol_resume = server_reply_offset + 9;

// The longest subnegotiation kept: a COM-PORT-OPTION value is one to four bytes (a signature is
// text, but short), so anything longer is no reply of a server we talk to.
inline constexpr std::size_t longest_subnegotiation = 256;

// Data as it goes on the wire: every 255 doubled (RFC 854: IAC IAC is the data byte 255).
// Without BINARY in our direction a carriage return is followed by NUL, as the network virtual
// terminal requires of a CR that does not start CR LF (RFC 854), so the server keeps it as a
// bare CR. Appends to out.
void encode_data(std::span<const char> data, bool binary_mode, std::string& out);

// IAC SB COM-PORT-OPTION command value IAC SE, with 255 doubled inside the value too.
std::string subnegotiation(unsigned char command, std::span<const unsigned char> value);

// The state of each option on both sides, and the answers that follow from it. Answers are
// given only when a state changes, and each refusal only once, so two ends that disagree
// cannot loop (RFC 854: "a party ... should not acknowledge a request to enter a mode it is
// already in"; RFC 1143 for the rest of the reasoning).
class negotiation {
  public:
    // Sent at connect: WILL COM-PORT-OPTION, WILL BINARY (our direction in binary).
    std::string opening();
    // The answer to a received WILL, WONT, DO or DONT for an option: possibly nothing.
    std::string answer(unsigned char verb, unsigned char option);

    // Whether we do the option (the server agreed with DO, or asked and we agreed).
    bool we_do(unsigned char option) const { return us_[option] == state::yes; }
    // Whether the server has answered our own request for the option, either way.
    bool settled(unsigned char option) const { return us_[option] != state::asked; }

  private:
    enum class state : std::uint8_t { no, asked, yes };
    static bool agreeable(unsigned char option);
    std::array<state, 256> us_{};   // options we perform
    std::array<state, 256> him_{};  // options the server performs (never "asked": we ask none)
    std::array<bool, 256> refused_us_{};
    std::array<bool, 256> refused_him_{};
};

// One thing the server said, other than data.
struct event {
    enum class type : std::uint8_t { negotiation, com_port } what = type::negotiation;
    unsigned char verb = 0;            // negotiation: WILL, WONT, DO or DONT
    unsigned char option = 0;          // negotiation: the option
    unsigned char command = 0;         // com_port: the server's command (a reply is 100 + n)
    std::vector<unsigned char> value;  // com_port: the value bytes, 255s undoubled
    friend bool operator==(const event&, const event&) = default;
};

// Reads the server's stream byte by byte, across any split into pieces. Data bytes and
// commands without meaning here (NOP, GA, ...) are dropped; subnegotiations of other options
// are skipped; an overlong subnegotiation is cut off at longest_subnegotiation rather than
// grown without end, and marks the reader overflowed. A feed appends at most one event per
// three bytes fed, so the events of one piece are bounded by the piece.
class reader {
  public:
    void feed(std::span<const char> bytes, std::vector<event>& events);
    // A subnegotiation was longer than longest_subnegotiation: the server is not one to trust.
    bool overflowed() const { return overflowed_; }

  private:
    enum class state : std::uint8_t { data, command, option, sub_option, sub, sub_iac };
    state state_ = state::data;
    unsigned char verb_ = 0;
    bool ours_ = false;  // the subnegotiation is COM-PORT-OPTION
    bool overflowed_ = false;
    std::vector<unsigned char> sub_;
    void keep(unsigned char b);
};

}  // namespace quillon::serial::network::telnet
