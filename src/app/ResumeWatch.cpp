#include "app/ResumeWatch.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace nimbrel {
namespace {

// NetworkManager's states (NMState): unknown, and connected with access to
// the internet; everything between is some way of being offline.
constexpr uint kStateUnknown = 0;
constexpr uint kConnectedGlobal = 70;

}  // namespace

ResumeWatch::ResumeWatch(std::function<void()> onResumed, QObject* parent)
    : QObject(parent), onResumed_(std::move(onResumed)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                SLOT(PrepareForSleep(bool)));
    const QString nm = QStringLiteral("org.freedesktop.NetworkManager");
    const QString path = QStringLiteral("/org/freedesktop/NetworkManager");
    bus.connect(nm, path, nm, QStringLiteral("StateChanged"), this, SLOT(NetworkStateChanged(uint)));
    // The state now, asked without waiting for the answer: a program started
    // while offline must see the way back too.
    QDBusMessage ask = QDBusMessage::createMethodCall(nm, path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    ask << nm << QStringLiteral("State");
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<QDBusVariant> reply = *w;
        if (!reply.isError() && !stateKnown_) {
            const uint state = reply.value().variant().toUInt();
            offline_ = state != kConnectedGlobal && state != kStateUnknown;
        }
        w->deleteLater();
    });
}

// Only the way back counts: a change between two kinds of "connected", or a
// first answer, is no outage ending.
void ResumeWatch::NetworkStateChanged(uint state) {
    stateKnown_ = true;
    if (state == kConnectedGlobal) {
        if (offline_) onResumed_();
        offline_ = false;
    } else if (state != kStateUnknown) {
        offline_ = true;
    }
}

void ResumeWatch::PrepareForSleep(bool sleeping) {
    if (!sleeping) onResumed_();
}

}  // namespace nimbrel
