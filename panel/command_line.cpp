#include "panel/command_line.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace ovtb::panel {

namespace {

// A number as the command line gives it: the low 16 bits of its value always, and the value
// itself while it fits in 32 bits.
struct Number {
    std::uint16_t low16 = 0;
    std::optional<std::uint32_t> value;
};

// Reads the text token by token. Every character that is neither a brace nor a digit is
// skipped; a number takes the character after its last digit with it, unexamined (a brace
// right after a digit is lost, as the panel has always read it).
class CommandLineReader {
  public:
    enum class Kind { End, Open, Close, Number };
    struct Token {
        Kind kind = Kind::End;
        Number number;
    };

    explicit CommandLineReader(std::string_view text) : text_(text) {}

    // The next token, not yet consumed.
    Token Peek() {
        while (pos_ < text_.size() && !IsBrace(text_[pos_]) && !IsDigit(text_[pos_])) {
            ++pos_;
        }
        Token token;
        if (pos_ == text_.size()) {
            end_ = pos_;
            return token;
        }
        if (IsBrace(text_[pos_])) {
            token.kind = text_[pos_] == '{' ? Kind::Open : Kind::Close;
            end_ = pos_ + 1;
            return token;
        }
        token.kind = Kind::Number;
        std::uint64_t value = 0;
        bool fits = true;
        std::size_t i = pos_;
        for (; i < text_.size() && IsDigit(text_[i]); ++i) {
            const unsigned digit = static_cast<unsigned>(text_[i] - '0');
            token.number.low16 = static_cast<std::uint16_t>(token.number.low16 * 10u + digit);
            if (fits) {
                value = value * 10 + digit;
                fits = value <= UINT32_MAX;
            }
        }
        if (fits) {
            token.number.value = static_cast<std::uint32_t>(value);
        }
        end_ = i < text_.size() ? i + 1 : i;  // the character after the number goes with it
        return token;
    }

    void Consume() { pos_ = end_; }

    Token Next() {
        Token token = Peek();
        Consume();
        return token;
    }

    // Skips characters up to and including the next closing brace, looking at nothing else.
    void SkipPastClosingBrace() {
        while (pos_ < text_.size() && text_[pos_] != '}') {
            ++pos_;
        }
        if (pos_ < text_.size()) {
            ++pos_;
        }
    }

  private:
    static bool IsBrace(char c) { return c == '{' || c == '}'; }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
};

using Kind = CommandLineReader::Kind;

// Every pass starts at depth 0 and ends when a closing brace brings the depth back to 0, or at
// the end of the text. The depth may go below 0 on stray closing braces; only a return to 0
// through a closing brace ends a pass.
struct Depth {
    std::ptrdiff_t value = 0;

    // Applies a brace; true when it ends the pass.
    bool Apply(Kind kind) {
        if (kind == Kind::Open) {
            ++value;
            return false;
        }
        --value;
        return value == 0;
    }
};

// Pass 1: every number is a device id; at most MAX_BOARDS are kept and later ones ignored.
std::vector<std::uint16_t> ReadDeviceIds(CommandLineReader& reader) {
    std::vector<std::uint16_t> ids;
    Depth depth;
    for (;;) {
        const auto token = reader.Next();
        if (token.kind == Kind::End) {
            break;
        }
        if (token.kind == Kind::Number) {
            if (ids.size() < catalog::MAX_BOARDS) {
                ids.push_back(token.number.low16);
            }
        } else if (depth.Apply(token.kind)) {
            break;
        }
    }
    return ids;
}

// Pass 2: triples of bus number, device number and 0, grouped by device id.
void ReadBoardPositions(CommandLineReader& reader, const std::vector<std::uint16_t>& ids,
                        CommandLineSettings& settings) {
    Depth depth;
    std::size_t group = 0;
    int field = 0;
    for (;;) {
        const auto token = reader.Peek();
        if (token.kind == Kind::End) {
            return;
        }
        if (token.kind == Kind::Number) {
            auto& request = settings.requests[static_cast<std::size_t>(settings.count)];
            if (field == 0) {
                request.busNumber = token.number.low16;
            } else if (field == 1) {
                request.deviceNumber = token.number.low16;
            } else if (field == 2 && token.number.value == 0u) {
                request.deviceId = ids[group];
                if (++settings.count == static_cast<std::int32_t>(catalog::MAX_BOARDS)) {
                    return;  // the digits of this 0 are left for the next pass
                }
            }
            ++field;
            reader.Consume();
            continue;
        }
        reader.Consume();
        if (depth.Apply(token.kind)) {
            return;
        }
        if (token.kind != Kind::Close) {
            continue;
        }
        if (depth.value == 1) {
            // The subgroup of one id is closed; after the last id, the whole group is.
            if (++group == ids.size()) {
                reader.SkipPastClosingBrace();
                return;
            }
        } else if (depth.value == 2) {
            field = 0;  // a triple is closed
        }
    }
}

// Passes 3 to 5: the last number read is the pass's value; -1 when it reads none, or when that
// number does not fit in 32 bits.
std::int32_t ReadSingleValue(CommandLineReader& reader) {
    std::optional<Number> last;
    Depth depth;
    for (;;) {
        const auto token = reader.Next();
        if (token.kind == Kind::End) {
            break;
        }
        if (token.kind == Kind::Number) {
            last = token.number;
        } else if (depth.Apply(token.kind)) {
            break;
        }
    }
    if (!last || !last->value) {
        return -1;
    }
    return static_cast<std::int32_t>(*last->value);
}

std::int32_t WithinOr(std::int32_t value, std::int32_t highest, std::int32_t fallback) {
    return value >= 0 && value <= highest ? value : fallback;
}

}  // namespace

int ParseCommandLine(std::string_view commandLine, CommandLineSettings& settings) {
    settings = CommandLineSettings{};
    CommandLineReader reader(commandLine);

    const auto ids = ReadDeviceIds(reader);
    if (ids.empty()) {
        return 0;
    }
    ReadBoardPositions(reader, ids, settings);
    settings.firstCom = ReadSingleValue(reader);
    settings.rxTriggerIndex = ReadSingleValue(reader);
    settings.txFifoIndex = ReadSingleValue(reader);

    if (settings.firstCom != -1) {
        settings.rxTriggerIndex = WithinOr(settings.rxTriggerIndex, 3, DEFAULT_RX_TRIGGER_INDEX);
        settings.txFifoIndex = WithinOr(settings.txFifoIndex, 15, DEFAULT_TX_FIFO_INDEX);
    }
    return settings.count;
}

StartupPath DecideStartupPath(const CommandLineSettings& settings) {
    return settings.firstCom != -1 && settings.count == 1 ? StartupPath::Unattended
                                                          : StartupPath::MainDialog;
}

}  // namespace ovtb::panel
