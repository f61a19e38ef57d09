#include "translate/text_to_bytes.h"

#include <algorithm>
#include <cstring>

#include "charset/utf8.h"
#include "translate/byte_classes.h"

namespace quillon {

// Whether a "\" or "~" typed outside the tags is among the ASCII that the ROM draws otherwise.
// It follows the tags on the text as conversion leaves it, where a character beyond ASCII
// stands for its code: A00's ¥ becomes the tag character "\" (so "<A¥B>" is a tag), but only a
// typed "\" is one the user may not expect to see as ¥.
class text_to_bytes::shown_otherwise_watch {
  public:
    shown_otherwise_watch(const charset::rom_converter& converter, charset::rom table, bool tags)
        : converter_(converter), tags_(tags) {
        for (const char c : charset::ascii_shown_otherwise(table)) otherwise_[c] = true;
    }

    // Whole characters only.
    void look(std::string_view typed) {
        for (std::size_t at = 0; at < typed.size() && !found_; ++at) {
            auto code = static_cast<unsigned char>(typed[at]);
            bool marked = code < 0x80 && otherwise_[code];
            if (code >= 0x80) {
                if (const auto c = charset::decode_utf8(typed.substr(at))) {
                    code = converter_.code_of(c->point).value_or('?');
                    at += c->length - 1;
                }
            }
            if (!tags_) {
                found_ = marked;
            } else {
                step(code, marked);
            }
        }
    }

    bool found() {
        found_ = found_ || pending_;  // a run never closed is no tag
        return found_;
    }

  private:
    void step(unsigned char code, bool marked) {
        if (code == '<') {
            found_ = pending_;
            in_run_ = true;
            run_empty_ = true;
            pending_ = false;
        } else if (in_run_ && detail::is_body_byte(code)) {
            run_empty_ = false;
            pending_ = pending_ || marked;  // outside, unless the run becomes a tag
        } else if (in_run_ && code == '>' && !run_empty_) {
            in_run_ = false;
            pending_ = false;
        } else {
            found_ = pending_ || marked;
            in_run_ = false;
            pending_ = false;
        }
    }

    const charset::rom_converter& converter_;
    bool tags_;
    std::array<bool, 128> otherwise_{};
    bool in_run_ = false;    // after a "<" and tag characters only
    bool run_empty_ = true;  // no tag character yet after that "<"
    bool pending_ = false;   // the run holds a typed one
    bool found_ = false;
};

// The first character beyond ASCII, once: the text is looked at only until the first byte above
// 0x7F decides it (UTF-8, or some other encoding whose bytes are meant as they are).
class text_to_bytes::beyond_ascii_watch {
  public:
    void look(std::string_view typed) {
        if (decided_) return;
        if (partial_size_ != 0) {
            // The character began at the end of the last piece.
            const std::size_t taken = std::min(partial_.size() - partial_size_, typed.size());
            if (taken != 0) std::memcpy(partial_.data() + partial_size_, typed.data(), taken);
            decide({partial_.data(), partial_size_ + taken});
            return;
        }
        const std::size_t at = charset::first_beyond_ascii(typed);
        if (at != typed.size()) decide(typed.substr(at));
    }

    std::optional<char32_t> found() const { return found_; }

  private:
    void decide(std::string_view from) {
        if (const auto c = charset::decode_utf8(from)) {
            found_ = c->point;
            decided_ = true;
        } else if (charset::cut_character_length(from) == from.size()) {
            partial_size_ = from.size();  // the start of a character: the rest comes next
            std::memmove(partial_.data(), from.data(), from.size());
        } else {
            decided_ = true;
        }
    }

    std::array<char, 4> partial_{};
    std::size_t partial_size_ = 0;
    std::optional<char32_t> found_;
    bool decided_ = false;
};

text_to_bytes::text_to_bytes(const text_settings& settings) : settings_(settings) {
    if (settings.charset) {
        converter_.emplace(*settings.charset);
        if (settings.look && !charset::ascii_shown_otherwise(*settings.charset).empty()) {
            shown_otherwise_ = std::make_unique<shown_otherwise_watch>(
                *converter_, *settings.charset, settings.tags);
        }
    } else if (settings.look) {
        beyond_ascii_ = std::make_unique<beyond_ascii_watch>();
    }
    if (settings.look) notes_.tags.watch_families(settings.module_family);
    if (settings.tags) translator_.emplace(settings.look ? &notes_.tags : nullptr);
}

text_to_bytes::~text_to_bytes() = default;

std::span<char> text_to_bytes::room(std::size_t size) {
    const std::size_t total = size + cut_size_;
    std::span<char> all;
    if (translator_) {
        all = translator_->room(total);
    } else {
        if (plain_size_ < total) {
            plain_size_ = std::max(total, 2 * plain_size_);
            plain_ = std::make_unique_for_overwrite<char[]>(plain_size_);
        }
        all = {plain_.get(), plain_size_};
    }
    if (cut_size_ != 0) std::memcpy(all.data(), cut_.data(), cut_size_);
    room_ = all.data();
    return all.subspan(cut_size_);
}

std::string_view text_to_bytes::pass_on(std::size_t count) {
    if (translator_) return translator_->translate_written(count);
    return {room_, count};
}

std::string_view text_to_bytes::convert_written(std::size_t count) {
    const std::string_view typed(room_, cut_size_ + count);
    cut_size_ = 0;
    if (beyond_ascii_) beyond_ascii_->look(typed);
    if (!converter_) return pass_on(typed.size());
    const std::size_t cut = charset::cut_character_length(typed);
    const std::size_t whole = typed.size() - cut;
    if (shown_otherwise_) shown_otherwise_->look(typed.substr(0, whole));
    const std::size_t codes = converter_->convert(room_, whole);
    if (cut != 0) std::memcpy(cut_.data(), room_ + whole, cut);
    cut_size_ = cut;
    return pass_on(codes);
}

std::string_view text_to_bytes::convert(std::string_view piece) {
    const std::span<char> space = room(piece.size());
    if (!piece.empty()) std::memcpy(space.data(), piece.data(), piece.size());
    return convert_written(piece.size());
}

std::string_view text_to_bytes::finish() {
    std::string_view head;
    if (cut_size_ != 0) {
        // A character cut by the end of the text is none: its bytes go as they are.
        static_cast<void>(room(0));
        const std::size_t count = cut_size_;
        cut_size_ = 0;
        head = pass_on(count);
    }
    if (shown_otherwise_) notes_.ascii_shown_otherwise = shown_otherwise_->found();
    if (beyond_ascii_) notes_.beyond_ascii = beyond_ascii_->found();
    if (converter_) notes_.missing = converter_->missing();
    const std::string_view tail = translator_ ? translator_->finish() : std::string_view{};
    if (head.empty()) return tail;
    if (tail.empty()) return head;
    last_.assign(head);
    last_ += tail;
    return last_;
}

std::string bytes_of_text(std::string_view typed, const text_settings& settings,
                          text_notes& notes) {
    text_to_bytes step(settings);
    std::string bytes(step.convert(typed));
    bytes += step.finish();
    notes = step.notes();
    return bytes;
}

namespace {

// A tag as a warning quotes it: a very long one is cut (tags are ASCII, so any cut is whole).
std::string quoted_tag(std::string_view typed) {
    constexpr std::size_t longest_shown = 40;
    std::string quoted(1, '<');
    quoted += typed.substr(0, longest_shown);
    quoted += typed.size() > longest_shown ? "...>" : ">";
    return quoted;
}

std::string tag_line(const tag_finding& f) {
    if (f.broken()) {
        return quoted_tag(f.typed) + " is sent as text, not as a tag: did you mean <" +
               std::string(f.spelled) + ">?";
    }
    const std::string_view near = nearest_name(f.typed);
    return "unknown tag " + quoted_tag(f.typed) + ": " +
           (near.empty() ? std::string("no such name (quillon-send --tags lists them)")
                         : "did you mean " + std::string(near) + "?");
}

}  // namespace

std::vector<note_line> note_lines(const text_notes& notes, const text_settings& settings,
                                  std::string_view choose_charset) {
    using kind = note_line::kind;
    std::vector<note_line> lines;
    for (const tag_finding& f : notes.tags.kept()) lines.push_back({kind::tag, tag_line(f)});
    if (const std::size_t more = notes.tags.more(); more != 0) {
        lines.push_back({kind::tag, "and " + std::to_string(more) + " more unknown or broken " +
                                        (more == 1 ? "tag" : "tags")});
    }
    if (settings.charset) {
        const charset::rom table = *settings.charset;
        for (const char32_t c : notes.missing.kept) {
            lines.push_back(
                {kind::missing_character, charset::missing_character_warning(c, table)});
        }
        if (notes.missing.more != 0) {
            lines.push_back({kind::missing_character,
                             charset::more_missing_warning(notes.missing.more, table)});
        }
        if (notes.ascii_shown_otherwise) {
            lines.push_back(
                {kind::ascii_shown_otherwise, charset::ascii_shown_otherwise_warning(table)});
        }
    }
    if (notes.beyond_ascii) {
        const std::size_t length = charset::encode_utf8(*notes.beyond_ascii).size();
        const std::string count = std::to_string(length);
        lines.push_back({kind::beyond_ascii,
                         charset::quoted_character(*notes.beyond_ascii) + " is sent as the " +
                             count + " bytes of its UTF-8, which a module shows as " + count +
                             " characters of its own ROM: try " + std::string(choose_charset)});
    }
    return lines;
}

}  // namespace quillon
