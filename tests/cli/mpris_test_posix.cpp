// korvo play on a private session bus (dbus-run-session), driven by the desktop's own client,
// playerctl: what it shows, what its commands change, what it is told as it happens.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "cli/mpris.h"
#include "net/stream_server.h"
#include "test_support.h"

extern char** environ;

namespace korvo {
namespace {

constexpr int kWaitMs = 30000;
constexpr char kNoServer[] = "no PulseAudio server could be reached (start one with scripts/pulse-null.sh)";

bool waitUntil(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string fileText(const std::string& path) {
    std::vector<uint8_t> bytes = test::readFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool onPath(const char* tool) {
    const std::string command = std::string("command -v ") + tool + " > /dev/null";
    return std::system(command.c_str()) == 0;
}

// A program run beside the test, its output in files; killed at the end of its scope.
class Child {
public:
    Child() = default;
    ~Child() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool start(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath) {
        std::vector<std::string> copy = args;
        std::vector<char*> argv;
        for (auto& a : copy) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int rc = posix_spawnp(&pid_, argv[0], &fa, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&fa);
        if (rc != 0) pid_ = -1;
        return rc == 0;
    }
    int pid() const { return pid_; }
    // The exit code once it ended within timeoutMs, else -1.
    int wait(int timeoutMs = kWaitMs) {
        int status = 0;
        if (pid_ <= 0 || !waitUntil([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, timeoutMs)) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

private:
    pid_t pid_ = -1;
};

// Sets an environment variable for its scope (nullptr: unsets it), and puts it back.
class EnvironmentChange {
public:
    EnvironmentChange(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvironmentChange() {
        if (old_) setenv(name_.c_str(), old_->c_str(), 1);
        else unsetenv(name_.c_str());
    }
    EnvironmentChange(const EnvironmentChange&) = delete;
    EnvironmentChange& operator=(const EnvironmentChange&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// A session bus of the test's own, for the test and every program it starts.
class PrivateBus {
public:
    explicit PrivateBus(const std::string& dir) : dir_(dir) {}
    ~PrivateBus() {
        // The session ends with its one program, and takes its bus along.
        const std::string pid = fileText(dir_ + "/pid");
        if (!pid.empty()) kill(std::atoi(pid.c_str()), SIGTERM);
        session_.wait();
    }
    bool start() {
        const std::string script = "echo \"$DBUS_SESSION_BUS_ADDRESS\" > '" + dir_ + "/address.tmp' && mv '" + dir_ +
                                   "/address.tmp' '" + dir_ + "/address' && echo $$ > '" + dir_ + "/pid' && exec sleep 600";
        if (!session_.start({"dbus-run-session", "--", "sh", "-c", script}, dir_ + "/session.out", dir_ + "/session.err"))
            return false;
        if (!waitUntil([&] { return !fileText(dir_ + "/address").empty() && !fileText(dir_ + "/pid").empty(); })) return false;
        std::string address = fileText(dir_ + "/address");
        while (!address.empty() && address.back() == '\n') address.pop_back();
        address_.emplace("DBUS_SESSION_BUS_ADDRESS", address.c_str());
        return true;
    }

private:
    std::string dir_;
    Child session_;
    std::optional<EnvironmentChange> address_;
};

struct ToolRun {
    int exitCode = -1;
    std::string out;
};

class MprisBus : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"dbus-run-session", "playerctl", "dbus-send"})
            if (!onPath(tool)) GTEST_SKIP() << tool << " is missing (scripts/deps.sh installs dbus and playerctl)";
        if (!std::getenv("PULSE_SERVER") && test::fileExists("/tmp/korvo-pulse/native"))
            setenv("PULSE_SERVER", "unix:/tmp/korvo-pulse/native", 1);
        dir_ = test::scratchDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        bus_ = std::make_unique<PrivateBus>(dir_);
        ASSERT_TRUE(bus_->start()) << "dbus-run-session did not start: " << fileText(dir_ + "/session.err");
    }
    void TearDown() override { bus_.reset(); }

    std::string media(const char* name) {
        const std::string p = test::mediaPath(std::string("mpris/") + name);
        EXPECT_TRUE(test::fileExists(p)) << p << " is missing (tests/media/mpris.sh makes it)";
        return p;
    }
    // korvo play ARGS... in the background; its stderr into NAME.err.
    void startKorvo(Child& korvo, const std::string& name, std::vector<std::string> args) {
        args.insert(args.begin(), {std::string(KORVO_BUILD_DIR) + "/korvo", "play"});
        ASSERT_TRUE(korvo.start(args, "/dev/null", dir_ + "/" + name + ".err"));
    }
    ToolRun tool(const std::vector<std::string>& args) {
        Child child;
        ToolRun run;
        const std::string out = dir_ + "/tool.out";
        if (!child.start(args, out, dir_ + "/tool.err")) return run;
        run.exitCode = child.wait();
        run.out = fileText(out);
        while (!run.out.empty() && run.out.back() == '\n') run.out.pop_back();
        return run;
    }
    ToolRun playerctl(const std::string& player, std::vector<std::string> args) {
        args.insert(args.begin(), {"playerctl", "-p", player});
        return tool(args);
    }
    // Waits until playerctl ARGS prints want; false (and the last answer in got) if it never does.
    bool shows(const std::vector<std::string>& args, const std::string& want, std::string& got) {
        return waitUntil([&] { return (got = playerctl("korvo", args).out) == want; });
    }
    bool listedNow(const std::string& name) {
        const std::string names = "\n" + tool({"playerctl", "-l"}).out + "\n";
        return names.find("\n" + name + "\n") != std::string::npos;
    }
    bool listed(const std::string& name) {
        return waitUntil([&] { return listedNow(name); });
    }
    // Waits until the korvo play whose stderr is NAME.err is on the bus as busName; false
    // when it found no sound server instead.
    bool onTheBus(const std::string& name, const std::string& busName) {
        bool noServer = false;
        EXPECT_TRUE(waitUntil([&] {
            noServer = fileText(dir_ + "/" + name + ".err").find("no sound server") != std::string::npos;
            return noServer || listedNow(busName);
        })) << busName << " never appeared: " << fileText(dir_ + "/" + name + ".err");
        return !noServer;
    }
    int quit(Child& korvo, const std::string& busName) {
        tool({"dbus-send", "--session", "--type=method_call", "--dest=" + busName, cli::kMprisObjectPath,
              "org.mpris.MediaPlayer2.Quit"});
        return korvo.wait();
    }
    // Whether the lines of a file hold these lines in this order (others may come between).
    static bool inOrder(const std::string& text, const std::vector<std::string>& lines) {
        size_t at = 0;
        for (const std::string& line : lines) {
            at = ("\n" + text).find("\n" + line + "\n", at);
            if (at == std::string::npos) return false;
            at += line.size();
        }
        return true;
    }

    std::string dir_;
    std::unique_ptr<PrivateBus> bus_;
};

TEST_F(MprisBus, PlayerctlShowsAndControlsAPlayingList) {
    Child follower;
    ASSERT_TRUE(follower.start({"playerctl", "-p", "korvo", "-F", "status"}, dir_ + "/status.out", dir_ + "/status.err"));
    Child korvo;
    startKorvo(korvo, "korvo", {media("first.mp3"), media("second.mp3")});
    if (!onTheBus("korvo", "korvo")) GTEST_SKIP() << kNoServer;

    std::string got;
    EXPECT_TRUE(shows({"metadata", "--format", "{{title}}|{{artist}}|{{album}}|{{xesam:url}}"},
                      "Morning Light|Aino Korvo|Night Drive|file://" + media("first.mp3"), got))
        << got;
    const ToolRun length = playerctl("korvo", {"metadata", "mpris:length"});
    EXPECT_NEAR(std::atof(length.out.c_str()), 40e6, 0.5e6) << length.out;
    // What names the player in the desktop's lists.
    auto rootProperty = [&](const char* name) {
        return tool({"dbus-send", "--session", "--print-reply=literal", std::string("--dest=") + cli::kMprisBusName,
                     cli::kMprisObjectPath, "org.freedesktop.DBus.Properties.Get", "string:org.mpris.MediaPlayer2",
                     std::string("string:") + name}).out;
    };
    EXPECT_EQ(rootProperty("Identity"), std::string("   variant       ") + cli::kMprisIdentity);
    EXPECT_EQ(rootProperty("DesktopEntry"), std::string("   variant       ") + cli::kMprisDesktopEntry);

    EXPECT_TRUE(shows({"status"}, "Playing", got)) << got;
    playerctl("korvo", {"play-pause"});
    EXPECT_TRUE(shows({"status"}, "Paused", got)) << got;
    playerctl("korvo", {"play-pause"});
    EXPECT_TRUE(shows({"status"}, "Playing", got)) << got;

    playerctl("korvo", {"position", "30"});
    EXPECT_TRUE(waitUntil([&] {
        const double at = std::atof(playerctl("korvo", {"position"}).out.c_str());
        return at >= 29.5 && at < 39;
    })) << playerctl("korvo", {"position"}).out;

    // 0.5 of fifteen steps is the eighth.
    playerctl("korvo", {"volume", "0.5"});
    EXPECT_TRUE(shows({"volume"}, "0.533333", got)) << got;

    EXPECT_TRUE(shows({"loop"}, "None", got)) << got;
    playerctl("korvo", {"loop", "Playlist"});
    EXPECT_TRUE(shows({"loop"}, "Playlist", got)) << got;
    EXPECT_NE(playerctl("korvo", {"loop", "Track"}).exitCode, 0) << "a repeat of one track is not the player's";
    playerctl("korvo", {"shuffle", "On"});
    EXPECT_TRUE(shows({"shuffle"}, "On", got)) << got;
    playerctl("korvo", {"shuffle", "Off"});
    EXPECT_TRUE(shows({"shuffle"}, "Off", got)) << got;

    playerctl("korvo", {"next"});
    EXPECT_TRUE(shows({"metadata", "title"}, "Second Song", got)) << got;
    playerctl("korvo", {"previous"});
    EXPECT_TRUE(shows({"metadata", "title"}, "Morning Light", got)) << got;
    playerctl("korvo", {"open", "file://" + media("second.mp3")});
    EXPECT_TRUE(shows({"metadata", "title"}, "Second Song", got)) << got;

    playerctl("korvo", {"stop"});
    EXPECT_TRUE(shows({"status"}, "Stopped", got)) << got;
    EXPECT_TRUE(waitUntil([&] { return inOrder(fileText(dir_ + "/status.out"), {"Playing", "Paused", "Playing", "Stopped"}); }))
        << "playerctl -F status saw:\n" << fileText(dir_ + "/status.out");
    playerctl("korvo", {"play"});
    EXPECT_TRUE(shows({"status"}, "Playing", got)) << got;

    EXPECT_EQ(quit(korvo, cli::kMprisBusName), 0) << fileText(dir_ + "/korvo.err");
}

// A second player takes the name with its process id; one told to stay off the bus is not there.
TEST_F(MprisBus, TwoPlayersAppearAndOneWithoutTheBusDoesNot) {
    Child first, second, third;
    startKorvo(first, "first", {media("first.mp3")});
    if (!onTheBus("first", "korvo")) GTEST_SKIP() << kNoServer;
    startKorvo(third, "third", {"--no-mpris", media("first.mp3")});
    startKorvo(second, "second", {media("second.mp3")});
    const std::string instance = "korvo.instance" + std::to_string(second.pid());
    ASSERT_TRUE(listed(instance)) << tool({"playerctl", "-l"}).out << fileText(dir_ + "/second.err");
    std::string got;
    EXPECT_TRUE(shows({"metadata", "title"}, "Morning Light", got)) << got;
    EXPECT_EQ(playerctl(instance, {"metadata", "title"}).out, "Second Song");
    // The third has started playing by now; it never shows up.
    ASSERT_TRUE(waitUntil([&] { return fileText(dir_ + "/third.err").find("[1/1]") != std::string::npos; }));
    std::string names = tool({"playerctl", "-l"}).out;
    const std::string both[] = {"korvo\n" + instance, instance + "\nkorvo"};
    EXPECT_TRUE(names == both[0] || names == both[1]) << names;
    EXPECT_EQ(quit(second, std::string(cli::kMprisBusName) + ".instance" + std::to_string(second.pid())), 0);
    EXPECT_EQ(quit(first, cli::kMprisBusName), 0);
}

// A station's song titles reach the panel as they change, the station's name as the album;
// stop and play change what korvo play --wav writes.
TEST_F(MprisBus, StreamTitlesAreAnnouncedAsTheyChange) {
    test::StreamServer server;
    ASSERT_TRUE(server.start(test::mediaPath("mpris")));
    Child follower;
    ASSERT_TRUE(follower.start({"playerctl", "-p", "korvo", "-F", "metadata", "--format", "{{title}}|{{album}}"},
                               dir_ + "/titles.out", dir_ + "/titles.err"));
    Child korvo;
    // Eight times the file's rate: a new title every eighth of a second.
    startKorvo(korvo, "korvo", {"--wav", dir_ + "/radio.wav", server.url("/radio/first.mp3?metaint=2000&change=1&rate=16000")});
    const std::string station = "|Korvo Test Radio";
    EXPECT_TRUE(waitUntil([&] {
        return inOrder(fileText(dir_ + "/titles.out"), {"Artist 1 - It's song 1 Café" + station,
                                                        "Artist 2 - It's song 2 Café" + station,
                                                        "Artist 3 - It's song 3" + station});
    })) << fileText(dir_ + "/titles.out") << fileText(dir_ + "/korvo.err");

    // Stop ends the file (it is put in place when complete); play opens the station again,
    // into the next file.
    std::string got;
    playerctl("korvo", {"stop"});
    EXPECT_TRUE(shows({"status"}, "Stopped", got)) << got;
    EXPECT_TRUE(waitUntil([&] { return test::fileExists(dir_ + "/radio.wav"); }));
    EXPECT_GT(test::readFileBytes(dir_ + "/radio.wav").size(), 44u);
    playerctl("korvo", {"play"});
    EXPECT_TRUE(waitUntil([&] { return fileText(dir_ + "/korvo.err").find("/radio-2.wav") != std::string::npos; }))
        << fileText(dir_ + "/korvo.err");
    EXPECT_EQ(quit(korvo, cli::kMprisBusName), 0) << fileText(dir_ + "/korvo.err");
}

// No session bus (a server, a container): korvo play says what it says with --no-mpris.
TEST_F(MprisBus, WithoutABusThePlayerPlaysAndSaysNothingOfIt) {
    const std::string wav = dir_ + "/out.wav";
    auto play = [&](const std::string& name, bool off) {
        std::vector<std::string> args = {std::string(KORVO_BUILD_DIR) + "/korvo", "play", "--wav", wav,
                                         test::mediaPath("playback/d22.mp2")};
        if (off) args.insert(args.begin() + 2, "--no-mpris");
        Child korvo;
        EXPECT_TRUE(korvo.start(args, "/dev/null", dir_ + "/" + name + ".err"));
        EXPECT_EQ(korvo.wait(), 0) << name;
        EXPECT_GT(test::readFileBytes(wav).size(), 44u) << name;
        return fileText(dir_ + "/" + name + ".err");
    };
    const std::string quiet = play("off", true);
    const std::string noBus = dir_ + "/no-bus";
    {
        EnvironmentChange gone("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + noBus).c_str());
        EXPECT_EQ(play("gone", false), quiet);
    }
    {
        // Where sd-bus looks without an address: a folder that holds no bus.
        EnvironmentChange unset("DBUS_SESSION_BUS_ADDRESS", nullptr);
        EnvironmentChange runtime("XDG_RUNTIME_DIR", dir_.c_str());
        EXPECT_EQ(play("unset", false), quiet);
    }
}

} // namespace
} // namespace korvo
