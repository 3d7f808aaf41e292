#include "Capabilities.h"

#include <algorithm>
#include <charconv>

namespace m1ddc {

namespace {

constexpr int inputSourceFeature = 0x60;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char lowered(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Walks "name(value) name(value) ...", the shape of both the whole string and its vcp section,
// where a name may stand without a value and values nest.
class Entries {
public:
    explicit Entries(std::string_view text) : text_(text) {}

    struct Entry {
        std::string_view name;
        std::optional<std::string_view> value;
    };

    // The next entry; nothing at the end, or when the rest is malformed (then `broken()`).
    std::optional<Entry> next() {
        while (pos_ < text_.size() && isSpace(text_[pos_])) {
            ++pos_;
        }
        if (pos_ == text_.size()) {
            return std::nullopt;
        }
        const auto nameStart = pos_;
        while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '(' && text_[pos_] != ')') {
            ++pos_;
        }
        Entry entry{.name = text_.substr(nameStart, pos_ - nameStart), .value = std::nullopt};
        auto afterName = pos_;
        while (afterName < text_.size() && isSpace(text_[afterName])) {
            ++afterName;
        }
        if (afterName < text_.size() && text_[afterName] == '(') {
            std::size_t depth = 0;
            for (auto i = afterName; i < text_.size(); ++i) {
                depth += text_[i] == '(' ? 1 : 0;
                if (text_[i] == ')' && --depth == 0) {
                    entry.value = text_.substr(afterName + 1, i - afterName - 1);
                    pos_ = i + 1;
                    break;
                }
            }
            if (!entry.value) {
                broken_ = true; // an unclosed parenthesis
                return std::nullopt;
            }
        }
        if (entry.name.empty()) {
            broken_ = true; // a stray parenthesis
            return std::nullopt;
        }
        return entry;
    }

    bool broken() const { return broken_; }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    bool broken_ = false;
};

bool sameWord(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lowered(x) == lowered(y); });
}

// A feature code or a value in the vcp section: one or two hex digits (unsigned: from_chars
// would take a minus sign into a signed value).
std::optional<int> hexByte(std::string_view text) {
    unsigned value = 0;
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
    if (text.empty() || text.size() > 2 || stop != end || error != std::errc()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<std::string_view> section(std::string_view text, std::string_view name) {
    Entries entries(text);
    while (const auto entry = entries.next()) {
        if (sameWord(entry->name, name)) {
            return entry->value;
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<std::vector<int>> inputSourceCodes(std::string_view capabilities) {
    // The whole string is usually one parenthesised list; some displays leave the parentheses out.
    auto body = capabilities;
    while (!body.empty() && isSpace(body.front())) {
        body.remove_prefix(1);
    }
    while (!body.empty() && (isSpace(body.back()) || body.back() == '\0')) {
        body.remove_suffix(1);
    }
    if (body.size() >= 2 && body.front() == '(' && body.back() == ')') {
        body = body.substr(1, body.size() - 2);
    }
    const auto vcp = section(body, "vcp");
    if (!vcp) {
        return std::nullopt;
    }
    std::optional<std::string_view> inputs;
    Entries features(*vcp);
    while (const auto feature = features.next()) {
        if (hexByte(feature->name) == inputSourceFeature) {
            inputs = feature->value;
            break;
        }
    }
    if (!inputs) {
        return std::nullopt;
    }
    std::vector<int> codes;
    Entries values(*inputs);
    while (const auto value = values.next()) {
        const auto code = hexByte(value->name);
        if (!code || value->value) {
            return std::nullopt;
        }
        if (std::ranges::find(codes, *code) == codes.end()) {
            codes.push_back(*code);
        }
    }
    if (values.broken() || codes.empty()) {
        return std::nullopt;
    }
    return codes;
}

} // namespace m1ddc
