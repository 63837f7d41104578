#pragma once
// The project's programs run as a user runs them: a child process with extra
// environment, its standard output and error kept apart, and its exit status.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace nimbrel::test {

// A child with its output in two files of a folder the caller owns; "NAME=value"
// entries of env are added to (or replace) the environment, a bare "NAME"
// removes it.
class ToolProcess {
public:
    ToolProcess(std::vector<std::string> args, const std::vector<std::string>& env, const std::string& folder)
        : outPath_(folder + "/stdout." + std::to_string(++Serial())),
          errPath_(folder + "/stderr." + std::to_string(Serial())) {
        pid_ = ::fork();
        if (pid_ == 0) {
            const int out = ::open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int err = ::open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(out, 1);
            ::dup2(err, 2);
            for (const auto& e : env) {
                const auto eq = e.find('=');
                if (eq == std::string::npos)
                    ::unsetenv(e.c_str());
                else
                    ::setenv(e.substr(0, eq).c_str(), e.substr(eq + 1).c_str(), 1);
            }
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~ToolProcess() {
        if (pid_ > 0 && status_ < 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    void Signal(int sig) { ::kill(pid_, sig); }
    // The child has a handler of its own for sig (read from /proc): it is
    // past the start-up that installs them.
    bool Catches(int sig) const {
        const std::string status = Slurp("/proc/" + std::to_string(pid_) + "/status");
        const auto at = status.find("SigCgt:");
        if (at == std::string::npos) return false;
        return (std::stoull(status.substr(at + 7, 24), nullptr, 16) >> (sig - 1)) & 1;
    }
    // The exit status (128 + the signal's number when killed), or -1 when the
    // child still runs after timeoutMs.
    int Wait(int timeoutMs = 20000) {
        if (status_ >= 0) return status_;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return status_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }
    std::string Out() const { return Slurp(outPath_); }
    std::string Err() const { return Slurp(errPath_); }

    static std::string Slurp(const std::string& path) {
        std::string all;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            char buf[65536];
            for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) all.append(buf, n);
            std::fclose(f);
        }
        return all;
    }

private:
    static int& Serial() {
        static int serial = 0;
        return serial;
    }
    pid_t pid_ = -1;
    int status_ = -1;
    std::string outPath_, errPath_;
};

// A fresh folder under the system's temporary folder, removed at the end.
class ScratchFolder {
public:
    ScratchFolder() {
        char tmpl[] = "/tmp/nimbrel-tool-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~ScratchFolder() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

}  // namespace nimbrel::test
