// The hand-over of files from a second start to the running program.
#include "app/ui/shell_open.h"

#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <unistd.h>

#include "app/ui/main_frame.h"
#include "app/ui/phonarc_app.h"

namespace {
// The first line of a hand-over; the files follow one per line, percent-encoded (a file name may
// hold a line feed), and an empty line ends the message.
const QByteArray kHeader = QByteArrayLiteral("murmurex-open 1\n");
const QByteArray kAnswer = QByteArrayLiteral("OK\n");
// A connection that never completes its message is closed after this long.
constexpr int kIdleMs = 5000;
}  // namespace

QString DefaultShellOpenName() {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty()) return runtime + QStringLiteral("/murmurex-open");
    return QStringLiteral("murmurex-open-%1").arg(::getuid());
}

QString ShellOpenNameFrom(const QStringList& arguments) {
    const QString option = QStringLiteral("--instance=");
    for (const QString& a : arguments)
        if (a.startsWith(option) && a.size() > option.size()) return a.mid(option.size());
    return DefaultShellOpenName();
}

bool HandFilesToRunningProgram(const QString& name, const QStringList& files, int timeoutMs) {
    if (files.isEmpty() || files.size() > CShellOpenServer::kMaxFiles) return false;
    QByteArray message = kHeader;
    for (const QString& f : files) message += QUrl::toPercentEncoding(QFileInfo(f).absoluteFilePath()) + '\n';
    message += '\n';
    if (message.size() > CShellOpenServer::kMaxMessageBytes) return false;

    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(timeoutMs)) return false;
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) return false;
    QByteArray answer;
    while (answer.size() < kAnswer.size() && socket.waitForReadyRead(timeoutMs)) answer += socket.readAll();
    return answer.startsWith(kAnswer);
}

CShellOpenServer::CShellOpenServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    // Only this user's programs may hand files over.
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &CShellOpenServer::OnNewConnection);
}

CShellOpenServer::~CShellOpenServer() = default;

QString CShellOpenServer::Name() const { return server_->serverName(); }

bool CShellOpenServer::Listen(const QString& name) {
    // A live program answers on the name; a socket file that nobody answers on was left by one
    // that ended without closing it, and is replaced (listening alone would take the name from a
    // live program too).
    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(500)) return false;
    QLocalServer::removeServer(name);
    return server_->listen(name);
}

void CShellOpenServer::OnNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        QTimer::singleShot(kIdleMs, socket, [socket] { socket->abort(); });
    }
}

void CShellOpenServer::OnReadyRead(QLocalSocket* socket) {
    QByteArray buffer = socket->property("received").toByteArray();
    buffer += socket->read(kMaxMessageBytes + 1 - buffer.size());
    const bool bad = buffer.size() > kMaxMessageBytes ||
                     !(buffer.startsWith(kHeader) || kHeader.startsWith(buffer));
    if (bad) {
        socket->abort();
        return;
    }
    const qsizetype end = buffer.indexOf("\n\n", kHeader.size() - 1);
    if (end < 0) {
        socket->setProperty("received", buffer);
        return;
    }
    QStringList files;
    const QList<QByteArray> lines = buffer.mid(kHeader.size(), end - kHeader.size() + 1).split('\n');
    for (const QByteArray& line : lines) {
        if (line.isEmpty()) continue;
        const QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(line));
        if (files.size() == kMaxFiles || !QFileInfo(path).isAbsolute()) {
            socket->abort();
            return;
        }
        files << path;
    }
    socket->setProperty("received", QVariant());
    socket->write(kAnswer);
    socket->flush();
    socket->disconnectFromServer();
    if (files.isEmpty()) return;
    // Opened at the next turn of the event loop: the sender has its answer by then.
    QMetaObject::invokeMethod(this, [this, files] { emit FilesReceived(files); }, Qt::QueuedConnection);
}

CShellOpenServer* ListenForShellOpens(CPhonarcApp& app, const QString& name) {
    CMainFrame* frame = app.MainFrame();
    if (!frame) return nullptr;
    auto* server = new CShellOpenServer(frame);
    if (!server->Listen(name)) {
        delete server;
        return nullptr;
    }
    QObject::connect(server, &CShellOpenServer::FilesReceived, frame, [&app, frame](const QStringList& files) {
        for (const QString& f : files) app.OpenDocumentFile(f.toStdString());
        if (frame->isMinimized()) frame->showNormal();
        frame->raise();
        frame->activateWindow();
    });
    return server;
}
