// The native mf40ctl on the host's real files: no save can be turned against the user by what
// another user planted in a shared folder, a state file that cannot be read is never taken for
// a fresh device, and runs at once on one state file lose nothing. Cases that depend on
// permissions run as an unprivileged user: a child process drops to "nobody" when the tests
// run as root.
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "mf40ctl/HostMf40ctl.h"

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

CtlRun Ctl(const std::string& state, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--sim-state", state});
    std::ostringstream out, err;
    std::istringstream in;
    const int code = RunHostMf40ctl(arguments, out, err, in);
    return {code, err.str()};
}

// Runs `body` as an unprivileged user and gives back what it reports ("" when all held);
// nothing when no unprivileged user can be had.
std::optional<std::string> AsUnprivileged(const std::function<std::string()>& body) {
    if (::geteuid() != 0) return body();
    const passwd* nobody = ::getpwnam("nobody");
    if (nobody == nullptr) return std::nullopt;
    int report[2];
    if (::pipe(report) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(report[0]);
        std::string result = "could not become nobody";
        if (::setgroups(0, nullptr) == 0 && ::setgid(nobody->pw_gid) == 0 &&
            ::setuid(nobody->pw_uid) == 0) {
            result = body();
        }
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

// Each case: what another user planted, the file mf40ctl is told to write, and what must hold
// afterwards (the exit code and message included).
TEST(HostFiles, SavesNeverWriteMoveOrRemoveAFileTheyDidNotMake) {
    struct Case {
        const char* what;
        const char* target;
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
         4, "could not write '", [](const SharedFolder& f) {
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
         [](const SharedFolder& f) { Write(f / "kept.json", "old", 0444); }, 4,
         "could not write '", [](const SharedFolder& f) {
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
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const SharedFolder folder;
        c.plant(folder);
        const CtlRun run = Ctl(folder / "state", {"backup", folder / c.target});
        EXPECT_EQ(run.code, c.code) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(c.check(folder), "");
        for (const auto& entry : fs::directory_iterator(folder / "")) {
            EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos)
                << entry.path() << " was left behind";
        }
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
               Expect(Read(folder / "kept.csv") == "old" &&
                          Read(folder / "locked/open.csv") == "old",
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
        return Expect(unreadable.code == 2,
                      "unreadable: exit " + std::to_string(unreadable.code)) +
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

}  // namespace
}  // namespace pd::ctl
