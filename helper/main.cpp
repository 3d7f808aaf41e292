// m1ddc: reads or sets one value of an external monitor per run, for Velmar Monitor.
//   m1ddc get luminance|contrast|volume|red|green|blue|input|input-alt
//   m1ddc set luminance|contrast|volume|red|green|blue <0..100>
//   m1ddc set input-alt <vendor input code>
//   m1ddc set input <standard input code>
//   m1ddc get inputs
//   m1ddc display list
//   m1ddc display <id>|<n> <any get or set above>
// Without `display` a command acts on the default monitor: the one remembered, else the first that
// answers. `display list` prints one line per monitor that answers DDC/CI, the default first:
// "<n> <id> <name>", n its position from 1, id 16 lower-case hex digits that stay with the monitor
// across ports, restarts and mode settings (made from its maker, product, serial number and the
// name and serial text of its EDID), and its name to the end of the line. When helpers before this
// rule printed another id for the monitor, a line "<n> formerly <old-id>" with the same n follows
// its own. No monitor at all is no line and status 0, so a caller tells "none" from a failure by
// the status alone; the listing fails only when the monitors cannot be looked for (no permission on
// a display's bus, no libddcutil). A monitor whose bus another program holds stays listed, by the
// id and name remembered for it, while sysfs still shows it on that bus; a command for it fails
// with "The display's bus is busy: ...". A command for an id or a position no monitor has fails
// with "No display with id <id>".
// `get inputs` reads the monitor's capabilities string and prints the input-source codes (VCP 0x60)
// it lists, in decimal as `get input` prints one, on one line separated by single spaces; a
// string that lists none fails.
// With VELMAR_SIMULATED_MONITOR naming files (several separated by ':'), they stand in for the
// monitors.
#include "Cli.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

// Whoever started us may have left 0, 1 or 2 closed: the next file we open would take that number,
// and what we print would go into it, a monitor's bus device among them.
bool standardDescriptorsOpen() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) < 0 && errno == EBADF && ::open("/dev/null", O_RDWR) != fd) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (!standardDescriptorsOpen()) {
        return m1ddc::exitFailure;
    }
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const int status = m1ddc::run(arguments, std::getenv("VELMAR_SIMULATED_MONITOR"), std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : m1ddc::exitFailure;
}
