// The single-instance lock: exclusive, private, released with its owner.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "platform/InstanceLock.h"
#include "support/TestEnvironment.h"

using platform::InstanceLock;

TEST(InstanceLock, SecondHolderIsRefusedUntilFirstEnds) {
    InstanceLock first;
    ASSERT_EQ(first.acquire("LockTestA"), InstanceLock::Result::Acquired);
    EXPECT_EQ(first.path(), testenv::runtimeDir() + "/LockTestA.lock");

    struct stat st {};
    ASSERT_EQ(::stat(first.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    // Another process sees the name taken.
    const pid_t child = ::fork();
    if (child == 0) {
        InstanceLock second;
        ::_exit(second.acquire("LockTestA") == InstanceLock::Result::AlreadyHeld ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    // A different name is independent.
    InstanceLock other;
    EXPECT_EQ(other.acquire("LockTestB"), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, MoveKeepsTheLockAndDestructionReleasesIt) {
    {
        InstanceLock a;
        ASSERT_EQ(a.acquire("LockTestC"), InstanceLock::Result::Acquired);
        InstanceLock b(std::move(a));
        EXPECT_FALSE(a.held());
        EXPECT_TRUE(b.held());
        InstanceLock probe;
        EXPECT_EQ(probe.acquire("LockTestC"), InstanceLock::Result::AlreadyHeld);
    }
    InstanceLock again;
    EXPECT_EQ(again.acquire("LockTestC"), InstanceLock::Result::Acquired);
}

TEST(InstanceLock, SymlinkAtLockPathIsNotFollowed) {
    const std::string target = testenv::root() + "/victim";
    testenv::writeFile(target, "keep");
    ASSERT_EQ(::symlink(target.c_str(), (testenv::runtimeDir() + "/LockTestD.lock").c_str()), 0);
    InstanceLock lock;
    EXPECT_EQ(lock.acquire("LockTestD"), InstanceLock::Result::Failed);
    EXPECT_EQ(testenv::readFile(target), "keep");
}
