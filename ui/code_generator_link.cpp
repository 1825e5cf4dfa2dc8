#include "ui/code_generator_link.h"

#include <QNetworkDatagram>
#include <QNetworkInterface>
#include <QTcpSocket>
#include <QUdpSocket>

#include "link/discovery.h"
#include "ui/message_boxes.h"

namespace tessellux::ui {
namespace {

QString DottedAddress(const QHostAddress& address) {
  bool is_v4 = false;
  const quint32 v4 = address.toIPv4Address(&is_v4);
  return is_v4 ? QHostAddress(v4).toString() : address.toString();
}

}  // namespace

CodeGeneratorLink::CodeGeneratorLink(QHostAddress discovery_address, quint16 port,
                                     MessageBoxes& messages, QObject* parent)
    : QObject(parent),
      discovery_address_(std::move(discovery_address)),
      port_(port),
      messages_(messages),
      UdpWinsock(new QUdpSocket(this)),
      TcpWinsock(new QTcpSocket(this)) {
  UdpTimer.setInterval(link::kDiscoveryPeriodMs);
  TcpTimer.setInterval(link::kReplyTimeoutMs);
  TcpTimer.setSingleShot(true);
  // A coarse timer may fire some 5% early and tear down a good link.
  TcpTimer.setTimerType(Qt::PreciseTimer);
  connect(&UdpTimer, &QTimer::timeout, this, &CodeGeneratorLink::UdpTimer_Timer);
  connect(&TcpTimer, &QTimer::timeout, this, &CodeGeneratorLink::TcpTimer_Timer);
  connect(UdpWinsock, &QUdpSocket::readyRead, this, &CodeGeneratorLink::UdpWinsock_DataArrival);
  connect(TcpWinsock, &QTcpSocket::connected, this, &CodeGeneratorLink::TcpWinsock_Connect);
  connect(TcpWinsock, &QTcpSocket::errorOccurred, this, &CodeGeneratorLink::TcpWinsock_Error);
  connect(TcpWinsock, &QTcpSocket::readyRead, this, &CodeGeneratorLink::TcpWinsock_DataArrival);
}

void CodeGeneratorLink::Start() { UdpTimer.start(); }

void CodeGeneratorLink::SendQuery(const QHostAddress& to) {
  // A failed send (no route, interface down) is not fatal: the next tick tries again.
  UdpWinsock->writeDatagram(protocol::kDiscoveryQuery.data(),
                            static_cast<qint64>(protocol::kDiscoveryQuery.size()), to, port_);
}

void CodeGeneratorLink::UdpTimer_Timer() {
  if (UdpWinsock->state() != QAbstractSocket::BoundState &&
      !UdpWinsock->bind(QHostAddress::AnyIPv4, 0)) {
    return;  // try again at the next tick
  }
  SendQuery(discovery_address_);
  // The limited broadcast leaves by one interface only; on a machine with
  // several, each interface's own broadcast address reaches its network too.
  if (discovery_address_ != QHostAddress::Broadcast) return;
  for (const QNetworkInterface& nic : QNetworkInterface::allInterfaces()) {
    const auto flags = nic.flags();
    if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::CanBroadcast) ||
        (flags & QNetworkInterface::IsLoopBack))
      continue;
    for (const QNetworkAddressEntry& entry : nic.addressEntries()) {
      if (!entry.broadcast().isNull() && entry.broadcast() != QHostAddress::Broadcast)
        SendQuery(entry.broadcast());
    }
  }
}

void CodeGeneratorLink::UdpWinsock_DataArrival() {
  if (!UdpWinsock->hasPendingDatagrams()) return;
  // The first datagram is the answer, whatever it holds; later ones are never read.
  const QNetworkDatagram datagram = UdpWinsock->receiveDatagram();
  const QByteArray data = datagram.data();
  const std::string company = protocol::CompanyFromAnswer(Bytes(data.begin(), data.end()));
  const QHostAddress sender = datagram.senderAddress();
  UdpTimer.stop();
  UdpWinsock->close();
  emit codeGeneratorFound(QString::fromLatin1(company.data(), static_cast<qsizetype>(company.size())),
                          DottedAddress(sender));
  TcpWinsock->abort();
  // Unbuffered: a command is written to the system at once and a reply read
  // from it straight into the receive buffer. A buffered socket writes on
  // the next pass of the event loop and reads through a buffer of its own,
  // toggling a socket notifier (which wakes the loop) each time: three
  // passes and ten system calls an exchange instead of one pass and three,
  // and a picture fetch makes one exchange per row.
  TcpWinsock->connectToHost(sender, port_, QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void CodeGeneratorLink::TcpWinsock_Connect() {
  // Each command is one small write answered at once: send it without delay.
  TcpWinsock->setSocketOption(QAbstractSocket::LowDelayOption, 1);
  link_up_ = true;
  emit linkUp();
}

void CodeGeneratorLink::TcpWinsock_Error() {
  if (awaiting_) EndExchange({link::ExchangeOutcome::Kind::kLinkLost, {}, TcpWinsock->errorString().toStdString()});
  LostConnection();
}

void CodeGeneratorLink::TcpWinsock_DataArrival() {
  // An unbuffered socket reports a closed or broken connection only as a
  // failed read, with no error signal: every arrival is read, at least a byte.
  if (!awaiting_) {
    // Nothing is sent between a reply's end byte and the next command:
    // bytes now mean the peer and the program disagree on the framing.
    char stray = 0;
    if (TcpWinsock->read(&stray, 1) != 0) LostConnection();
    return;
  }
  // Read straight into the receive buffer, large replies copied once, in
  // pieces up to what the buffer still takes: a row's reply is one read,
  // with no system call to ask its size first. A full piece may mean more.
  constexpr qint64 kPiece = 16 * 1024;
  qint64 got = 0;
  do {
    const auto piece = static_cast<qint64>(std::min<std::size_t>(kPiece, receive_.Room()));
    std::uint8_t* room = piece > 0 ? receive_.Extend(static_cast<std::size_t>(piece)) : nullptr;
    if (!room) {
      // A peer that sends more than the buffer holds without ending its
      // reply is treated like a broken link.
      EndExchange({link::ExchangeOutcome::Kind::kProtocolError, {}, "reply over the receive cap"});
      LostConnection();
      return;
    }
    got = TcpWinsock->read(reinterpret_cast<char*>(room), piece);
    receive_.Shrink(static_cast<std::size_t>(piece - std::max<qint64>(0, got)));
    if (got < 0) return TcpWinsock_Error();
  } while (got == kPiece);
  if (!receive_.Complete()) return;
  if (receive_.HasTrailingBytes()) {
    EndExchange({link::ExchangeOutcome::Kind::kProtocolError, {}, "bytes after the reply's end byte"});
    LostConnection();
    return;
  }
  EndExchange({link::ExchangeOutcome::Kind::kReply, receive_.TakeReply(), {}});
}

void CodeGeneratorLink::TcpTimer_Timer() {
  if (awaiting_) EndExchange({link::ExchangeOutcome::Kind::kTimeout, {}, {}});
  LostConnection();
}

void CodeGeneratorLink::EndExchange(link::ExchangeOutcome outcome) {
  TcpTimer.stop();
  awaiting_ = false;
  emit exchangeEnded(outcome);
}

void CodeGeneratorLink::EndExchangeLater(link::ExchangeOutcome outcome) {
  QMetaObject::invokeMethod(this, [this, outcome = std::move(outcome)] { emit exchangeEnded(outcome); },
                            Qt::QueuedConnection);
}

void CodeGeneratorLink::LostConnection() {
  TcpWinsock->abort();  // abort() emits no error, so this runs once per loss
  UdpWinsock->close();
  link_up_ = false;
  const bool awaiting = awaiting_;
  awaiting_ = false;
  TcpTimer.stop();
  UdpTimer.stop();
  // An exchange cut short still ends, before the loss is reported.
  if (awaiting) emit exchangeEnded({link::ExchangeOutcome::Kind::kLinkLost, {}, "the connection was lost"});
  emit connectionLost();
  UdpTimer.start();
}

void CodeGeneratorLink::Send(const Bytes& message) {
  using Kind = link::ExchangeOutcome::Kind;
  // One exchange at a time: the receive buffer and the reply timer are shared.
  if (awaiting_) return EndExchangeLater({Kind::kLinkLost, {}, "another exchange is awaited"});
  receive_.Clear();
  const Bytes frame = protocol::FrameMessage(message);
  if (TcpWinsock->state() != QAbstractSocket::ConnectedState ||
      TcpWinsock->write(reinterpret_cast<const char*>(frame.data()), static_cast<qint64>(frame.size())) !=
          static_cast<qint64>(frame.size())) {
    LostConnection();
    return EndExchangeLater({Kind::kLinkLost, {}, "the command could not be sent"});
  }
  awaiting_ = true;
  TcpTimer.start();
}

}  // namespace tessellux::ui
