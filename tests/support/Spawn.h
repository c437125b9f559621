// Starting the helper programs of a test (servers, daemons, the programs under test).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace testenv {

// Starts `argv` (the program searched in PATH) with `env` applied: "NAME=value" sets, a bare
// "NAME" removes. With `log`, its stderr goes to that file. The child dies with the test
// process, so an aborted test leaves nothing running.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
            const std::string& log = {});

}  // namespace testenv
