// SingleInstance: keeps one normal-mode program per data folder and user. The first takes a lock file and serves
// a local socket; a later start asks it to come to the front, and the installer and uninstaller ask it to close
// and then wait until its lock is free, so a program that is still sending is never overwritten while it runs.
// The folder is named by its canonical path, so the installer finds the program serving its install folder by
// whatever path either was started.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

class SingleInstance final : public QObject {
public:
    // Names the lock and socket after the user and `dataFolder` (symbolic links resolved, a trailing '/' or not),
    // in $XDG_RUNTIME_DIR (or the temporary folder).
    explicit SingleInstance(const std::string& dataFolder);
    ~SingleInstance() override;

    // Takes the lock and starts serving; false when another instance holds it.
    bool BecomePrimary();

    // Called on the primary's thread when another start asks it to show itself or to close.
    void OnRaiseRequest(std::function<void()> handler) { m_onRaise = std::move(handler); }
    void OnCloseRequest(std::function<void()> handler) { m_onClose = std::move(handler); }

    // From a later start: asks the running instance to come to the front; true when it answered.
    bool AskRunningToRaise();

    // From the installer: asks a running instance to close, then waits up to `wait` until its lock is free.
    // True when no instance runs afterwards.
    bool CloseRunningAndWait(std::chrono::milliseconds wait);

private:
    bool SendRequest(const QByteArray& request);
    void OnConnection();

    QString m_lockPath;
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer m_server;
    std::function<void()> m_onRaise;
    std::function<void()> m_onClose;
};
