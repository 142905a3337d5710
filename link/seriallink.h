#pragma once

#include "serialdevice.h"

#include <QObject>
#include <QString>

#include <memory>

// The serial port to the receiver: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.
// It owns the port (made when first opened) and nothing of the window. A port that fails while open
// (a write error, an unplugged USB adapter) is closed at once and reported once through failed(). A
// full transmit buffer is not a failure: the bytes wait in the port until the line takes them.
class SerialLink : public QObject
{
    Q_OBJECT

public:
    explicit SerialLink(QObject *parent = nullptr);
    ~SerialLink() override;

    // Most bytes kept between two reads; the rest waits in the driver, so a babbling receiver
    // cannot make the program's memory grow.
    static constexpr qint64 kReadBufferBytes = 64 * 1024;

    void setPortName(const QString &name);
    QString portName() const;
    // Opens the port with the line settings. On failure the port stays closed and errorString()
    // holds the operating system's reason.
    bool open();
    QString errorString() const { return m_error; }
    // The kind of the last failure to open, or of the failure that closed the port.
    PortError error() const { return m_errorKind; }
    void close();
    bool isOpen() const;
    // Hands the bytes to the port, which puts them on the line as soon as the driver takes them;
    // a busy line never blocks and never fails. False when the port is closed or the write failed
    // (the port has then been closed and failed() emitted).
    bool write(const QByteArray &bytes);
    // Bytes written that have not left yet: those the port still holds plus the driver's transmit
    // queue where the driver reports one (a pseudo-terminal always reports an empty queue).
    qint64 pendingBytes() const;
    // Everything received since the previous read, including what the driver holds that the event
    // loop has not fetched yet (after a stall a timer may be served before the port's notice);
    // empties the receive buffer.
    QByteArray readAll();

signals:
    void opened();
    // The open port has been closed, by close() or after a failure.
    void closed();
    // The open port failed and has been closed. Emitted once per opening.
    void failed(PortError error, const QString &reason);
    // Bytes have arrived and wait to be read.
    void received();

private:
    // Moves what the driver holds into the port's buffer, without announcing it: the caller is
    // reading it now.
    void FetchWaiting();
    void onError(PortError error);
    void fail(PortError error, const QString &reason);
    // The device has hung up, its descriptor is no longer valid, or it fails although it has
    // room: what a pulled adapter looks like, as opposed to a transmit buffer only full for now.
    bool deviceGone() const;

    std::unique_ptr<SerialDevice> m_port;
    QString m_name; // as given: QSerialPort shortens /dev/pts/3 to pts/3
    QString m_error;
    PortError m_errorKind = PortError::None;
    bool m_fetching = false; // received() is not emitted for what FetchWaiting() takes
};

// The port named by the text of the channel box. A whole number N names the N-th standard port of
// the platform (/dev/ttyS<N-1>, COM<N>); any other text is a device name or path as it stands.
// An empty result means the text names no usable port (zero, negative, too large, or blank).
QString PortNameForChannel(const QString &channelText);
