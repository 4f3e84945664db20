// SPDX-License-Identifier: GPL-3.0-or-later
#include "commandline.h"

#include <cstdio>
#include <dlfcn.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The folder of this executable, with a slash at the end.
std::string executableFolder()
{
    char path[4096];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0)
        return {};
    const std::string executable(path, std::size_t(length));
    return executable.substr(0, executable.rfind('/') + 1);
}

// The program's window, tray and capture live in a module of their own,
// beside this executable in the build tree and in the library folder once
// installed.
int runProgram(int argc, char **argv)
{
    const std::string folder = executableFolder();
    void *module = nullptr;
    for (const char *relative : {"", QUILLET_MODULE_FROM_BINDIR "/"}) {
        const std::string candidate = folder + relative + "quillet-program.so";
        if (::access(candidate.c_str(), R_OK) == 0) {
            module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            break;
        }
    }
    using Entry = int (*)(int, char **);
    const auto entry =
        module ? reinterpret_cast<Entry>(::dlsym(module, "quilletRunProgram")) : nullptr;
    if (!entry) {
        const char *error = module ? ::dlerror() : "quillet-program.so is missing";
        std::fprintf(stderr, "Quillet: cannot load the program: %s\n", error);
        return 1;
    }
    return entry(argc, argv);
}

} // namespace

int main(int argc, char **argv)
{
    // Everything this program creates (history, lock, socket, tokens) is for
    // its user alone, from the moment it exists.
    ::umask(S_IRWXG | S_IRWXO);
    if (quillet::app::CommandLine::isCommand(argc))
        return quillet::app::CommandLine::run(argc, argv);
    return runProgram(argc, argv);
}
