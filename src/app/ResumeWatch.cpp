#include "app/ResumeWatch.h"

#include <QDBusConnection>
#include <QNetworkInformation>

namespace nimbrel {

ResumeWatch::ResumeWatch(std::function<void()> onResumed, QObject* parent)
    : QObject(parent), onResumed_(std::move(onResumed)) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (bus.isConnected())
        bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                    SLOT(PrepareForSleep(bool)));
    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        QNetworkInformation* net = QNetworkInformation::instance();
        offline_ = net->reachability() != QNetworkInformation::Reachability::Online;
        // Only the way back counts: the first answer of the backend, or a
        // change between two kinds of "online", is no outage ending.
        connect(net, &QNetworkInformation::reachabilityChanged, this, [this](QNetworkInformation::Reachability r) {
            if (r == QNetworkInformation::Reachability::Online) {
                if (offline_) onResumed_();
                offline_ = false;
            } else if (r != QNetworkInformation::Reachability::Unknown) {
                offline_ = true;
            }
        });
    }
}

void ResumeWatch::PrepareForSleep(bool sleeping) {
    if (!sleeping) onResumed_();
}

}  // namespace nimbrel
