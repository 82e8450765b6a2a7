#include <string>
#include <vector>

#include "app/entry.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    // The arguments as UTF-8, alive for the whole run as argv would be.
    static std::vector<std::string> arguments = platform::commandLineArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments) pointers.push_back(&argument[0]);
    pointers.push_back(nullptr);
    return SDL_main(int(arguments.size()), pointers.data());
}
