#include "ui/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QThread>
#include <unistd.h>

namespace {

constexpr int kAnswerWaitMs = 3000;
const QByteArray kRaise = "raise\n";
const QByteArray kClose = "close\n";
const QByteArray kAnswer = "ok\n";

QString RuntimeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    return runtime.startsWith('/') && QDir(QString::fromLocal8Bit(runtime)).exists() ? QString::fromLocal8Bit(runtime)
                                                                                     : QDir::tempPath();
}

// One name for a folder by any path to it: links resolved when it exists, no trailing '/'.
QByteArray CanonicalFolder(const std::string& folder) {
    const QString path = QString::fromStdString(folder);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return (canonical.isEmpty() ? QDir::cleanPath(path) : canonical).toUtf8();
}

} // namespace

SingleInstance::SingleInstance(const std::string& dataFolder) {
    const QByteArray folderHash =
        QCryptographicHash::hash(CanonicalFolder(dataFolder), QCryptographicHash::Sha1).toHex().left(16);
    const QString base = RuntimeFolder() + QStringLiteral("/tallowin-%1-%2").arg(::getuid()).arg(folderHash);
    m_lockPath = base + QStringLiteral(".lock");
    m_socketPath = base + QStringLiteral(".socket");
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::~SingleInstance() {
    m_server.close();
    if (m_lock)
        m_lock->unlock();
}

bool SingleInstance::BecomePrimary() {
    auto lock = std::make_unique<QLockFile>(m_lockPath);
    lock->setStaleLockTime(0); // a lock is stale only when its process is gone
    if (!lock->tryLock(0))
        return false;
    m_lock = std::move(lock);
    QLocalServer::removeServer(m_socketPath); // a socket file left by a crashed instance
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    return m_server.listen(m_socketPath);
}

bool SingleInstance::SendRequest(const QByteArray& request) {
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(kAnswerWaitMs))
        return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(kAnswerWaitMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerWaitMs))
            return false;
    }
    return socket.readLine() == kAnswer;
}

bool SingleInstance::AskRunningToRaise() {
    // The running instance may still be starting: give its socket a few moments to appear.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (SendRequest(kRaise))
            return true;
        QThread::msleep(100);
    }
    return false;
}

bool SingleInstance::CloseRunningAndWait(std::chrono::milliseconds wait) {
    QLockFile probe(m_lockPath);
    probe.setStaleLockTime(0);
    if (probe.tryLock(0)) {
        probe.unlock();
        return true;
    }
    SendRequest(kClose);
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < wait.count()) {
        if (probe.tryLock(100)) {
            probe.unlock();
            return true;
        }
    }
    return false;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray request = socket->readLine();
                socket->write(request == kRaise || request == kClose ? kAnswer : QByteArray("unknown\n"));
                socket->flush();
                // Queued, so a handler may end the program (and this object) without pulling the socket away here.
                if (request == kRaise && m_onRaise)
                    QMetaObject::invokeMethod(this, m_onRaise, Qt::QueuedConnection);
                else if (request == kClose && m_onClose)
                    QMetaObject::invokeMethod(this, m_onClose, Qt::QueuedConnection);
            }
        });
    }
}
