// The native mf40ctl on the host's real files: no save can be turned against the user by what
// another user planted in a shared folder, a state file that cannot be read or saved is never
// taken for a usable one, runs at once on one state file lose nothing and wait for each other
// only where they must, saying so, and an interrupted save leaves nothing behind. Cases that
// depend on permissions, signals and locks run as an unprivileged user: a child process drops
// to "nobody" when the tests run as root.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <ext/stdio_filebuf.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "mf40ctl/HostFileOs.h"
#include "mf40ctl/HostMf40ctl.h"
#include "sim/DeviceStateFile.h"

namespace pd::ctl {
namespace {

namespace fs = std::filesystem;

// A folder that every user may write in, as a shared folder is.
class SharedFolder {
public:
    SharedFolder() {
        std::string pattern = (fs::temp_directory_path() / "mf40ctl-host-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
        ::chmod(path_.c_str(), 01777);
    }
    ~SharedFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string Read(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "<no file>";
    return std::string(std::istreambuf_iterator<char>(file), {});
}

void Write(const std::string& path, const std::string& text, mode_t mode = 0644) {
    std::ofstream(path, std::ios::binary) << text;
    ::chmod(path.c_str(), mode);
}

struct CtlRun {
    int code;
    std::string err;
};

CtlRun Ctl(const std::string& state, std::vector<std::string> arguments,
           std::chrono::milliseconds waitLimit = kStateWaitLimit) {
    arguments.insert(arguments.begin(), {"--sim-state", state});
    std::ostringstream out, err;
    std::istringstream in;
    const int code = RunHostMf40ctl(arguments, out, err, in, waitLimit);
    return {code, err.str()};
}

bool BecomeUnprivileged() {
    if (::geteuid() != 0) return true;
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr && ::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
           ::setuid(nobody->pw_uid) == 0;
}

// Starts `body` in a process of its own as an unprivileged user; its exit code is body's.
pid_t StartUnprivileged(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(BecomeUnprivileged() ? body() : 99);
    return child;
}

int ExitOf(pid_t child) {
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Runs `body` as an unprivileged user and gives back what it reports ("" when all held);
// nothing when no unprivileged user can be had.
std::optional<std::string> AsUnprivileged(const std::function<std::string()>& body) {
    if (::geteuid() != 0) return body();
    if (::getpwnam("nobody") == nullptr) return std::nullopt;
    int report[2];
    if (::pipe(report) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        std::string result = "could not become nobody";
        if (BecomeUnprivileged()) result = body();
        (void)!::write(report[1], result.data(), result.size());
        ::_exit(0);
    }
    ::close(report[1]);
    std::string result;
    char buffer[256];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;) {
        result.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(report[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return result;
}

std::string Expect(bool holds, const std::string& what) { return holds ? "" : what + "\n"; }

mode_t ModeOf(const std::string& path) {
    struct stat status {};
    ::lstat(path.c_str(), &status);
    return status.st_mode;
}

// The fresh files of saves in `folder` (their names begin with "~pd").
std::vector<std::string> FreshFiles(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* listing = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            if (std::string(entry->d_name).rfind("~pd", 0) == 0) names.push_back(entry->d_name);
        }
        ::closedir(listing);
    }
    return names;
}

// Each case: what another user planted, the file mf40ctl is told to write, and what must hold
// afterwards (the exit code and message included).
TEST(HostFiles, SavesNeverWriteMoveOrRemoveAFileTheyDidNotMake) {
    struct Case {
        const char* what;
        std::string target;
        std::function<void(const SharedFolder&)> plant;
        int code;
        const char* message;
        std::function<std::string(const SharedFolder&)> check;
    };
    const Case cases[] = {
        {"a link planted where the old fixed fresh name was", "out.json",
         [](const SharedFolder& f) {
             Write(f / "private", "secret", 0600);
             ::symlink((f / "private").c_str(), (f / "out.json.new").c_str());
         },
         0, "saved to",
         [](const SharedFolder& f) {
             return Expect(Read(f / "private") == "secret", "the private file was written") +
                    Expect(S_ISLNK(ModeOf(f / "out.json.new")), "the planted link was moved") +
                    Expect(Read(f / "out.json").find("mf40ctl backup") != std::string::npos,
                           "the backup is not there");
         }},
        {"an unrelated file of the old fresh name, with a good save", "x.json",
         [](const SharedFolder& f) { Write(f / "x.json.new", "mine"); }, 0, "saved to",
         [](const SharedFolder& f) {
             return Expect(Read(f / "x.json.new") == "mine", "the unrelated file was touched");
         }},
        {"an unrelated file of the old fresh name, with a refused save", "x.json",
         [](const SharedFolder& f) {
             fs::create_directory(f / "x.json");
             Write(f / "x.json.new", "mine");
         },
         4, "could not write '",
         [](const SharedFolder& f) {
             return Expect(Read(f / "x.json.new") == "mine", "the unrelated file was touched") +
                    Expect(fs::is_directory(f / "x.json"), "the folder was replaced");
         }},
        {"a pipe as the target", "pipe.json",
         [](const SharedFolder& f) { ::mkfifo((f / "pipe.json").c_str(), 0666); }, 4,
         "': not a plain file (a device, pipe or the like)",
         [](const SharedFolder& f) {
             return Expect(S_ISFIFO(ModeOf(f / "pipe.json")), "the pipe became a plain file");
         }},
        {"a private file", "private.json",
         [](const SharedFolder& f) { Write(f / "private.json", "old", 0600); }, 0, "saved to",
         [](const SharedFolder& f) {
             return Expect((ModeOf(f / "private.json") & 07777) == 0600,
                           "the private file became readable by others");
         }},
        {"a read-only file", "kept.json",
         [](const SharedFolder& f) { Write(f / "kept.json", "old", 0444); }, 4, "could not write '",
         [](const SharedFolder& f) {
             return Expect(Read(f / "kept.json") == "old", "the read-only file was replaced");
         }},
        {"a symbolic link as the target", "link.json",
         [](const SharedFolder& f) {
             Write(f / "real.json", "old");
             ::symlink((f / "real.json").c_str(), (f / "link.json").c_str());
         },
         4, "': is a symbolic link; name the file it points to",
         [](const SharedFolder& f) {
             return Expect(S_ISLNK(ModeOf(f / "link.json")), "the link became a plain file") +
                    Expect(Read(f / "real.json") == "old", "the linked file was written");
         }},
        {"a loop of symbolic links as the target", "loop.json",
         [](const SharedFolder& f) {
             ::symlink((f / "loop.json").c_str(), (f / "back.json").c_str());
             ::symlink((f / "back.json").c_str(), (f / "loop.json").c_str());
         },
         4, "loop.json': symbolic links that lead round in a circle; none of them reaches a file",
         [](const SharedFolder& f) {
             return Expect(S_ISLNK(ModeOf(f / "loop.json")), "the link became a plain file");
         }},
        // The fresh file's name does not grow with the target's: 255 bytes is the most a name
        // may have here, and then it is the target's own name that is too long.
        {"a name of 235 bytes", std::string(235, 'n'), [](const SharedFolder&) {}, 0, "saved to",
         nullptr},
        {"a name of 255 bytes", std::string(255, 'n'), [](const SharedFolder&) {}, 0, "saved to",
         nullptr},
        {"a name of 256 bytes", std::string(256, 'n'), [](const SharedFolder&) {}, 4,
         "': the name is too long for the file system", nullptr},
        // Host paths are files, whatever Windows keeps the name for; and back again.
        {"a name Windows keeps for a port", "lpt1", [](const SharedFolder&) {}, 0,
         "saved to ./lpt1",
         [](const SharedFolder& f) {
             const CtlRun back = Ctl(f / "state", {"restore", "lpt1", "--dry-run"});
             return Expect(back.code == 0 && back.err.find("the device already matches ./lpt1") !=
                                                 std::string::npos,
                           "restore lpt1: " + back.err);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SharedFolder folder;
        c.plant(folder);
        // A name a device would take stays as it was written, relative to the current folder.
        const std::string path = c.target == "lpt1" ? c.target : folder / c.target;
        const std::string before = fs::current_path();
        fs::current_path(folder / "");
        const CtlRun run = Ctl(folder / "state", {"backup", path});
        if (c.check) {
            EXPECT_EQ(c.check(folder), "");
        }
        fs::current_path(before);
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(FreshFiles(folder / ""), std::vector<std::string>{}) << "left behind";
    }
}

TEST(HostFiles, ReadOnlyAndForbiddenPlacesAreRefusedWithTheirReason) {
    const SharedFolder folder;
    Write(folder / "kept.csv", "old", 0444);
    fs::create_directory(folder / "locked");
    ::chmod((folder / "locked").c_str(), 0755);
    Write(folder / "locked/open.csv", "old", 0666);
    const std::optional<std::string> report = AsUnprivileged([&] {
        const std::string state = folder / "state";
        const CtlRun readOnly = Ctl(state, {"phonebook", "export", folder / "kept.csv"});
        const CtlRun locked = Ctl(state, {"phonebook", "export", folder / "locked/open.csv"});
        return Expect(readOnly.code == 4, "read-only: exit " + std::to_string(readOnly.code)) +
               Expect(readOnly.err.find("kept.csv': the file is read-only") != std::string::npos,
                      readOnly.err) +
               Expect(locked.code == 4, "locked: exit " + std::to_string(locked.code)) +
               Expect(locked.err.find("open.csv': access denied") != std::string::npos,
                      locked.err) +
               Expect(
                   Read(folder / "kept.csv") == "old" && Read(folder / "locked/open.csv") == "old",
                   "a refused target was written");
    });
    if (!report) GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(*report, "");
}

// Only a state file that is not there is a fresh device; anything else that keeps it from
// being read stops the run before the device's memory could be lost.
TEST(HostFiles, StateFileThatCannotBeReadIsNeverTakenForAFreshDevice) {
    const SharedFolder folder;
    const std::string state = folder / "state";
    {
        const std::string book = folder / "book.csv";
        Write(book, "Nro;Nimi;Puhelinnumero\n7;KEEP ME;0912345\n");
        ASSERT_EQ(Ctl(state, {"phonebook", "import", book}).code, 0);
    }
    const std::string kept = Read(state);
    ::chmod(state.c_str(), 0);
    fs::create_directory(folder / "folder.state");

    const std::optional<std::string> report = AsUnprivileged([&] {
        const CtlRun unreadable = Ctl(state, {"settings", "set", "answerDelay=6"});
        const CtlRun isFolder = Ctl(folder / "folder.state", {"settings", "get"});
        return Expect(unreadable.code == 2, "unreadable: exit " + std::to_string(unreadable.code)) +
               Expect(unreadable.err.find("cannot be read: access denied; nothing was changed") !=
                          std::string::npos,
                      unreadable.err) +
               Expect(isFolder.code == 2, "folder: exit " + std::to_string(isFolder.code)) +
               Expect(isFolder.err.find("cannot be read: is a folder") != std::string::npos,
                      isFolder.err);
    });
    if (!report) GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(*report, "");
    ::chmod(state.c_str(), 0644);
    EXPECT_EQ(Read(state), kept) << "the state file was written over";
}

// Two programs at once, each putting its own entries into the phonebook one run at a time:
// every entry of both must be there at the end.
TEST(HostFiles, RunsAtOnceOnOneStateFileLoseNoChange) {
    const SharedFolder folder;
    const std::string state = folder / "state";
    constexpr int kRunsEach = 20;
    std::vector<pid_t> children;
    for (const int first : {1, 41}) {
        const pid_t child = ::fork();
        if (child == 0) {
            bool ok = true;
            for (int entry = first; entry < first + kRunsEach; ++entry) {
                const std::string book = folder / ("book" + std::to_string(entry) + ".csv");
                Write(book, "Nro;Nimi;Puhelinnumero\n" + std::to_string(entry) + ";RUN;" +
                                std::to_string(1000 + entry) + "\n");
                ok = Ctl(state, {"phonebook", "import", book}).code == 0 && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a run failed";
    }
    const std::string list = folder / "all.csv";
    ASSERT_EQ(Ctl(state, {"phonebook", "export", list}).code, 0);
    const std::string exported = Read(list);
    for (const int first : {1, 41}) {
        for (int entry = first; entry < first + kRunsEach; ++entry) {
            EXPECT_NE(exported.find("\n" + std::to_string(entry) + ";RUN;" +
                                    std::to_string(1000 + entry) + "\r"),
                      std::string::npos)
                << "entry " << entry << " was lost";
        }
    }
}

// A command that changes the device is refused before it touches it when the state file could
// never be saved afterwards; a command that only reads goes on. Nor is the state file ever the
// target of a command's own file, however it is named.
TEST(HostFiles, StateFileThatCouldNotBeSavedOrIsNamedAsATargetIsRefusedFirst) {
    const SharedFolder folder;
    ASSERT_EQ(Ctl(folder / "kept.state", {"settings", "set", "answerDelay=5"}).code, 0);
    const std::string kept = Read(folder / "kept.state");
    ::chmod((folder / "kept.state").c_str(), 0444);
    ::symlink((folder / "kept.state").c_str(), (folder / "link.state").c_str());
    fs::create_directory(folder / "closed");
    fs::create_directory(folder / "sub");
    ::chmod((folder / "closed").c_str(), 0755);  // root's: nobody may not write in it
    ::symlink((folder / "").c_str(), (folder / "here").c_str());

    const std::optional<std::string> report = AsUnprivileged([&] {
        const std::string state = folder / "own.pbf";
        std::string result;
        if (Ctl(state, {"settings", "set", "answerDelay=4"}).code != 0) {
            return std::string("no own state");
        }
        const std::string own = Read(state);
        const struct {
            std::string state;
            std::vector<std::string> arguments;
            int code;
            std::string message;
        } cases[] = {
            {folder / "link.state",
             {"settings", "set", "answerDelay=6"},
             2,
             "'" + folder / "link.state" +
                 "' could not be saved after a change: is a symbolic link; name the file it "
                 "points to; nothing was changed"},
            {folder / "kept.state",
             {"options", "set", "ringVolume=1"},
             2,
             "could not be saved after a change: the file is read-only; nothing was changed"},
            {folder / "closed/new.state",
             {"phonebook", "import", folder / "none.csv"},
             2,
             "could not be saved after a change: access denied"},
            {"",
             {"settings", "set", "answerDelay=6"},
             2,
             "state file '' could not be saved after a change: not a name the file system takes"},
            {folder / std::string(256, 's'),
             {"settings", "set", "answerDelay=6"},
             2,
             "cannot be read: the name is too long for the file system; nothing was changed"},
            {folder / "kept.state", {"settings", "get"}, 0, ""},
            {state,
             {"backup", state},
             2,
             "is the virtual device's state file (--sim-state), which holds the device's memory"},
            {state,
             {"phonebook", "export", folder / "sub/../own.pbf"},
             2,
             "is the virtual device's state file"},
            {state, {"backup", folder / "here/own.pbf"}, 2, "is the virtual device's state file"},
        };
        for (const auto& c : cases) {
            const CtlRun run = Ctl(c.state, c.arguments);
            result += Expect(run.code == c.code && run.err.find(c.message) != std::string::npos,
                             c.arguments[0] + " on '" + c.state + "': exit " +
                                 std::to_string(run.code) + ": " + run.err);
        }
        return result + Expect(Read(state) == own, "the state file was written over");
    });
    if (!report) GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(*report, "");
    EXPECT_EQ(Read(folder / "kept.state"), kept);
    EXPECT_FALSE(fs::exists(folder / "closed/new.state"));
    EXPECT_EQ(FreshFiles(folder / ""), std::vector<std::string>{});
}

// The access list of a file that an export replaces stays: the user it names may still read
// the file, and the owning group gains nothing.
TEST(HostFiles, ReplacedFileKeepsItsAccessList) {
    const SharedFolder folder;
    const std::string book = folder / "shared.csv";
    Write(book, "old", 0600);
    const passwd* nobody = ::getpwnam("nobody");
    if (::geteuid() != 0 || nobody == nullptr) GTEST_SKIP() << "needs root and nobody";
    // user::rw- user:nobody:rw- group::--- mask::rw- other::---, as the kernel stores it.
    const auto entry = [](std::uint16_t tag, std::uint16_t permissions, std::uint32_t id) {
        std::string bytes(8, '\0');
        for (int i = 0; i < 2; ++i) bytes[i] = static_cast<char>(tag >> (8 * i));
        for (int i = 0; i < 2; ++i) bytes[2 + i] = static_cast<char>(permissions >> (8 * i));
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<char>(id >> (8 * i));
        return bytes;
    };
    const std::string list = std::string("\x02\0\0\0", 4) + entry(0x01, 6, ~0u) +
                             entry(0x02, 6, nobody->pw_uid) + entry(0x04, 0, ~0u) +
                             entry(0x10, 6, ~0u) + entry(0x20, 0, ~0u);
    if (::setxattr(book.c_str(), "system.posix_acl_access", list.data(), list.size(), 0) != 0) {
        GTEST_SKIP() << "no access lists on this file system";
    }
    ASSERT_EQ(Ctl(folder / "state", {"phonebook", "export", book}).code, 0);

    std::string kept(list.size() + 8, '\0');
    const ssize_t size =
        ::getxattr(book.c_str(), "system.posix_acl_access", kept.data(), kept.size());
    EXPECT_EQ(kept.substr(0, size < 0 ? 0 : static_cast<std::size_t>(size)), list);
    const std::optional<std::string> report = AsUnprivileged([&] {
        return Expect(Read(book).find("Nro;Nimi;Puhelinnumero") != std::string::npos,
                      "the named user cannot read the file");
    });
    ASSERT_TRUE(report);
    EXPECT_EQ(*report, "");
}

// The device's memory as the state file holds it now.
sim::DeviceState StateIn(const std::string& path) {
    sim::VirtualDevice device;
    HostFileOs os(device);
    return sim::LoadDeviceState(os, path).state;
}

constexpr int kDiscardLengthAt = 6 + 10;  // in the device's fax-settings block
constexpr int kAnswerDelayAt = 6 + 13;

// A run that waits at the firmware update's question holds nothing meanwhile: another run
// changes the settings at once, and the update, answered, takes the state as that run left
// it. A run that finds the state file in use says that it waits, and gives up with code 5.
TEST(HostFiles, RunsWaitForEachOtherOnlyWhileOneUsesTheStateAndSaySo) {
    const SharedFolder folder;
    const std::string state = folder / "state";
    const std::string image = folder / "mf40.img";
    Write(image, "$IMG and the rest of the image");
    int toUpdate[2], fromUpdate[2];
    ASSERT_EQ(::pipe(toUpdate), 0);
    ASSERT_EQ(::pipe(fromUpdate), 0);
    const pid_t update = StartUnprivileged([&] {
        ::close(toUpdate[1]);
        ::close(fromUpdate[0]);
        __gnu_cxx::stdio_filebuf<char> answers(toUpdate[0], std::ios::in);
        __gnu_cxx::stdio_filebuf<char> messages(fromUpdate[1], std::ios::out);
        std::istream in(&answers);
        std::ostream err(&messages);
        std::ostringstream out;
        return RunHostMf40ctl({"--sim-state", state, "firmware", "update", image}, out, err, in,
                              std::chrono::seconds(5));
    });
    ::close(toUpdate[0]);
    ::close(fromUpdate[1]);
    std::string shown;
    char buffer[256];
    while (shown.find("[y/N] ") == std::string::npos) {
        const ssize_t got = ::read(fromUpdate[0], buffer, sizeof buffer);
        if (got <= 0) break;
        shown.append(buffer, static_cast<std::size_t>(got));
    }
    ASSERT_NE(shown.find("[y/N] "), std::string::npos) << shown;

    const std::optional<std::string> report = AsUnprivileged([&] {
        const CtlRun set =
            Ctl(state, {"settings", "set", "answerDelay=6"}, std::chrono::seconds(1));
        return Expect(
            set.code == 0 && set.err.find("waiting") == std::string::npos,
            "a run beside the question: exit " + std::to_string(set.code) + ": " + set.err);
    });
    (void)!::write(toUpdate[1], "y\n", 2);
    ::close(toUpdate[1]);
    while (::read(fromUpdate[0], buffer, sizeof buffer) > 0) {
    }
    ::close(fromUpdate[0]);
    EXPECT_EQ(ExitOf(update), 0);
    if (!report) GTEST_SKIP() << "no unprivileged user to run as";
    EXPECT_EQ(*report, "");
    const sim::DeviceState after = StateIn(state);
    EXPECT_EQ(after.faxSettings[kAnswerDelayAt], 6) << "the update saved over the change";
    EXPECT_EQ(std::string(after.firmwareImage.begin(), after.firmwareImage.end()), Read(image));

    // Another run holds the state file (its folder) for longer than this one waits.
    const int held = ::open((folder / "").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    const std::optional<std::string> waited = AsUnprivileged([&] {
        const CtlRun run = Ctl(state, {"info"}, std::chrono::milliseconds(300));
        return Expect(run.code == 5, "exit " + std::to_string(run.code)) +
               Expect(run.err.find("mf40ctl: waiting for another run of mf40ctl that uses the "
                                   "state file '" +
                                   state +
                                   "' (or its folder) to finish; "
                                   "giving up after 1 s\nmf40ctl: gave up after 1 s: another run "
                                   "still uses the state file '" +
                                   state + "'; nothing was changed\n") != std::string::npos,
                      run.err);
    });
    ::close(held);
    ASSERT_TRUE(waited);
    EXPECT_EQ(*waited, "");
    EXPECT_EQ(Ctl(state, {"info"}, std::chrono::milliseconds(300)).code, 0);
    for (const auto& entry : fs::directory_iterator(folder / "")) {
        EXPECT_NE(entry.path().extension(), ".lock") << entry.path() << " was left behind";
    }
}

// A save that SIGTERM interrupts removes its fresh file on the way out; one that SIGKILL ends
// leaves it, and the next save of the state removes it. A fresh file that a save still writes
// is never taken by another save's clean-up.
TEST(HostFiles, InterruptedSaveLeavesNoFreshFileAndAKilledOnesGoesWithTheNextSave) {
    const SharedFolder folder;
    const std::string state = folder / "state";
    const std::string image = folder / "big.img";
    std::string bytes = "$IMG";
    bytes.resize(std::size_t{4} << 20, 'x');  // large enough for a save to be caught at
    Write(image, bytes);
    if (::geteuid() == 0 && ::getpwnam("nobody") == nullptr) GTEST_SKIP() << "no nobody";
    ASSERT_EQ(ExitOf(StartUnprivileged([&] {
                  return Ctl(state, {"firmware", "update", image, "--yes"}).code;
              })),
              0);

    // A run whose save of the state is under way, stopped there. Each try changes the setting
    // anew, so that each has something to save.
    int turn = 0;
    const auto stoppedInSave = [&]() -> pid_t {
        for (int attempt = 0; attempt < 10; ++attempt) {
            const std::string answerDelay = std::to_string(1 + turn++ % 7);
            const pid_t child = StartUnprivileged([&] {
                return Ctl(state, {"settings", "set", "answerDelay=" + answerDelay}).code;
            });
            bool writing = false;
            while (!writing && ::waitpid(child, nullptr, WNOHANG) == 0) {
                for (const std::string& name : FreshFiles(folder / "")) {
                    std::error_code gone;
                    writing = writing || fs::file_size(folder / name, gone) + 1 > 1;
                }
            }
            if (!writing) continue;
            ::kill(child, SIGSTOP);
            int status = 0;
            ::waitpid(child, &status, WUNTRACED);
            if (WIFSTOPPED(status) && !FreshFiles(folder / "").empty()) return child;
            ::kill(child, SIGCONT);
            ExitOf(child);
        }
        return -1;
    };

    const pid_t interrupted = stoppedInSave();
    ASSERT_GT(interrupted, 0) << "no save was caught under way";
    const std::vector<std::string> underWay = FreshFiles(folder / "");
    {
        sim::VirtualDevice device;
        HostFileOs os(device);
        ASSERT_TRUE(sim::SaveDeviceState(os, state, sim::LoadDeviceState(os, state).state));
    }
    EXPECT_EQ(FreshFiles(folder / ""), underWay) << "another save took the fresh file";
    ::kill(interrupted, SIGTERM);
    ::kill(interrupted, SIGCONT);
    EXPECT_EQ(ExitOf(interrupted), 128 + SIGTERM);
    EXPECT_EQ(FreshFiles(folder / ""), std::vector<std::string>{}) << "left by SIGTERM";

    const pid_t killed = stoppedInSave();
    ASSERT_GT(killed, 0) << "no save was caught under way";
    ::kill(killed, SIGKILL);
    EXPECT_EQ(ExitOf(killed), 128 + SIGKILL);
    EXPECT_EQ(FreshFiles(folder / "").size(), 1u);
    EXPECT_EQ(ExitOf(StartUnprivileged([&] {
                  return Ctl(state, {"settings", "set", "discardLength=29"}).code;
              })),
              0);
    EXPECT_EQ(FreshFiles(folder / ""), std::vector<std::string>{}) << "the next save left it";
    const sim::DeviceState after = StateIn(state);
    EXPECT_EQ(after.faxSettings[kDiscardLengthAt], 29);
    EXPECT_EQ(after.firmwareImage.size(), bytes.size());
}

}  // namespace
}  // namespace pd::ctl
