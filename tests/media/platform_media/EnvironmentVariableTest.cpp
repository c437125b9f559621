// The virtual-device variable as a user sets it: read by a fresh process before its first listing.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "platform/media/DeviceEnumerator.h"
#include "platform/media/MediaRuntime.h"

extern char** environ;

using namespace platform;
using namespace platform::media;

namespace {

// Runs only inside the child started below, where the variable was set before anything ran.
TEST(EnvironmentVariable, ChildListsWhatTheVariableSays) {
    const char* text = std::getenv("TWK_ENV_CHILD");
    if (text == nullptr) {
        GTEST_SKIP() << "runs in the child process of VariableConfiguresAFreshProcess";
    }
    // The test harness clears the variable for isolation; set it as a user would, before the
    // first listing of this process.
    ::setenv("TARNWICK_VIRTUAL_DEVICES", text, 1);
    ASSERT_TRUE(MediaRuntime::initialise());
    DeviceEnumerator::setRealDevicesEnabled(false);
    std::vector<Moniker> cams;
    ASSERT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::VideoInput, cams), S_Ok);
    ASSERT_EQ(cams.size(), 1u);
    std::string name;
    cams[0].readFriendlyName(name);
    EXPECT_EQ(name, "Desk Camera");
    EXPECT_NE(cams[0].displayName().find("vid_3a7b&pid_0b01"), std::string::npos);
    std::vector<Moniker> mics;
    ASSERT_EQ(DeviceEnumerator::createClassEnumerator(DeviceCategory::AudioInput, mics), S_Ok);
    ASSERT_EQ(mics.size(), 1u);
    Filter f;
    EXPECT_EQ(mics[0].bindToObject(f), S_Ok);
}

TEST(EnvironmentVariable, VariableConfiguresAFreshProcess) {
    if (std::getenv("TWK_ENV_CHILD") != nullptr) {
        GTEST_SKIP();
    }
    int err[2];
    ASSERT_EQ(::pipe(err), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        env.emplace_back(*e);
    }
    env.emplace_back(
        "TWK_ENV_CHILD=camera:name=Desk Camera,vid=3a7b,pid=0b01;camera:vid=oops;"
        "microphone:name=Desk Microphone");
    std::vector<char*> envp;
    for (auto& s : env) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);
    std::string self = "/proc/self/exe";
    std::string filter = "--gtest_filter=EnvironmentVariable.ChildListsWhatTheVariableSays";
    char* argv[] = {self.data(), filter.data(), nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv, envp.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);
    std::string stderrText;
    char buf[4096];
    for (ssize_t n; (n = ::read(err[0], buf, sizeof buf)) > 0;) {
        stderrText.append(buf, static_cast<size_t>(n));
    }
    ::close(err[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << stderrText;
    EXPECT_NE(stderrText.find("[  PASSED  ] 1 test"), std::string::npos) << stderrText;
    // The malformed entry is reported and skipped; the others count.
    EXPECT_NE(stderrText.find("TARNWICK_VIRTUAL_DEVICES: skipped \"camera:vid=oops\""),
              std::string::npos)
        << stderrText;
}

}  // namespace
