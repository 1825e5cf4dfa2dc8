#include "support/scripted_peer.h"

#include <QNetworkDatagram>

#include "protocol/framing.h"

namespace tessellux::testing {

ScriptedPeer::ScriptedPeer(bool listen_tcp) {
  // Take a free TCP port, then the same number for datagrams.
  QTcpServer probe;
  for (int attempt = 0; attempt < 20 && port_ == 0; ++attempt) {
    if (!probe.listen(QHostAddress::LocalHost, 0)) continue;
    const quint16 candidate = probe.serverPort();
    probe.close();
    if (!udp_.bind(QHostAddress::LocalHost, candidate)) continue;
    if (listen_tcp && !server_.listen(QHostAddress::LocalHost, candidate)) {
      udp_.close();
      continue;
    }
    port_ = candidate;
  }
  connect(&udp_, &QUdpSocket::readyRead, this, &ScriptedPeer::OnDatagram);
  connect(&server_, &QTcpServer::newConnection, this, &ScriptedPeer::OnConnection);
}

QByteArray ScriptedPeer::Frame(const QByteArray& message) {
  const Bytes frame = protocol::FrameMessage(Bytes(message.begin(), message.end()));
  return QByteArray(reinterpret_cast<const char*>(frame.data()), static_cast<qsizetype>(frame.size()));
}

void ScriptedPeer::DropConnection() {
  if (client_) client_->abort();
}

void ScriptedPeer::SendUnasked(const QByteArray& bytes) {
  if (!client_) return;
  client_->write(bytes);
  client_->flush();
}

void ScriptedPeer::OnDatagram() {
  while (udp_.hasPendingDatagrams()) {
    const QNetworkDatagram query = udp_.receiveDatagram();
    if (query.data() != "TESSELLUX?") continue;
    ++queries_received;
    if (!answer_discovery) continue;
    for (const QByteArray& answer : discovery_answers)
      udp_.writeDatagram(answer, query.senderAddress(), query.senderPort());
  }
}

void ScriptedPeer::OnConnection() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    client_ = socket;
    connect(socket, &QTcpSocket::readyRead, this, &ScriptedPeer::OnData);
  }
}

void ScriptedPeer::OnData() {
  partial_ += client_->readAll();
  qsizetype end;
  while ((end = partial_.indexOf(char(0xAA))) >= 0) {
    const QByteArray body = partial_.left(end);
    partial_.remove(0, end + 1);
    const Bytes unframed = protocol::Unframe(Bytes(body.begin(), body.end()));
    const QByteArray command(reinterpret_cast<const char*>(unframed.data()), static_cast<qsizetype>(unframed.size()));
    commands.append(command);
    Reply reply;
    if (!replies.empty()) {
      reply = replies.front();
      replies.pop_front();
    } else if (default_reply) {
      reply = Framed(default_reply(command));
    }
    for (const QByteArray& chunk : reply.chunks) {
      client_->write(chunk);
      client_->flush();
      client_->waitForBytesWritten(100);
    }
  }
}

}  // namespace tessellux::testing
