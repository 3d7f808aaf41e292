// A scriptable stand-in for the m1ddc helper.
//
// It keeps its files in the directory it is started from (the tests start it through a
// symlink named m1ddc in a temporary directory):
//   log     one line per invocation: "<steady-clock ns>\t<pid>\t<arg>\t<arg>..."
//   state   "name=value" lines: the simulated monitor's values (luminance, contrast, volume,
//           red, green, blue, input-alt, input), and "inputs" when "get inputs" should answer
//           (the input-source codes its capabilities list, as the helper prints them)
//   displays optional "<id> <name>" lines, the default monitor first: the helper then answers
//           "display list" and "display <id-or-n> <command>", and each monitor keeps its values
//           in "state-<id>" (commands without "display" go to the first). A line "formerly <id>"
//           gives the monitor before it the id an older helper listed it under. Without the file
//           it is a helper of one monitor that knows no "display" command.
//   script  optional rules, first match wins:
//             <arg pattern...> = <response> [; <response> ...]
//           A pattern token is an argument or "*" for any one argument. The n-th invocation
//           that matches a rule gets its n-th response; the last one repeats. A response is
//           made of: out="text" err="text" exit=N delay=MS hang crash spam=BYTES wait=NAME
//           (spam writes that many filler bytes to both pipes before the output; wait holds
//           the helper until a file NAME exists in its directory, so a test decides when it ends)
//           ("\n", "\t", "\\", "\"" and "\xHH" escapes work in text). A response without
//           out, err or exit acts on the state like a monitor would (after its delay).
#include "MonitorCodes.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

struct Response {
    std::optional<std::string> out;
    std::optional<std::string> err;
    std::optional<int> exitCode;
    int delayMs = 0;
    size_t spamBytes = 0;
    std::string waitFor;
    bool hang = false;
    bool crash = false;
};

struct Rule {
    std::vector<std::string> pattern;
    std::vector<Response> responses;
};

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

std::vector<std::string> splitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::istringstream fields(line);
    for (std::string part; std::getline(fields, part, '\t');)
        parts.push_back(part);
    return parts;
}

bool matches(const std::vector<std::string>& pattern, const std::vector<std::string>& args) {
    const auto fits = [](const auto& token, const auto& arg) { return token == "*" || token == arg; };
    return pattern.size() == args.size() && std::equal(pattern.begin(), pattern.end(), args.begin(), fits);
}

std::string unescape(const std::string& text) {
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'x' && i + 2 <= text.size()) {
            result += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            result += next == 'n' ? '\n' : next == 't' ? '\t' : next;
        }
    }
    return result;
}

// Splits a response list at ';' outside double quotes, and a response at blanks outside quotes.
std::vector<std::string> splitOutsideQuotes(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && quoted && i + 1 < text.size()) {
            part += c;
            part += text[++i];
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        if (!quoted && (c == separator || (separator == ' ' && c == '\t'))) {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
            continue;
        }
        part += c;
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

std::string unquote(const std::string& value) {
    const bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    return unescape(quoted ? value.substr(1, value.size() - 2) : value);
}

Response parseResponse(const std::string& text) {
    Response response;
    for (const auto& token : splitOutsideQuotes(text, ' ')) {
        const auto eq = token.find('=');
        const std::string key = token.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : token.substr(eq + 1);
        if (key == "out")
            response.out = unquote(value);
        else if (key == "err")
            response.err = unquote(value);
        else if (key == "exit")
            response.exitCode = std::stoi(value);
        else if (key == "delay")
            response.delayMs = std::stoi(value);
        else if (key == "spam")
            response.spamBytes = std::stoul(value);
        else if (key == "wait")
            response.waitFor = value;
        else if (key == "hang")
            response.hang = true;
        else if (key == "crash")
            response.crash = true;
    }
    return response;
}

std::vector<Rule> parseScript(const std::string& text) {
    std::vector<Rule> rules;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        const auto eq = line.find(" = ");
        if (eq == std::string::npos)
            continue;
        Rule rule;
        std::istringstream pattern(line.substr(0, eq));
        rule.pattern.assign(std::istream_iterator<std::string>(pattern), {});
        for (const auto& response : splitOutsideQuotes(line.substr(eq + 3), ';'))
            rule.responses.push_back(parseResponse(response));
        if (rule.responses.empty())
            rule.responses.push_back({});
        rules.push_back(std::move(rule));
    }
    return rules;
}

// Earlier invocations that the rule matched, read from the log before this one is added.
size_t previousMatches(const std::string& log, const Rule& rule) {
    size_t count = 0;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        auto fields = splitTabs(line);
        fields.erase(fields.begin(), fields.begin() + std::min<size_t>(2, fields.size()));
        if (matches(rule.pattern, fields))
            ++count;
    }
    return count;
}

void appendLog(const std::string& path, const std::vector<std::string>& args) {
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::steady_clock::now().time_since_epoch())
                         .count();
    std::string line = std::to_string(now) + "\t" + std::to_string(::getpid());
    for (const auto& arg : args)
        line += "\t" + arg;
    line += "\n";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
        [[maybe_unused]] auto written = ::write(fd, line.data(), line.size());
        ::close(fd);
    }
}

std::map<std::string, std::string> readState(const std::string& path) {
    const auto& hdmi1 = MonitorCodes::codesOf(MonitorCodes::Input::hdmi1);
    std::map<std::string, std::string> state{{"luminance", "60"}, {"contrast", "70"}, {"volume", "30"},
                                             {"red", "50"},       {"green", "50"},    {"blue", "50"}};
    state["input-alt"] = std::to_string(hdmi1.vendorCode);
    state["input"] = std::to_string(hdmi1.standardCodes[0]);
    std::istringstream lines(readFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos)
            state[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return state;
}

void writeState(const std::string& path, const std::map<std::string, std::string>& state) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        for (const auto& [key, value] : state)
            out << key << '=' << value << '\n';
    }
    std::rename(temporary.c_str(), path.c_str());
}

int actOnState(const std::string& path, const std::vector<std::string>& args) {
    auto state = readState(path);
    if (args.size() == 2 && args[0] == "get" && state.count(args[1])) {
        std::printf("%s\n", state[args[1]].c_str());
        return 0;
    }
    if (args.size() == 3 && args[0] == "set" && state.count(args[1])) {
        state[args[1]] = args[2];
        // The monitor reports the input it switched to, as the first of its standard codes.
        const auto input = MonitorCodes::inputFromVendorCode(std::atoi(args[2].c_str()));
        if (args[1] == "input-alt" && input)
            state["input"] = std::to_string(MonitorCodes::codesOf(*input).standardCodes[0]);
        writeState(path, state);
        return 0;
    }
    std::fprintf(stderr, "fake m1ddc: unsupported command\n");
    return 1;
}

struct Display {
    std::string id;
    std::string name;
    std::string formerId;
};

std::vector<Display> readDisplays(const std::string& path) {
    std::vector<Display> displays;
    std::istringstream lines(readFile(path));
    std::string line;
    while (std::getline(lines, line)) {
        const auto blank = line.find(' ');
        const std::string first = line.substr(0, blank);
        const std::string rest = blank == std::string::npos ? "" : line.substr(blank + 1);
        if (first == "formerly" && !displays.empty())
            displays.back().formerId = rest;
        else if (!line.empty())
            displays.push_back({first, rest, {}});
    }
    return displays;
}

// The monitor a command is for, and the command without its "display <id>": nullopt after
// printing the helper's complaint when there is no such monitor.
std::optional<std::pair<std::string, std::vector<std::string>>> target(const std::string& dir,
                                                                       std::vector<std::string> args) {
    const auto displays = readDisplays(dir + "/displays");
    if (displays.empty() || args.empty() || args[0] != "display")
        return std::pair{displays.empty() ? dir + "/state" : dir + "/state-" + displays[0].id, args};
    if (args.size() < 3) {
        std::fprintf(stderr, "fake m1ddc: unsupported command\n");
        return std::nullopt;
    }
    const std::string selector = args[1];
    for (size_t i = 0; i < displays.size(); ++i) {
        if (displays[i].id == selector || std::to_string(i + 1) == selector) {
            args.erase(args.begin(), args.begin() + 2);
            return std::pair{dir + "/state-" + displays[i].id, args};
        }
    }
    std::fprintf(stderr, "No display with id %s\n", selector.c_str());
    return std::nullopt;
}

int listDisplays(const std::string& dir) {
    const auto displays = readDisplays(dir + "/displays");
    if (displays.empty()) {
        std::fprintf(stderr, "fake m1ddc: unsupported command\n");
        return 1;
    }
    for (size_t i = 0; i < displays.size(); ++i) {
        std::printf("%zu %s %s\n", i + 1, displays[i].id.c_str(), displays[i].name.c_str());
        if (!displays[i].formerId.empty())
            std::printf("%zu formerly %s\n", i + 1, displays[i].formerId.c_str());
    }
    return 0;
}

int act(const std::string& dir, const std::vector<std::string>& args) {
    if (args == std::vector<std::string>{"display", "list"})
        return listDisplays(dir);
    const auto command = target(dir, args);
    return command ? actOnState(command->first, command->second) : 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = directoryOf(argv[0]);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const std::string logPath = dir + "/log";

    const std::string previousLog = readFile(logPath);
    appendLog(logPath, args);

    std::optional<Response> response;
    for (const auto& rule : parseScript(readFile(dir + "/script"))) {
        if (matches(rule.pattern, args)) {
            response =
                rule.responses[std::min(previousMatches(previousLog, rule), rule.responses.size() - 1)];
            break;
        }
    }
    if (!response)
        return act(dir, args);

    if (response->delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(response->delayMs));
    if (!response->waitFor.empty()) {
        const std::string gate = dir + "/" + response->waitFor;
        while (::access(gate.c_str(), F_OK) != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (response->hang) {
        for (;;)
            ::pause();
    }
    if (response->crash) {
        std::signal(SIGSEGV, SIG_DFL);
        std::raise(SIGSEGV);
    }
    if (!response->out && !response->err && !response->exitCode)
        return act(dir, args);
    if (response->spamBytes > 0) {
        // More than a pipe holds: a client that only reads after exit would deadlock here.
        const std::string filler(response->spamBytes, 'x');
        std::fwrite(filler.data(), 1, filler.size(), stdout);
        std::fwrite(filler.data(), 1, filler.size(), stderr);
        std::fputc('\n', stdout);
    }
    if (response->out)
        std::fwrite(response->out->data(), 1, response->out->size(), stdout);
    if (response->err)
        std::fwrite(response->err->data(), 1, response->err->size(), stderr);
    return response->exitCode.value_or(0);
}
