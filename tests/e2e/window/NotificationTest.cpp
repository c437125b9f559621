// What a desktop user sees of a start without a usable camera: the notification that a real
// notification service (dunst) on a private session bus shows under the test desktop, read back
// from its history, for each reason in both editions.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

#include "DesktopSession.h"
#include "support/Spawn.h"
#include "support/TestEnvironment.h"

namespace {

const char* kService = "org.freedesktop.Notifications";
const char* kPath = "/org/freedesktop/Notifications";

void stop(pid_t pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
}

// A session bus of the test's own. Its configuration starts no service on demand: the
// notification service runs only while the test runs it.
class PrivateBus {
  public:
    PrivateBus() {
        const std::string config = testenv::tempDir() + "/session-bus.conf";
        testenv::writeFile(config,
                           "<!DOCTYPE busconfig PUBLIC "
                           "\"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                           "\"http://www.freedesktop.org/standards/dbus/1.0/"
                           "busconfig.dtd\">\n<busconfig><type>session</type>"
                           "<listen>unix:dir=" +
                               testenv::tempDir() +
                               "</listen><auth>EXTERNAL</auth>"
                               "<policy context=\"default\"><allow send_destination=\"*\" "
                               "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                               "<allow own=\"*\"/></policy></busconfig>\n");
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        pid_ = testenv::spawn({"dbus-daemon", "--config-file=" + config, "--nofork", "--nopidfile",
                               "--print-address=" + std::to_string(fds[1])},
                              {});
        ::close(fds[1]);
        pollfd p{fds[0], POLLIN, 0};
        char buf[512];
        while (address_.find('\n') == std::string::npos && ::poll(&p, 1, 20000) > 0) {
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            address_.append(buf, static_cast<size_t>(n));
        }
        ::close(fds[0]);
        address_ = address_.substr(0, address_.find('\n'));
    }
    ~PrivateBus() { stop(pid_); }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    const std::string& address() const { return address_; }

  private:
    pid_t pid_ = -1;
    std::string address_;
};

struct Shown {
    int id = 0;
    std::string appName;
    std::string iconPath;
    std::string summary;
    std::string body;
};

// The notifications dunst has shown, as its own control commands read them: the displayed ones
// are closed first, which moves them into the history.
std::vector<Shown> history(QDBusConnection& bus) {
    const auto command = [&](const char* method) {
        return bus.call(
            QDBusMessage::createMethodCall(kService, kPath, "org.dunstproject.cmd0", method),
            QDBus::Block, 5000);
    };
    command("NotificationCloseAll");
    const QDBusMessage reply = command("NotificationListHistory");
    std::vector<Shown> shown;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return shown;
    }
    const QDBusArgument list = reply.arguments().at(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QVariantMap entry;
        list >> entry;
        shown.push_back({entry.value("id").toInt(), entry.value("appname").toString().toStdString(),
                         entry.value("icon_path").toString().toStdString(),
                         entry.value("summary").toString().toStdString(),
                         entry.value("body").toString().toStdString()});
    }
    list.endArray();
    return shown;
}

class NotificationTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(session.ready()) << "the desktop (Xvfb and its window manager) did not start";
        ASSERT_FALSE(bus.address().empty()) << "dbus-daemon did not start";
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Peekbox.conf",
                           "[General]\nCounter=1\n[SupportedCameras]\n1=1111 2222 4:3 YUY2 1\n");
        testenv::writeFile(testenv::configHome() + "/Tarnwick/Glimmer.conf",
                           "[General]\nCounter=1\n");
    }
    void TearDown() override { stop(service_); }

    // The notification service, finding the programs' icons where an icon theme would have them.
    bool startService() {
        testenv::writeFile(testenv::configHome() + "/dunst/dunstrc",
                           std::string("[global]\n    icon_path = ") +
                               std::getenv("PEEKBOX_SOURCE_DIR") + "/resources/desktop\n");
        service_ = testenv::spawn({"dunst"}, {"DISPLAY=" + session.display(),
                                              "DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
        return waitUntil([&] { return connection().interface()->isServiceRegistered(kService); },
                         20000, 50);
    }

    QDBusConnection connection() {
        return QDBusConnection::connectToBus(QString::fromStdString(bus.address()), "test-bus");
    }

    // Starts `program` on the desktop with `devices`; its exit code.
    int startWithout(const std::string& program, const std::string& devices) {
        std::vector<std::string> env{"DBUS_SESSION_BUS_ADDRESS=" + bus.address()};
        if (!devices.empty()) {
            env.push_back("TARNWICK_VIRTUAL_DEVICES=" + devices);
        }
        return session.start(program, env) ? session.waitExit(60) : -1;
    }

    // The notification shown after the one numbered `after`.
    Shown nextShown(int after) {
        QDBusConnection client = connection();
        Shown found;
        waitUntil(
            [&] {
                for (const Shown& s : history(client)) {
                    if (s.id > after) {
                        found = s;
                        return true;
                    }
                }
                return false;
            },
            10000, 100);
        return found;
    }

    DesktopSession session;
    PrivateBus bus;
    pid_t service_ = -1;
};

}  // namespace

// One notification per start, with the program's name and icon, the reason stderr gives and
// what the user can do; a bus without the service only leaves stderr.
TEST_F(NotificationTest, EachReasonInBothEditions) {
    EXPECT_EQ(startWithout("peekbox", ""), 0);  // nobody serves notifications yet
    ASSERT_TRUE(startService()) << "dunst did not take the notification service's name";

    const std::string settings = testenv::configHome() + "/Tarnwick/Peekbox.conf";
    const char* const peekbox = "Peekbox";
    const char* const glimmer = "Norvale Glimmer webcam";
    const struct Case {
        const char* program;
        const char* title;
        const char* devices;
        std::string body;
    } cases[] = {
        {"peekbox", peekbox, "", "no camera found\nConnect a camera and start Peekbox again."},
        {"peekbox", peekbox, "camera:name=Desk Webcam,vid=046d,pid=0825",
         "Desk Webcam 046d:0825 is not in the supported camera list\nTo try it, add this row to "
         "the [SupportedCameras] group of " +
             settings + ":\n2=046d 0825 4:3 YUY2 1"},
        {"peekbox", peekbox, "camera:name=Held Camera,busy=1",
         "Held Camera 3a7b:0a01 is supported but could not be started\nIf another program is "
         "using the camera, close that program and start Peekbox again."},
        {"glimmer", glimmer, "",
         "no camera found\nConnect a camera and start Norvale Glimmer webcam again."},
        {"glimmer", glimmer,
         "camera:name=Desk Webcam,vid=046d,pid=0825;camera:name=Side Cam,vid=1111,pid=2222",
         "Desk Webcam 046d:0825 is not in the supported camera list\n"
         "Side Cam 1111:2222 is not in the supported camera list\n"
         "Norvale Glimmer webcam works only with its own Norvale cameras."},
        {"glimmer", glimmer, "camera:name=Held Camera,busy=1",
         "Held Camera 3a7b:0d01 is supported but could not be started\nIf another program is "
         "using the camera, close that program and start Norvale Glimmer webcam again."},
    };
    int last = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.program) + " with \"" + c.devices + "\"");
        ASSERT_EQ(startWithout(c.program, c.devices), 0);
        const Shown shown = nextShown(last);
        ASSERT_GT(shown.id, last) << "no notification";
        last = shown.id;
        EXPECT_EQ(shown.appName, c.title);
        EXPECT_EQ(shown.summary, std::string(c.title) + " found no camera it can use");
        EXPECT_EQ(shown.body, c.body);
        EXPECT_NE(shown.iconPath.find(std::string("/") + c.program + ".svg"), std::string::npos)
            << shown.iconPath;
    }
    // One per start.
    QDBusConnection client = connection();
    EXPECT_EQ(history(client).size(), std::size(cases));
}
