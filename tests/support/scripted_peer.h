#pragma once

// A scripted Code Generator on 127.0.0.1 for the window's tests: answers the
// discovery query and replies to each command with scripted bytes. Runs on
// the test's own event loop (the window's waits run it too).

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>

#include <deque>
#include <functional>

namespace tessellux::testing {

class ScriptedPeer : public QObject {
  Q_OBJECT

 public:
  // Listens for TCP on a free port of 127.0.0.1 and for discovery datagrams
  // on the same port number. With listen_tcp false only the datagram side runs
  // (connections are then refused).
  explicit ScriptedPeer(bool listen_tcp = true);

  quint16 port() const { return port_; }

  // The datagrams sent back to each query, in order (default one answer).
  QList<QByteArray> discovery_answers = {"TESSELLUX=Test Company"};
  bool answer_discovery = true;
  int queries_received = 0;

  // A reply: raw bytes on the wire (already framed) sent in chunks.
  struct Reply {
    QList<QByteArray> chunks;
  };
  // Replies for the next commands, in order; with none left, a command gets
  // `default_reply` (if set) or no reply at all.
  std::deque<Reply> replies;
  std::function<QByteArray(const QByteArray& command)> default_reply;

  // Unframed commands received, in order.
  QList<QByteArray> commands;

  static QByteArray Frame(const QByteArray& message);
  static Reply Framed(const QByteArray& message) { return {{Frame(message)}}; }
  void DropConnection();
  // Raw bytes on the wire, asked for or not.
  void SendUnasked(const QByteArray& bytes);

 private:
  void OnDatagram();
  void OnConnection();
  void OnData();

  QUdpSocket udp_;
  QTcpServer server_;
  QTcpSocket* client_ = nullptr;
  QByteArray partial_;
  quint16 port_ = 0;
};

}  // namespace tessellux::testing
