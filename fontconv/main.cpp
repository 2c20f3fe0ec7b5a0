#include "fontconv/command_flow.h"
#include "fontconv/process_setup.h"

#include <clocale>
#include <cstdlib>
#include <iostream>
#include <unistd.h>

int main(int argc, char** argv) {
    if (!zuvfntc::prepareProcess(std::getenv("ZUVFNTC_CORE_DUMPS"))) {
        return 1;
    }
    std::setlocale(LC_ALL, "");
    zuvfntc::RunEnvironment environment{".", zuvfntc::terminalCharset(), STDIN_FILENO};
    return zuvfntc::runConverter(std::vector<std::string>(argv + 1, argv + argc), std::cin, std::cout, environment);
}
