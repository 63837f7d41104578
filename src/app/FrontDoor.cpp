#include "app/FrontDoor.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <filesystem>

namespace nimbrel {

namespace {

constexpr int kWaitMs = 1000;
constexpr char kKnock[] = "show\n";

}  // namespace

std::string FrontDoorName(const std::string& folder) {
    std::error_code ec;
    std::filesystem::path real = std::filesystem::weakly_canonical(folder, ec);
    if (ec) real = std::filesystem::absolute(folder, ec);
    const QByteArray digest = QCryptographicHash::hash(QByteArray::fromStdString(real.lexically_normal().string()),
                                                       QCryptographicHash::Sha256)
                                  .toHex()
                                  .left(16);
    return "nimbrel-" + std::to_string(::getuid()) + "-" + digest.toStdString();
}

bool KnockAtFrontDoor(const std::string& folder) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(FrontDoorName(folder)));
    if (!socket.waitForConnected(kWaitMs)) return false;
    socket.write(kKnock, sizeof kKnock - 1);
    if (!socket.waitForBytesWritten(kWaitMs)) return false;
    // The running program closes the connection once it has read the knock.
    socket.waitForDisconnected(kWaitMs);
    return true;
}

FrontDoor::FrontDoor(const std::string& folder, std::function<void()> onKnock, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), onKnock_(std::move(onKnock)) {
    const QString name = QString::fromStdString(FrontDoorName(folder));
    // Only the holder of the folder's lock gets here, so a socket of that
    // name is one a killed program left behind.
    QLocalServer::removeServer(name);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) return;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* s = server_->nextPendingConnection()) {
            connect(s, &QLocalSocket::readyRead, this, [this, s] {
                if (!s->readAll().contains('\n')) return;
                s->disconnectFromServer();
                if (onKnock_) onKnock_();
            });
            connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
        }
    });
}

bool FrontDoor::Listening() const {
    return server_->isListening();
}

}  // namespace nimbrel
