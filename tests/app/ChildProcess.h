#pragma once
// The real executable in a child process, with its output in a file, and
// the waiting such a test does.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace nimbrel::apptest {

using Clock = std::chrono::steady_clock;

// What a shell command prints on its standard output.
inline std::string Output(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

inline bool OnPath(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// A child process with its output in a file.
class Child {
public:
    Child(std::vector<std::string> args, const std::vector<std::string>& env, const std::filesystem::path& out) {
        pid_ = ::fork();
        if (pid_ == 0) {
            int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            // "NAME=value" sets a variable, a bare "NAME" removes it.
            for (const auto& e : env) {
                if (e.find('=') == std::string::npos)
                    ::unsetenv(e.c_str());
                else
                    ::putenv(const_cast<char*>(e.c_str()));
            }
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
    }
    ~Child() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void Signal(int sig) { ::kill(pid_, sig); }
    pid_t Pid() const { return pid_; }
    // The child has its own handler for sig (read from /proc).
    bool Catches(int sig) const {
        std::ifstream in("/proc/" + std::to_string(pid_) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (sig - 1)) & 1;
        return false;
    }
    // The exit status, or -1 when the child is still running after timeoutMs.
    int Wait(int timeoutMs) {
        auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    bool exited_ = false;
};

inline bool WaitFor(const std::function<bool()>& ready, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ready();
}

}  // namespace nimbrel::apptest
