#pragma once

// The link to the Code Generator: discovery by datagram, the TCP connection,
// and the one command exchange through which everything talks to it. The
// bytes are handled by link/ (framing, reply buffer, verdict); this class
// only moves them and runs the two timers.

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include "link/exchange.h"
#include "protocol/bytes.h"
#include "protocol/framing.h"

class QEventLoop;
class QTcpSocket;
class QUdpSocket;

namespace tessellux::ui {

class MessageBoxes;

class CodeGeneratorLink : public QObject, public link::CommandExchange {
  Q_OBJECT

 public:
  CodeGeneratorLink(QHostAddress discovery_address, quint16 port, MessageBoxes& messages,
                    QObject* parent = nullptr);

  // Starts the discovery timer (first query one period later).
  void Start();

  // Sends one command and waits for its reply with the event loop running,
  // at most 1000 ms. A timeout, a broken link or a reply that breaks the
  // protocol tears the link down (LostConnection). Refuses (kLinkLost,
  // nothing sent) while another exchange is awaited. The status byte is
  // not judged here.
  link::ExchangeOutcome Exchange(const Bytes& message) override;
  // Exchange, then the status: true only for a complete reply with status
  // 0x00; an error status is reported in an "Unexpected error" box.
  bool ExchangeCommand(const Bytes& message);
  // The unframed reply after a completed exchange; otherwise what arrived.
  const Bytes& ReceiveBuffer() const { return reply_; }

  bool LinkUp() const { return link_up_; }

  // Tears the link down, reports it (through lostConnection) and searches again.
  void LostConnection();

  QTimer UdpTimer;
  QTimer TcpTimer;

 signals:
  // A Code Generator answered: its company name (8-bit text) and address.
  void codeGeneratorFound(const QString& company, const QString& address);
  void linkUp();
  // Emitted inside LostConnection after the sockets are closed and before
  // discovery resumes: the window reports the loss here.
  void connectionLost();

 private:
  void UdpTimer_Timer();
  void UdpWinsock_DataArrival();
  void TcpWinsock_Connect();
  void TcpWinsock_Error();
  void TcpWinsock_DataArrival();
  void TcpTimer_Timer();
  void SendQuery(const QHostAddress& to);
  void EndWait();

  QHostAddress discovery_address_;
  quint16 port_;
  MessageBoxes& messages_;
  QUdpSocket* UdpWinsock;
  QTcpSocket* TcpWinsock;
  bool link_up_ = false;
  protocol::ReplyBuffer receive_;
  Bytes reply_;
  QEventLoop* wait_loop_ = nullptr;
  bool awaiting_ = false;
  bool timed_out_ = false;
};

}  // namespace tessellux::ui
