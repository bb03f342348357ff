#include "folderholder.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QWidget>

#include <memory>

#include "folderlock.h"
#include "ui.h"

namespace dipsheet::app {

namespace {

constexpr int kAskMs = 2000;
// How long a start waits for a store of the command line to let go of the folder.
constexpr qint64 kWaitForStoreMs = 3000;

// Brings the program's main window (else any window on screen: the splash) to the front.
void comeForward() {
    QWidget* chosen = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible())
            continue;
        if (window->objectName() == QLatin1String("MDIForm1")) {
            chosen = window;
            break;
        }
        if (!chosen)
            chosen = window;
    }
    if (!chosen)
        return;
    if (chosen->isMinimized())
        chosen->showNormal();
    chosen->raise();
    chosen->activateWindow();
}

// Answers a second copy's knock by coming forward.
void listen(const QString& folder) {
    auto* server = new QLocalServer(qApp);
    const QString address = holderAddress(folder);
    QLocalServer::removeServer(address);  // one left by a copy that died
    if (!server->listen(address))
        return;  // the window just cannot be asked forward; the folder is held all the same
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket,
                             &QLocalSocket::deleteLater);
            comeForward();
        }
    });
}

// Asks the holder of `folder` to bring its window to the front.
void knock(const QString& folder) {
    QLocalSocket socket;
    socket.connectToServer(holderAddress(folder));
    if (socket.waitForConnected(kAskMs)) {
        socket.write("forward\n");
        socket.waitForBytesWritten(kAskMs);
        socket.disconnectFromServer();
    }
}

}  // namespace

QString holderAddress(const QString& folder) {
    const QByteArray path = QDir(folder).canonicalPath().toUtf8();
    return QStringLiteral("dipsheet-") +
           QString::fromLatin1(
               QCryptographicHash::hash(path, QCryptographicHash::Sha1).toHex().left(20));
}

bool holdDataFolder() {
    const QString folder = QDir::currentPath();
    // Held until the program ends.
    static std::unique_ptr<document::FolderLock> lock;
    lock = std::make_unique<document::FolderLock>(folder);
    // A store of the command line holds the folder for a moment: it is waited for, and so is a
    // holder whose lock is still being written. Another desktop is said at once.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        switch (lock->take()) {
            case document::FolderLock::Outcome::Taken:
                listen(folder);
                return true;
            case document::FolderLock::Outcome::Refused:
                // No lock can be had: the program does not run on a folder it does not hold.
                ui::fatalError(std::make_exception_ptr(
                    document::FolderLockError(lock->refusalCode(), lock->refusal())));
                return false;
            case document::FolderLock::Outcome::Held:
                break;
        }
        const auto holder = lock->holder();
        const bool passing =
            !holder || holder->program == QLatin1String(document::kCommandLineProgram);
        if (!passing)
            break;
        if (waited.elapsed() >= kWaitForStoreMs) {
            ui::messageBox(lock->heldMessage() +
                           QStringLiteral(" It has not let go of the folder: start Dipsheet "
                                          "again once it is done."));
            return false;
        }
        QThread::msleep(10);
    }
    knock(folder);
    ui::messageBox(lock->heldMessage() +
                   QStringLiteral(" Its window has been brought to the front: carry on there."));
    // Once more as the message goes: without a window manager the keyboard would otherwise
    // fall to no window at all when the box closes.
    knock(folder);
    return false;
}

}  // namespace dipsheet::app
