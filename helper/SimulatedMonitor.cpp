// A simulated monitor keeps its state in a file named by VELMAR_SIMULATED_MONITOR, a flat JSON
// object with one integer per attribute word, and optionally the monitor's name and serial number:
//
//   {
//     "name": "Velmar Studio 27",
//     "serial": 1,
//     "luminance": 70,
//     "contrast": 70,
//     "volume": 30,
//     "red": 50,
//     "green": 50,
//     "blue": 50,
//     "input-alt": 144,
//     "input": 17
//   }
//
// The six percentages are 0 to 100. "input-alt" is a vendor input code (208 DisplayPort,
// 210 USB-C, 144 HDMI 1, 145 HDMI 2) and "input" the standard code of the same port (15 or 16,
// 27, 17, 18). The name is one line of text; without a name or a serial the monitor takes those of
// its place among the simulated monitors (see SimulatedDisplays), and neither is written then. A
// missing or blank file starts from the values above; a missing key takes its default (or, for
// one input code, follows the other).
//
// That is a Velmar monitor. "make": "other" makes it a monitor of another make, which has no
// vendor input register (reading or setting "input-alt" fails as on a real monitor without it)
// and switches through the standard feature alone, among the inputs it has:
//
//   {
//     "make": "other",
//     "inputs": [3, 15, 17],
//     "luminance": 70,
//     ...
//     "input": 17
//   }
//
// "inputs" lists its input-source codes (VCP 0x60, 1 to 27, each once) as its capabilities string
// does, by default 3 (DVI 1, an input the app has no name for), 15 (DisplayPort 1) and 17 (HDMI 1);
// "input" is one of them, HDMI 1 or else the first by default, and its file has no "input-alt".
// Unnamed, it is "Other Brand 24". "make" is written only for another make, and "velmar" is the
// default, so a Velmar monitor's file reads and is written as it always was.
//
// Anything else that is not such an object, an unknown key or make, a value out of range, two
// input codes naming different ports, an "inputs" on a Velmar monitor or an "input" not among its
// "inputs" is reported as an error and the file is left as it is, so a hand edit gone wrong is
// not silently thrown away.
//
// When a file "<file>.log" exists, every write that took is appended to it as a line such as
// "set luminance 40", so a test can see what reached the monitor; without it nothing is logged.
//
// Concurrent runs serialise on an exclusive flock of "<file>.lock" (not the state file itself,
// which is replaced on every write) and replace the state through a temporary file of their own
// beside it and a rename, so a reader never sees half a file. None of these files is opened through
// a symbolic link, and a state file larger than any hand edit needs is refused.
#include "SimulatedMonitor.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DdcPacket.h"
#include "MonitorCodes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <functional>
#include <iterator>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

namespace m1ddc {

namespace {

constexpr int minPercentage = 0;
constexpr int maxPercentage = 100;
// Far more than the file ever holds (about 150 bytes), hand edits and all.
constexpr std::size_t maxStateSize = 4096;
constexpr std::array stateOrder{Attribute::luminance, Attribute::contrast, Attribute::volume,
                                Attribute::red,       Attribute::green,    Attribute::blue,
                                Attribute::inputAlt,  Attribute::input};
// DVI 1, which the app has no name for, DisplayPort 1 and HDMI 1.
const std::vector<int> otherMakeInputs{0x03, 0x0F, 0x11};
constexpr int otherMakeInput = 0x11;
constexpr std::string_view velmarWord = "velmar";
constexpr std::string_view otherWord = "other";

// Reads the one shape of JSON a state file holds: an object of string keys and values that are
// integers, strings or lists of integers.
class FlatObjectReader {
public:
    explicit FlatObjectReader(std::string_view text) : text_(text) {}

    using Value = std::variant<int, std::string, std::vector<int>>;
    using Member = std::pair<std::string, Value>;

    std::variant<std::vector<Member>, std::string> read() {
        std::vector<Member> members;
        if (!consume('{')) {
            return expected("'{'");
        }
        if (consume('}')) {
            return finish(std::move(members));
        }
        while (true) {
            auto key = readString();
            if (!key) {
                return expected("a quoted key");
            }
            if (!consume(':')) {
                return expected("':'");
            }
            auto value = readValue();
            if (!value) {
                return expected("a value for \"" + *key + "\"");
            }
            members.emplace_back(std::move(*key), std::move(*value));
            if (consume('}')) {
                return finish(std::move(members));
            }
            if (!consume(',')) {
                return expected("',' or '}'");
            }
        }
    }

private:
    void skipSpace() {
        while (pos_ < text_.size() &&
               (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' || text_[pos_] == '\t')) {
            ++pos_;
        }
    }

    bool consume(char c) {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    // Keys are plain attribute words and a name has no quotes in it, so escapes are not needed
    // and refused.
    std::optional<std::string> readString() {
        if (!consume('"')) {
            return std::nullopt;
        }
        const auto end = text_.find_first_of("\"\\\n", pos_);
        if (end == std::string_view::npos || text_[end] != '"') {
            return std::nullopt;
        }
        std::string result(text_.substr(pos_, end - pos_));
        pos_ = end + 1;
        return result;
    }

    std::optional<Value> readValue() {
        skipSpace();
        if (pos_ < text_.size() && text_[pos_] == '"') {
            return readString();
        }
        if (consume('[')) {
            return readIntegers();
        }
        return readInteger();
    }

    // The rest of a list after its '['.
    std::optional<Value> readIntegers() {
        std::vector<int> values;
        if (consume(']')) {
            return values;
        }
        do {
            const auto value = readInteger();
            if (!value) {
                return std::nullopt;
            }
            values.push_back(*value);
        } while (consume(','));
        if (!consume(']')) {
            return std::nullopt;
        }
        return values;
    }

    std::optional<int> readInteger() {
        skipSpace();
        int value = 0;
        const char* begin = text_.data() + pos_;
        const char* end = text_.data() + text_.size();
        const auto [stop, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || (stop != end && (*stop == '.' || *stop == 'e' || *stop == 'E'))) {
            return std::nullopt;
        }
        pos_ += static_cast<std::size_t>(stop - begin);
        return value;
    }

    std::variant<std::vector<Member>, std::string> finish(std::vector<Member> members) {
        skipSpace();
        if (pos_ != text_.size()) {
            return "unexpected text after the object at offset " + std::to_string(pos_);
        }
        return members;
    }

    std::string expected(const std::string& what) {
        skipSpace();
        return "expected " + what + " at offset " + std::to_string(pos_);
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

bool isBlank(std::string_view text) {
    return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

std::string errnoText() {
    return std::strerror(errno);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }

private:
    int fd_;
};

std::string openFailure(const std::string& what, const std::filesystem::path& path) {
    return "Cannot " + what + " " + path.string() + ": " +
           (errno == ELOOP ? std::string("it is a symbolic link") : errnoText());
}

// The file's text, nullopt when it does not exist.
std::variant<std::optional<std::string>, Failure> readTextFile(const std::filesystem::path& path) {
    // Not waiting on a FIFO left in its place either.
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) {
        if (errno == ENOENT) {
            return std::optional<std::string>();
        }
        return Failure{openFailure("read the simulated monitor", path)};
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        return Failure{"Cannot read the simulated monitor " + path.string() + ": not a regular file"};
    }
    std::string text;
    char buffer[4096];
    while (text.size() <= maxStateSize) {
        const auto count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return Failure{"Cannot read the simulated monitor " + path.string() + ": " + errnoText()};
        }
        if (count == 0) {
            return std::optional<std::string>(std::move(text));
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return Failure{"The simulated monitor " + path.string() + " is larger than " +
                   std::to_string(maxStateSize) + " bytes"};
}

WriteOutcome replaceTextFile(const std::filesystem::path& path, std::string_view text) {
    // A name of its own for every writer, made without following a link someone left there.
    std::string temporary = path.string() + ".XXXXXX";
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0) {
        return Failure{"Cannot write the simulated monitor " + temporary + ": " + errnoText()};
    }
    std::optional<Failure> failure;
    {
        const FileDescriptor file(fd);
        std::size_t done = 0;
        while (done < text.size()) {
            const auto count = ::write(file.get(), text.data() + done, text.size() - done);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count < 0) {
                failure = Failure{"Cannot write the simulated monitor " + temporary + ": " + errnoText()};
                break;
            }
            done += static_cast<std::size_t>(count);
        }
    }
    if (!failure && ::rename(temporary.c_str(), path.c_str()) != 0) {
        failure = Failure{"Cannot replace the simulated monitor " + path.string() + ": " + errnoText()};
    }
    if (failure) {
        ::unlink(temporary.c_str());
    }
    return failure;
}

// Waits for another run to let go of the lock, within SimulatedMonitor::lockPatience.
std::optional<Failure> takeLock(const FileDescriptor& lock, const std::filesystem::path& stateFile,
                                Clock& clock) {
    const auto deadline = clock.now() + SimulatedMonitor::lockPatience;
    while (::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR) {
            continue;
        }
        if (errno != EWOULDBLOCK) {
            return Failure{"Cannot lock the simulated monitor " + stateFile.string() + ": " + errnoText()};
        }
        if (clock.now() + SimulatedMonitor::lockPoll > deadline) {
            return Failure{"The simulated monitor " + stateFile.string() + " is in use by another program"};
        }
        clock.sleep(SimulatedMonitor::lockPoll);
    }
    return std::nullopt;
}

// Runs `change` on the state under the lock and saves the result when it differs from the file.
std::variant<SimulatedState, Failure> transact(const std::filesystem::path& stateFile, Clock& clock,
                                               const std::function<WriteOutcome(SimulatedState&)>& change) {
    auto lockPath = stateFile;
    lockPath += ".lock";
    const FileDescriptor lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!lock.valid()) {
        return Failure{openFailure("open the simulated monitor's lock", lockPath)};
    }
    if (auto failure = takeLock(lock, stateFile, clock)) {
        return std::move(*failure);
    }

    auto text = readTextFile(stateFile);
    if (auto* failure = std::get_if<Failure>(&text)) {
        return std::move(*failure);
    }
    const auto& content = std::get<std::optional<std::string>>(text);
    const bool mustCreate = !content || isBlank(*content);
    auto parsed = parseSimulatedState(content.value_or(""));
    if (auto* failure = std::get_if<Failure>(&parsed)) {
        return Failure{"The simulated monitor " + stateFile.string() + " is invalid: " + failure->reason};
    }
    auto state = std::get<SimulatedState>(parsed);
    const auto before = state;
    if (auto failure = change(state)) {
        return std::move(*failure);
    }
    if (mustCreate || state != before) {
        if (auto failure = replaceTextFile(stateFile, formatSimulatedState(state))) {
            return std::move(*failure);
        }
    }
    return state;
}

} // namespace

SimulatedState SimulatedState::defaults() {
    SimulatedState state;
    state.setValue(Attribute::luminance, 70);
    state.setValue(Attribute::contrast, 70);
    state.setValue(Attribute::volume, 30);
    state.setValue(Attribute::red, 50);
    state.setValue(Attribute::green, 50);
    state.setValue(Attribute::blue, 50);
    state.setValue(Attribute::inputAlt, 0x90);
    state.setValue(Attribute::input, 17);
    return state;
}

namespace {

// "make" first, wherever it stands in the object: it decides what the other keys may say.
std::variant<SimulatedMake, Failure> makeIn(const std::vector<FlatObjectReader::Member>& members) {
    std::optional<SimulatedMake> make;
    for (const auto& [key, value] : members) {
        if (key != "make") {
            continue;
        }
        if (make) {
            return Failure{"\"make\" appears twice"};
        }
        const auto* word = std::get_if<std::string>(&value);
        if (!word || (*word != velmarWord && *word != otherWord)) {
            return Failure{"\"make\" is neither \"velmar\" nor \"other\""};
        }
        make = *word == velmarWord ? SimulatedMake::velmar : SimulatedMake::other;
    }
    return make.value_or(SimulatedMake::velmar);
}

std::variant<std::vector<int>, Failure> inputsIn(const FlatObjectReader::Value& value) {
    const auto* codes = std::get_if<std::vector<int>>(&value);
    if (!codes || codes->empty()) {
        return Failure{"\"inputs\" is not a list of input codes"};
    }
    for (auto code = codes->begin(); code != codes->end(); ++code) {
        if (!isInputSourceCode(*code)) {
            return Failure{"\"inputs\" has " + std::to_string(*code) + ", not an input code 1 to 27"};
        }
        if (std::find(codes->begin(), code, *code) != code) {
            return Failure{"\"inputs\" has " + std::to_string(*code) + " twice"};
        }
    }
    return *codes;
}

// The input codes of a Velmar monitor: both known, of one port, the missing one following the
// other.
std::optional<Failure> settleVelmarInputs(SimulatedState& state, bool hasVendor, bool hasStandard) {
    const int vendor = state.value(Attribute::inputAlt);
    const int standard = state.value(Attribute::input);
    if (hasVendor && !standardInputForVendorCode(vendor)) {
        return Failure{"\"input-alt\" " + std::to_string(vendor) + " is not a known input code"};
    }
    if (hasStandard && !vendorCodeForStandardInput(standard)) {
        return Failure{"\"input\" " + std::to_string(standard) + " is not a known input code"};
    }
    if (hasVendor && hasStandard && vendorCodeForStandardInput(standard) != vendor) {
        return Failure{"\"input\" " + std::to_string(standard) + " and \"input-alt\" " +
                       std::to_string(vendor) + " name different inputs"};
    }
    if (hasVendor && !hasStandard) {
        state.setValue(Attribute::input, *standardInputForVendorCode(vendor));
    } else if (hasStandard && !hasVendor) {
        state.setValue(Attribute::inputAlt, *vendorCodeForStandardInput(standard));
    }
    return std::nullopt;
}

// The input of another make's monitor: one it has.
std::optional<Failure> settleOtherMakeInput(SimulatedState& state, bool hasStandard) {
    const auto has = [&state](int code) {
        return std::ranges::find(state.inputs, code) != state.inputs.end();
    };
    if (!hasStandard) {
        state.setValue(Attribute::input, has(otherMakeInput) ? otherMakeInput : state.inputs.front());
    } else if (!has(state.value(Attribute::input))) {
        return Failure{"\"input\" " + std::to_string(state.value(Attribute::input)) +
                       " is not among its \"inputs\""};
    }
    state.setValue(Attribute::inputAlt, 0);
    return std::nullopt;
}

} // namespace

std::variant<SimulatedState, Failure> parseSimulatedState(std::string_view text) {
    auto state = SimulatedState::defaults();
    if (isBlank(text)) {
        return state;
    }
    auto read = FlatObjectReader(text).read();
    if (auto* error = std::get_if<std::string>(&read)) {
        return Failure{std::move(*error)};
    }
    const auto& members = std::get<std::vector<FlatObjectReader::Member>>(read);
    auto make = makeIn(members);
    if (auto* failure = std::get_if<Failure>(&make)) {
        return std::move(*failure);
    }
    state.make = std::get<SimulatedMake>(make);
    const bool velmar = state.make == SimulatedMake::velmar;
    if (!velmar) {
        state.inputs = otherMakeInputs;
    }

    std::array<bool, std::tuple_size_v<decltype(state.values)>> seen{};
    bool inputsSeen = false;
    for (const auto& [key, value] : members) {
        const auto* number = std::get_if<int>(&value);
        const auto* string = std::get_if<std::string>(&value);
        if (key == "make") {
            continue;
        }
        if (key == "inputs") {
            if (velmar) {
                return Failure{"\"inputs\" is for a monitor of another make, with \"make\": \"other\""};
            }
            if (inputsSeen) {
                return Failure{"\"inputs\" appears twice"};
            }
            inputsSeen = true;
            auto inputs = inputsIn(value);
            if (auto* failure = std::get_if<Failure>(&inputs)) {
                return std::move(*failure);
            }
            state.inputs = std::get<std::vector<int>>(std::move(inputs));
            continue;
        }
        if (key == "name" || key == "serial") {
            if (key == "name" ? state.name.has_value() : state.serial.has_value()) {
                return Failure{"\"" + key + "\" appears twice"};
            }
            // The name ends a line of `display list`.
            if (key == "name" && (!string || string->empty() ||
                                  std::ranges::any_of(*string, [](unsigned char c) { return c < 0x20; }))) {
                return Failure{"\"name\" is not one line of text"};
            }
            if (key == "serial" && !number) {
                return Failure{"\"serial\" is not an integer"};
            }
            if (key == "name") {
                state.name = *string;
            } else {
                state.serial = *number;
            }
            continue;
        }
        const auto attribute = attributeFromWord(key);
        if (!attribute) {
            return Failure{"unknown key \"" + key + "\""};
        }
        if (*attribute == Attribute::inputAlt && !velmar) {
            return Failure{
                "\"input-alt\" is a Velmar monitor's: one of another make has no vendor input register"};
        }
        if (!number) {
            return Failure{"\"" + key + "\" is not an integer"};
        }
        auto& wasSeen = seen[static_cast<std::size_t>(*attribute)];
        if (wasSeen) {
            return Failure{"\"" + key + "\" appears twice"};
        }
        wasSeen = true;
        if (isPercentage(*attribute) && (*number < minPercentage || *number > maxPercentage)) {
            return Failure{"\"" + key + "\" is " + std::to_string(*number) + ", outside 0 to 100"};
        }
        state.setValue(*attribute, *number);
    }

    const bool hasStandard = seen[static_cast<std::size_t>(Attribute::input)];
    auto failure =
        velmar ? settleVelmarInputs(state, seen[static_cast<std::size_t>(Attribute::inputAlt)], hasStandard)
               : settleOtherMakeInput(state, hasStandard);
    if (failure) {
        return std::move(*failure);
    }
    return state;
}

std::string formatSimulatedState(const SimulatedState& state) {
    std::string text = "{\n";
    if (state.name) {
        text += "  \"name\": \"" + *state.name + "\",\n";
    }
    if (state.serial) {
        text += "  \"serial\": " + std::to_string(*state.serial) + ",\n";
    }
    const bool velmar = state.make == SimulatedMake::velmar;
    if (!velmar) {
        text += "  \"make\": \"" + std::string(otherWord) + "\",\n  \"inputs\": [";
        for (std::size_t i = 0; i < state.inputs.size(); ++i) {
            text += (i == 0 ? "" : ", ") + std::to_string(state.inputs[i]);
        }
        text += "],\n";
    }
    std::string values;
    for (const auto attribute : stateOrder) {
        if (velmar || attribute != Attribute::inputAlt) {
            values += std::string(values.empty() ? "" : ",\n") + "  \"" + std::string(wordOf(attribute)) +
                      "\": " + std::to_string(state.value(attribute));
        }
    }
    return text + values + "\n}\n";
}

std::string_view simulatedModelName(SimulatedMake make) {
    return make == SimulatedMake::velmar ? "Velmar Studio 27" : "Other Brand 24";
}

std::string simulatedCapabilities(const SimulatedState& state) {
    const bool velmar = state.make == SimulatedMake::velmar;
    std::vector<int> codes = state.inputs;
    if (velmar) {
        for (const auto& row : MonitorCodes::inputs) {
            std::copy_if(row.standardCodes.begin(), row.standardCodes.end(), std::back_inserter(codes),
                         [](int code) { return code != 0; });
        }
    }
    std::string inputs;
    for (const int code : codes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", code);
        inputs += (inputs.empty() ? "" : " ") + std::string(hex);
    }
    // The vendor input register, F4, is a Velmar monitor's alone.
    return "(prot(monitor)type(LCD)model(" +
           state.name.value_or(std::string(simulatedModelName(state.make))) +
           ")cmds(01 02 03 07 0C E3 F3)vcp(02 04 05 08 10 12 14(05 08 0B) 16 18 1A 60(" + inputs +
           ") 62 AC AE B6 C6 C8 C9 D6(01 04 05) DF" + (velmar ? " F4" : "") + ")mccs_ver(2.2))";
}

ReadOutcome applyRead(const SimulatedState& state, Attribute attribute) {
    if (attribute == Attribute::inputAlt && state.make != SimulatedMake::velmar) {
        return Failure{"Cannot read input-alt: " +
                       std::string(ddc::describe(ddc::ReplyError::unsupportedFeature))};
    }
    return state.value(attribute);
}

WriteOutcome applyWrite(SimulatedState& state, Attribute attribute, int value) {
    // Another make has neither the vendor register nor the Velmar monitor's table of inputs. A real
    // monitor ignores a write to a register it lacks, unseen by the helper; the simulation sees it,
    // and fails it as a read of it fails, so that no one is told of a switch that never happened.
    if (state.make != SimulatedMake::velmar &&
        (attribute == Attribute::input || attribute == Attribute::inputAlt)) {
        if (attribute == Attribute::inputAlt) {
            return Failure{"Cannot set input-alt: " +
                           std::string(ddc::describe(ddc::ReplyError::unsupportedFeature))};
        }
        if (std::ranges::find(state.inputs, value) == state.inputs.end()) {
            return Failure{"The monitor has no input with standard code " + std::to_string(value)};
        }
        state.setValue(Attribute::input, value);
        return std::nullopt;
    }
    // A switch through the standard feature shows the input as written, DisplayPort's second port
    // included.
    if (attribute == Attribute::input) {
        const auto vendor = vendorCodeForStandardInput(value);
        if (!vendor) {
            return Failure{"The monitor has no input with standard code " + std::to_string(value)};
        }
        state.setValue(Attribute::input, value);
        state.setValue(Attribute::inputAlt, *vendor);
        return std::nullopt;
    }
    if (attribute == Attribute::inputAlt) {
        const auto standard = standardInputForVendorCode(value);
        if (!standard) {
            return Failure{"The monitor has no input with code " + std::to_string(value)};
        }
        // Selecting the input already shown changes nothing, so DisplayPort 2 stays 16.
        if (state.value(Attribute::inputAlt) != value) {
            state.setValue(Attribute::inputAlt, value);
            state.setValue(Attribute::input, *standard);
        }
        return std::nullopt;
    }
    if (value < minPercentage || value > maxPercentage) {
        return Failure{"Value " + std::to_string(value) + " for " + std::string(wordOf(attribute)) +
                       " is out of range 0 to 100"};
    }
    state.setValue(attribute, value);
    return std::nullopt;
}

namespace {

// Only an existing log is written: nobody asked for one otherwise.
void appendToLog(const std::filesystem::path& stateFile, Attribute attribute, int value) {
    const std::string path = stateFile.string() + ".log";
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    const std::string line = "set " + std::string(wordOf(attribute)) + " " + std::to_string(value) + "\n";
    [[maybe_unused]] const auto written = ::write(fd, line.data(), line.size());
    ::close(fd);
}

} // namespace

SimulatedMonitor::SimulatedMonitor(std::filesystem::path stateFile)
    : SimulatedMonitor(std::move(stateFile), steadyClock_) {}

SimulatedMonitor::SimulatedMonitor(std::filesystem::path stateFile, Clock& clock)
    : stateFile_(std::move(stateFile)), clock_(clock) {}

std::variant<SimulatedState, Failure> SimulatedMonitor::state() {
    return transact(stateFile_, clock_, [](SimulatedState&) { return WriteOutcome(); });
}

ReadOutcome SimulatedMonitor::read(Attribute attribute) {
    auto state = this->state();
    if (auto* failure = std::get_if<Failure>(&state)) {
        return std::move(*failure);
    }
    return applyRead(std::get<SimulatedState>(state), attribute);
}

WriteOutcome SimulatedMonitor::write(Attribute attribute, int value) {
    auto state =
        transact(stateFile_, clock_, [&](SimulatedState& s) { return applyWrite(s, attribute, value); });
    if (auto* failure = std::get_if<Failure>(&state)) {
        return std::move(*failure);
    }
    appendToLog(stateFile_, attribute, value);
    return std::nullopt;
}

std::variant<std::string, Failure> SimulatedMonitor::capabilities() {
    auto state = this->state();
    if (auto* failure = std::get_if<Failure>(&state)) {
        return std::move(*failure);
    }
    return simulatedCapabilities(std::get<SimulatedState>(state));
}

} // namespace m1ddc
