// m1ddc: reads or sets one value of the external monitor per run, for Velmar Monitor.
//   m1ddc get luminance|contrast|volume|red|green|blue|input|input-alt
//   m1ddc set luminance|contrast|volume|red|green|blue <0..100>
//   m1ddc set input-alt <vendor input code>
// With VELMAR_SIMULATED_MONITOR naming a file, that file stands in for the monitor.
#include "Cli.h"

#include <cstdlib>
#include <iostream>
#include <string_view>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    const int status = m1ddc::run(arguments, std::getenv("VELMAR_SIMULATED_MONITOR"), std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : m1ddc::exitFailure;
}
