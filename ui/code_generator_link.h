#pragma once

// The link to the Code Generator: discovery by datagram, the TCP connection,
// and the one command exchange through which everything talks to it. The
// bytes are handled by link/ (framing, reply buffer); this class only moves
// them and runs the two timers. It never waits: Send() returns at once and
// the outcome arrives through exchangeEnded.

#include <QHostAddress>
#include <QObject>
#include <QTimer>

#include "link/exchange.h"
#include "protocol/bytes.h"
#include "protocol/framing.h"

class QTcpSocket;
class QUdpSocket;

namespace tessellux::ui {

class MessageBoxes;

class CodeGeneratorLink : public QObject {
  Q_OBJECT

 public:
  CodeGeneratorLink(QHostAddress discovery_address, quint16 port, MessageBoxes& messages,
                    QObject* parent = nullptr);

  // Starts the discovery timer (first query one period later).
  void Start();

  // Sends one command; its reply, or why none came, arrives through
  // exchangeEnded, at most 1000 ms later. A timeout, a broken link or a
  // reply that breaks the protocol also tears the link down
  // (LostConnection), after exchangeEnded. One exchange at a time: a second
  // Send while one is awaited ends at once with kLinkLost, nothing sent. The
  // status byte is not judged here.
  void Send(const Bytes& message);
  bool Awaiting() const { return awaiting_; }

  bool LinkUp() const { return link_up_; }

  // Tears the link down, reports it (through lostConnection) and searches again.
  void LostConnection();

  QTimer UdpTimer;
  QTimer TcpTimer;

 signals:
  // A Code Generator answered: its company name (8-bit text) and address.
  void codeGeneratorFound(const QString& company, const QString& address);
  void linkUp();
  // The outcome of the exchange Send() started.
  void exchangeEnded(const tessellux::link::ExchangeOutcome& outcome);
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
  // Ends the awaited exchange with `outcome`.
  void EndExchange(link::ExchangeOutcome outcome);
  // Ends it after the current handler returns (never inside Send()).
  void EndExchangeLater(link::ExchangeOutcome outcome);

  QHostAddress discovery_address_;
  quint16 port_;
  MessageBoxes& messages_;
  QUdpSocket* UdpWinsock;
  QTcpSocket* TcpWinsock;
  bool link_up_ = false;
  protocol::ReplyBuffer receive_;
  bool awaiting_ = false;
};

}  // namespace tessellux::ui
