#pragma once

// Every target starts from the small seed files under corpus/<target>/ when it is run
// without a corpus of its own. They are passed as -seed_inputs, not as a corpus folder,
// so that libFuzzer never writes the inputs it finds into the source tree.

#include <dirent.h>
#include <string>
#include <vector>

namespace FuzzSeeds {

inline void addSeedInputs(int *argc, char ***argv, const char *dir)
{
    for (int i = 1; i < *argc; ++i) {
        const std::string arg = (*argv)[i];
        if (arg.rfind("-seed_inputs=", 0) == 0 || (!arg.empty() && arg[0] != '-'))
            return; // the caller chose its own inputs
    }
    std::string list;
    if (DIR *d = opendir(dir)) {
        while (const dirent *e = readdir(d)) {
            if (e->d_name[0] == '.')
                continue;
            list += (list.empty() ? "" : ",") + std::string(dir) + "/" + e->d_name;
        }
        closedir(d);
    }
    if (list.empty())
        return;
    // libFuzzer reads the arguments after this returns; they must outlive the run.
    static std::string flag;
    static std::vector<char *> args;
    flag = "-seed_inputs=" + list;
    args.assign(*argv, *argv + *argc);
    args.push_back(flag.data());
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
}

} // namespace FuzzSeeds
