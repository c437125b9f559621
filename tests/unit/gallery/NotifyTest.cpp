// FolderNotifyThread on real inotify: what is reported, to whom, and when not.
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <future>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QObject>
#include <qtestsupport_core.h>

#include "app/gallery/Notify.h"
#include "support/TestEnvironment.h"

using gallery::FolderNotifyThread;
using namespace std::chrono_literals;

namespace {

// Counts the messages the watcher posts (called on the watcher's thread).
class MessageCounter {
  public:
    FolderNotifyThread::PostFn target() {
        return [this](uint32_t message) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (message == gallery::WM_FOLDERCHANGED) {
                ++count_;
            }
            cv_.notify_all();
        };
    }
    // Waits until at least `n` messages arrived; false after the timeout.
    bool waitFor(int n, std::chrono::milliseconds timeout = 3s) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, timeout, [&] { return count_ >= n; });
    }
    int count() {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    int count_ = 0;
};

// The descriptor number the n-th next open would get (descriptors are given lowest first).
int nthFreeDescriptor(int n) {
    std::vector<int> opened;
    for (int i = 0; i < n; ++i) {
        opened.push_back(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    }
    for (const int fd : opened) {
        ::close(fd);
    }
    return opened.back();
}

// A quiet period in which no message may arrive: several of the watcher's passes.
constexpr auto kQuiet = 400ms;

// Written elsewhere and renamed in: exactly one change event in the folder.
void dropFile(const std::string& folder, const std::string& name) {
    const std::string staging = testenv::tempDir() + "/" + name;
    testenv::writeFile(staging, "data");
    std::filesystem::rename(staging, folder + "/" + name);
}

}  // namespace

TEST(FolderNotifyThread, CopiedFileIsReportedOnlyOnceATargetIsSet) {
    std::atomic<bool> stop{false}, recording{false};
    const std::string pictures = testenv::picturesDir();
    MessageCounter counter;
    FolderNotifyThread watcher(pictures, testenv::videosDir(), stop, recording);
    EXPECT_EQ(watcher.watchCount(), 2);

    dropFile(pictures, "Picture0001.jpg");
    std::this_thread::sleep_for(kQuiet);
    watcher.setNotifyTarget(counter.target());
    std::this_thread::sleep_for(kQuiet);
    EXPECT_EQ(counter.count(), 0) << "changes before the target was set are not posted later";

    testenv::writeFile(pictures + "/Picture0002.jpg", std::string(100000, 'x'));  // copied in
    EXPECT_TRUE(counter.waitFor(1));

    stop = true;
}

TEST(FolderNotifyThread, VideoFolderIsIgnoredWhileRecordingAndReportedOnceAfter) {
    std::atomic<bool> stop{false}, recording{true};
    MessageCounter counter;
    FolderNotifyThread watcher(testenv::picturesDir(), testenv::videosDir(), stop, recording);
    watcher.setNotifyTarget(counter.target());

    dropFile(testenv::videosDir(), "Movie0001.avi");
    dropFile(testenv::videosDir(), "Movie0002.avi");
    std::this_thread::sleep_for(kQuiet);
    EXPECT_EQ(counter.count(), 0);

    dropFile(testenv::picturesDir(), "Picture0001.jpg");  // the picture folder is still watched
    ASSERT_TRUE(counter.waitFor(1));
    std::this_thread::sleep_for(kQuiet);
    EXPECT_EQ(counter.count(), 1);

    recording = false;
    ASSERT_TRUE(counter.waitFor(2));
    std::this_thread::sleep_for(kQuiet);
    EXPECT_EQ(counter.count(), 2) << "the changes during the recording make one message";
}

TEST(FolderNotifyThread, SameFolderHasOneWatchAndOneMessagePerChange) {
    std::atomic<bool> stop{false}, recording{false};
    MessageCounter counter;
    FolderNotifyThread watcher(testenv::picturesDir(), testenv::picturesDir(), stop, recording);
    EXPECT_EQ(watcher.watchCount(), 1);
    watcher.setNotifyTarget(counter.target());
    dropFile(testenv::picturesDir(), "Movie0001.avi");
    ASSERT_TRUE(counter.waitFor(1));
    std::this_thread::sleep_for(kQuiet);
    EXPECT_EQ(counter.count(), 1);

    // The same folder while recording is still the picture folder: watched.
    recording = true;
    dropFile(testenv::picturesDir(), "Movie0002.avi");
    EXPECT_TRUE(counter.waitFor(2));
}

TEST(FolderNotifyThread, StopsWithTheFlagOrOnDestruction) {
    std::atomic<bool> stop{false}, recording{false};
    {
        FolderNotifyThread watcher(testenv::picturesDir(), testenv::videosDir(), stop, recording);
        EXPECT_TRUE(watcher.running());
        stop = true;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher.running(); }, 3000));
    }
    stop = false;
    {
        // Without the flag the destructor wakes the loop itself (it would otherwise never end).
        FolderNotifyThread watcher(testenv::picturesDir(), testenv::videosDir(), stop, recording);
        EXPECT_TRUE(watcher.running());
    }
    {
        // Descriptors run out after the two watches, so the wake-up's eventfd fails: the
        // destructor must end the loop all the same.
        rlimit saved{};
        ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
        rlimit tight = saved;
        tight.rlim_cur = static_cast<rlim_t>(nthFreeDescriptor(3));
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        auto watcher = std::make_unique<FolderNotifyThread>(testenv::picturesDir(),
                                                            testenv::videosDir(), stop, recording);
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
        ASSERT_EQ(watcher->watchCount(), 2);
        auto destroyed = std::async(std::launch::async, [&] { watcher.reset(); });
        const bool ended = destroyed.wait_for(3s) == std::future_status::ready;
        stop = true;  // lets a destructor that waits for the flag return, so the test ends
        destroyed.wait();
        stop = false;
        EXPECT_TRUE(ended) << "the destructor hung without its wake-up";
    }
    // Neither folder can be watched: the thread ends at once.
    FolderNotifyThread none(testenv::root() + "/gone1", testenv::root() + "/gone2", stop,
                            recording);
    EXPECT_EQ(none.watchCount(), 0);
    EXPECT_FALSE(none.running());
    // One folder, which cannot be watched: the loop only waits for the stop.
    FolderNotifyThread idle(testenv::root() + "/gone1", "", stop, recording);
    EXPECT_TRUE(idle.running());
}

TEST(FolderNotifyThread, PostsAnEventToAWindowObject) {
    std::atomic<bool> stop{false}, recording{false};
    struct Window : QObject {
        int received = 0;
        bool event(QEvent* e) override {
            if (e->type() == gallery::kFolderChangedEvent) {
                ++received;
                return true;
            }
            return QObject::event(e);
        }
    } window;
    FolderNotifyThread watcher(testenv::picturesDir(), testenv::videosDir(), stop, recording);
    watcher.setNotifyWindow(&window);
    dropFile(testenv::videosDir(), "Movie0003.avi");
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.received > 0; }, 3000));
    EXPECT_EQ(window.received, 1);
    watcher.setNotifyWindow(nullptr);
}
