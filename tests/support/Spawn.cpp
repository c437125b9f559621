// fork and exec, with the child's environment and stderr set up between the two.
#include "Spawn.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace testenv {

pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
            const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        for (const std::string& e : env) {
            const size_t eq = e.find('=');
            if (eq == std::string::npos) {
                ::unsetenv(e.c_str());
            } else {
                ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
            }
        }
        if (!log.empty() && std::freopen(log.c_str(), "w", stderr) == nullptr) {
            ::_exit(126);
        }
        std::vector<char*> args;
        for (const std::string& a : argv) {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

}  // namespace testenv
