// A small HTTP server for the tests, on 127.0.0.1 only: it records each POST
// and answers every one with the same text, or never answers. With a
// certificate and key it speaks TLS.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QSslConfiguration>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <cctype>
#include <memory>
#include <optional>
#include <utility>

struct TRecordedRequest {
  QByteArray Method;
  QByteArray Path;
  QMap<QByteArray, QByteArray> Headers;  // names in lower case
  QByteArray Body;

  // The form fields in the order they were sent, decoded.
  QList<std::pair<QString, QString>> Fields() const {
    QList<std::pair<QString, QString>> fields;
    if (Body.isEmpty()) return fields;
    for (QByteArray pair : Body.split('&')) {
      pair.replace('+', ' ');
      const qsizetype equals = pair.indexOf('=');
      const QByteArray name = equals < 0 ? pair : pair.left(equals);
      const QByteArray value = equals < 0 ? QByteArray() : pair.mid(equals + 1);
      fields.append({QUrl::fromPercentEncoding(name), QUrl::fromPercentEncoding(value)});
    }
    return fields;
  }
  QStringList FieldNames() const {
    QStringList names;
    for (const auto& field : Fields()) names.append(field.first);
    return names;
  }
  QString Field(const QString& name) const {
    for (const auto& field : Fields()) {
      if (field.first == name) return field.second;
    }
    return QString();
  }
};

class TTestHttpServer : public QObject {
 public:
  // Plain HTTP; with `tls` set, TLS with that configuration's certificate and key.
  explicit TTestHttpServer(std::optional<QSslConfiguration> tls = std::nullopt) {
    if (tls) {
      auto server = std::make_unique<QSslServer>();
      server->setSslConfiguration(*tls);
      QObject::connect(server.get(), &QSslServer::errorOccurred, this,
                       [this](QSslSocket*, QAbstractSocket::SocketError) { ++Rejected; });
      QObject::connect(server.get(), &QSslServer::handshakeInterruptedOnError, this,
                       [this](QSslSocket*, const QSslError&) { ++Rejected; });
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

  // The answer's body and status; Silent: read the request but never answer.
  QByteArray Answer = "OK";
  int Status = 200;
  bool Silent = false;

  QList<TRecordedRequest> Requests;
  int Rejected = 0;  // connections that sent no HTTP request (a TLS hello on plain HTTP)

 private:
  void AcceptConnections() {
    while (QTcpSocket* socket = FServer->nextPendingConnection()) {
      socket->setParent(this);
      auto buffer = std::make_shared<QByteArray>();
      QObject::connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
        *buffer += socket->readAll();
        Read(socket, *buffer);
      });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      if (socket->bytesAvailable() > 0) {
        *buffer += socket->readAll();
        Read(socket, *buffer);
      }
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
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    request.Method = requestLine.value(0);
    request.Path = requestLine.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
      const qsizetype colon = lines[i].indexOf(':');
      if (colon < 0) continue;
      request.Headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.Headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headEnd + 4 + length) return;
    request.Body = buffer.mid(headEnd + 4, length);
    buffer.clear();
    Requests.append(request);
    if (Silent) return;
    QByteArray response = "HTTP/1.1 " + QByteArray::number(Status) + " Test\r\n";
    response += "Content-Type: text/plain; charset=utf-8\r\n";
    response += "Content-Length: " + QByteArray::number(Answer.size()) + "\r\n";
    response += "Connection: close\r\n\r\n" + Answer;
    socket->write(response);
    socket->disconnectFromHost();
  }

  std::unique_ptr<QTcpServer> FServer;
};
