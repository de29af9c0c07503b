// Opening a file from the desktop while the program runs: a second start hands the files named on
// its command line to the running program over a local socket and ends, so the file opens in the
// window the user already has instead of in a second copy.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

class CPhonarcApp;
class QLocalServer;
class QLocalSocket;

// The socket name of this user's running program (in the user's runtime folder when there is one).
QString DefaultShellOpenName();
// The name given as "--instance=NAME" on the command line, else the default.
QString ShellOpenNameFrom(const QStringList& arguments);

// Sends the files (made absolute against the current folder) to the program listening under the
// name and waits for it to take them. True when it took them; false when no program listens, or
// it did not answer within the timeout (the caller then starts as the first program).
// Blocks; any thread with no other use of the socket.
bool HandFilesToRunningProgram(const QString& name, const QStringList& files, int timeoutMs = 3000);

// The running program's end: accepts connections of later starts of this user and reports the
// files each one hands over. A message that is not a well-formed hand-over (wrong first line, too
// long, too many files) is dropped and the connection closed. GUI thread only.
class CShellOpenServer : public QObject {
    Q_OBJECT
public:
    // Limits of one hand-over; larger ones are not ours.
    static constexpr qsizetype kMaxMessageBytes = 64 * 1024;
    static constexpr int kMaxFiles = 64;

    explicit CShellOpenServer(QObject* parent = nullptr);
    ~CShellOpenServer() override;

    // Listens under the name. False when another program already answers there; a socket left
    // behind by a program that ended without closing it is replaced.
    bool Listen(const QString& name);
    QString Name() const;

signals:
    // Emitted after the sender was answered, so the sender is never held up by the opening.
    void FilesReceived(const QStringList& files);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    QLocalServer* server_ = nullptr;
};

// Listens under the name for the program: files handed over open as documents (as the command
// line opens them) and the main window comes to the front. Returns the server (a child of the
// main window) or null when another program already listens there.
CShellOpenServer* ListenForShellOpens(CPhonarcApp& app, const QString& name);
