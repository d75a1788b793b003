// A small HTTP server for the tests, on 127.0.0.1 only: it records each request
// and answers every one with the same body, or never answers. With a
// certificate and key it speaks TLS.
#pragma once

#include <QHostAddress>
#include <QMap>
#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <cctype>
#include <memory>
#include <optional>

struct TRecordedRequest {
  QByteArray Path;
  QMap<QByteArray, QByteArray> Headers;  // names in lower case
  QByteArray Body;

  // The form fields' names in the order they were sent, and one field's value, decoded.
  QStringList FieldNames() const {
    QStringList names;
    for (const QByteArray& pair : Body.split('&')) names.append(Decode(pair.left(pair.indexOf('='))));
    return Body.isEmpty() ? QStringList() : names;
  }
  QString Field(const QString& name) const {
    for (const QByteArray& pair : Body.split('&')) {
      const qsizetype equals = pair.indexOf('=');
      if (equals >= 0 && Decode(pair.left(equals)) == name) return Decode(pair.mid(equals + 1));
    }
    return QString();
  }
  static QString Decode(QByteArray text) { return QUrl::fromPercentEncoding(text.replace('+', ' ')); }
};

class TTestHttpServer : public QObject {
 public:
  // Plain HTTP; with `tls` set, TLS with that configuration's certificate and key.
  explicit TTestHttpServer(std::optional<QSslConfiguration> tls = std::nullopt) {
    if (tls) {
      auto server = std::make_unique<QSslServer>();
      server->setSslConfiguration(*tls);
      FServer = std::move(server);
    } else {
      FServer = std::make_unique<QTcpServer>();
    }
    QObject::connect(FServer.get(), &QTcpServer::pendingConnectionAvailable, this,
                     [this] { AcceptConnections(); });
    FServer->listen(QHostAddress::LocalHost, 0);
  }

  bool IsListening() const { return FServer->isListening(); }
  // "127.0.0.1:port", as the program's web host.
  QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(FServer->serverPort()); }

  // The answer's body, type and status; Silent: read the request but never answer.
  QByteArray Answer = "OK";
  QByteArray ContentType = "text/plain; charset=utf-8";
  int Status = 200;
  bool Silent = false;

  QList<TRecordedRequest> Requests;
  int Rejected = 0;  // connections that sent no HTTP request (a TLS hello on plain HTTP)

 private:
  void AcceptConnections() {
    while (QTcpSocket* socket = FServer->nextPendingConnection()) {
      socket->setParent(this);
      const auto read = [this, socket, buffer = std::make_shared<QByteArray>()] {
        *buffer += socket->readAll();
        Read(socket, *buffer);
      };
      QObject::connect(socket, &QTcpSocket::readyRead, this, read);
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      if (socket->bytesAvailable() > 0) read();
    }
  }

  void Read(QTcpSocket* socket, QByteArray& buffer) {
    if (!buffer.isEmpty() && !std::isalpha(static_cast<unsigned char>(buffer[0]))) {
      ++Rejected;
      buffer.clear();
      socket->abort();
      return;
    }
    const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
    if (headEnd < 0) return;
    TRecordedRequest request;
    const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
    request.Path = lines.value(0).trimmed().split(' ').value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon >= 0) {
        request.Headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
      }
    }
    const qsizetype length = request.Headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headEnd + 4 + length) return;
    request.Body = buffer.mid(headEnd + 4, length);
    buffer.clear();
    Requests.append(request);
    if (Silent) return;
    socket->write("HTTP/1.1 " + QByteArray::number(Status) + " Test\r\nContent-Type: " + ContentType + "\r\n" +
                  "Content-Length: " + QByteArray::number(Answer.size()) + "\r\nConnection: close\r\n\r\n" + Answer);
    socket->disconnectFromHost();
  }

  std::unique_ptr<QTcpServer> FServer;
};
