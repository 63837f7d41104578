#include "app/SignalWatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <csignal>

namespace nimbrel {

namespace {

int g_pipe[2] = {-1, -1};
// SIGUSR1, SIGUSR2 and SIGALRM end a process by default; a stray one (a
// script's kill -USR1, a leftover alarm) would lose the readings not yet
// saved, so they end the program as SIGTERM does, after the save.
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM};

void OnSignal(int sig) {
    const int saved = errno;
    unsigned char b = static_cast<unsigned char>(sig);
    if (g_pipe[1] >= 0) {
        [[maybe_unused]] ssize_t n = ::write(g_pipe[1], &b, 1);
    }
    errno = saved;
}

}  // namespace

SignalWatch::SignalWatch(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SignalWatch::ReadSignal);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int s : kSignals) ::sigaction(s, &sa, nullptr);
}

SignalWatch::~SignalWatch() {
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    for (int s : kSignals) ::sigaction(s, &sa, nullptr);
}

void SignalWatch::ReadSignal() {
    unsigned char b[16];
    ssize_t n = ::read(g_pipe[0], b, sizeof b);
    for (ssize_t i = 0; i < n; ++i)
        if (onSignal_) onSignal_(b[i]);
}

}  // namespace nimbrel
