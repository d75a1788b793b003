// An HTTP server for the tests, on 127.0.0.1 only, that answers the way a
// hostile or broken server would: an answer that never ends, or a valid
// answer sent one byte at a time.
#pragma once

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cctype>
#include <memory>

class THostileHttpServer : public QObject {
 public:
  enum TMode {
    hmEndless,  // a version line, then data without end (stops at kEndlessStop)
    hmTrickle,  // status, headers and a valid answer, one byte per TrickleMs
  };
  // The endless answer gives up here, so that a client without a cap ends too.
  static constexpr qint64 kEndlessStop = qint64(64) << 20;

  THostileHttpServer(TMode mode, QByteArray trickledBody = "OK") : FMode(mode), FTrickledBody(trickledBody) {
    QObject::connect(&FServer, &QTcpServer::pendingConnectionAvailable, this, [this] { AcceptConnections(); });
    FServer.listen(QHostAddress::LocalHost, 0);
  }

  bool IsListening() const { return FServer.isListening(); }
  QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(FServer.serverPort()); }

  int TrickleMs = 50;
  int Requests = 0;      // HTTP requests read whole
  qint64 BytesSent = 0;  // answer bytes handed to the sockets, all connections

 private:
  void AcceptConnections() {
    while (QTcpSocket* socket = FServer.nextPendingConnection()) {
      socket->setParent(this);
      auto buffer = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        *buffer += socket->readAll();
        if (RequestComplete(socket, *buffer)) Answer(socket);
      });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  }

  // True once a whole request has arrived; a TLS hello is refused.
  bool RequestComplete(QTcpSocket* socket, QByteArray& buffer) {
    if (!buffer.isEmpty() && !std::isalpha(static_cast<unsigned char>(buffer[0]))) {
      socket->abort();
      return false;
    }
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) return false;
    const QByteArray lengthHeader = "content-length:";
    const QByteArray head = buffer.left(headEnd).toLower();
    const qsizetype at = head.indexOf(lengthHeader);
    const qint64 length =
        at < 0 ? 0 : head.mid(at + lengthHeader.size(), head.indexOf('\r', at) - at - lengthHeader.size()).trimmed().toLongLong();
    if (buffer.size() < headEnd + 4 + length) return false;
    buffer.clear();
    ++Requests;
    return true;
  }

  void Answer(QTcpSocket* socket) {
    if (FMode == hmEndless) {
      Send(socket, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n"
                   "<version>1.3</version>\r\n");
      QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [this, socket] { SendMore(socket); });
      SendMore(socket);
      return;
    }
    const QByteArray whole = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
                             QByteArray::number(FTrickledBody.size()) + "\r\nConnection: close\r\n\r\n" +
                             FTrickledBody;
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [this, socket, whole, sent = qsizetype(0)]() mutable {
      if (sent < whole.size()) Send(socket, whole.mid(sent++, 1));
    });
    timer->start(TrickleMs);
  }

  // Keeps a little data queued as long as the client reads.
  void SendMore(QTcpSocket* socket) {
    const QByteArray chunk(16 * 1024, 'x');
    while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < 64 * 1024) {
      if (BytesSent >= kEndlessStop) {
        socket->disconnectFromHost();
        return;
      }
      Send(socket, chunk);
    }
  }

  void Send(QTcpSocket* socket, const QByteArray& bytes) {
    BytesSent += bytes.size();
    socket->write(bytes);
  }

  TMode FMode;
  QByteArray FTrickledBody;
  QTcpServer FServer;
};
